/* Quillo catalog script, copied beside every catalog.
 *
 * Thumbnail pages call showcg(path, w, h) from their links. Every page opened from
 * file:// is an origin of its own, so a page may not script into the viewer frame:
 * showcg hands the picture over with postMessage, and the viewer (control.html,
 * showimg.html, or the view frame of a folder-by-folder catalog) shows it. Without a
 * viewer frame (a page opened by itself) the picture opens in a viewer window. */
(function () {
  'use strict';

  var KIND = 'quillo-showcg';
  var MAX_SRC = 8192;

  function pictureMessage(src, w, h) {
    return { kind: KIND, src: String(src), w: Math.max(0, Number(w) | 0), h: Math.max(0, Number(h) | 0) };
  }

  // Only a message of exactly this shape is a picture to show.
  function isPictureMessage(d) {
    return d !== null && typeof d === 'object' && d.kind === KIND &&
      typeof d.src === 'string' && d.src.length > 0 && d.src.length < MAX_SRC &&
      !/^\s*(javascript|data|vbscript):/i.test(d.src) &&
      typeof d.w === 'number' && typeof d.h === 'number' && d.w >= 0 && d.h >= 0;
  }

  function viewFrame() {
    try {
      var view = window.top.frames.view;
      if (view && view !== window.self) return view;
    } catch (e) {
      // No frame of that name can be reached: fall back to a window.
    }
    return null;
  }

  function viewerUrl(msg) {
    return 'showimg.html#' + encodeURIComponent(JSON.stringify(msg));
  }

  function openViewerWindow(msg, width, height) {
    var features = 'width=' + (width || 800) + ',height=' + (height || 600) + ',resizable=yes,scrollbars=yes';
    return window.open(viewerUrl(msg), 'quillo_picture', features);
  }

  // Thumbnail links hold only a picture: no underline in the gaps beside it.
  if (document.head) {
    var style = document.createElement('style');
    style.textContent = 'a[href^="JavaScript:showcg"], a[target="catalog"] { text-decoration: none; }';
    document.head.appendChild(style);
  }

  // The link carries the picture's path as it is (the desktop program reads it back
  // from dropped links); each part of it is made safe for an address here.
  function pathToUrl(path) {
    return String(path).split('/').map(encodePart).join('/');
  }

  function encodeText(text) {
    try {
      return encodeURIComponent(text);
    } catch (e) {
      return encodeURI(text);
    }
  }

  // A byte of a name that is not UTF-8 comes as a lone surrogate U+DC80-U+DCFF whose
  // low byte is that byte: it goes into the address as the byte itself.
  function isStrayByte(text, i) {
    var c = text.charCodeAt(i);
    var before = i > 0 ? text.charCodeAt(i - 1) : 0;
    return c >= 0xDC80 && c <= 0xDCFF && !(before >= 0xD800 && before <= 0xDBFF);
  }

  function encodePart(part) {
    var out = '';
    var run = '';
    for (var i = 0; i < part.length; i++) {
      if (!isStrayByte(part, i)) {
        run += part.charAt(i);
        continue;
      }
      out += encodeText(run) + '%' + ('0' + (part.charCodeAt(i) & 0xFF).toString(16).toUpperCase()).slice(-2);
      run = '';
    }
    return out + encodeText(run);
  }

  window.showcg = function (src, w, h) {
    var msg = pictureMessage(pathToUrl(src), w, h);
    var view = viewFrame();
    if (view) {
      view.postMessage(msg, '*');
    } else {
      openViewerWindow(msg);
    }
  };

  // --- the viewer ---

  var ZOOM_BUTTONS = { 'zoom-x2': 2, 'zoom-x15': 1.5, 'zoom-x12': 0.5, 'zoom-x115': 1 / 1.5 };
  var MIN_SCALE = 0.02;
  var MAX_SCALE = 32;

  function element(id, tag, parent) {
    var found = document.getElementById(id);
    if (found) return found;
    var made = document.createElement(tag);
    made.id = id;
    parent.appendChild(made);
    return made;
  }

  function fileName(src) {
    var name = src.split(/[\/]/).pop();
    try {
      return decodeURIComponent(name);
    } catch (e) {
      return name;
    }
  }

  function Viewer(options) {
    this.options = options || {};
    this.stage = element('stage', 'div', document.body);
    this.caption = element('caption', 'div', document.body);
    this.picture = element('picture', 'img', this.stage);
    this.picture.alt = '';
    this.msg = null;
    this.width = 0;
    this.height = 0;
    this.scale = 1;
    var self = this;
    this.picture.addEventListener('load', function () { self.loaded(); });
    this.picture.addEventListener('error', function () {
      if (self.msg) self.caption.textContent = fileName(self.msg.src) + ' (表示できません)';
    });
    this.picture.addEventListener('click', function () { self.openWindow(); });
    Object.keys(ZOOM_BUTTONS).forEach(function (id) {
      var button = document.getElementById(id);
      if (button) button.addEventListener('click', function () { self.zoom(ZOOM_BUTTONS[id]); });
    });
    var fit = document.getElementById('zoom-fit');
    if (fit) fit.addEventListener('click', function () { self.fit(true); });
    document.body.className += self.options.frameStyle === 1 ? ' cols' : ' rows';
  }

  Viewer.prototype.show = function (msg) {
    this.msg = msg;
    this.width = msg.w;
    this.height = msg.h;
    this.caption.textContent = fileName(msg.src) + (msg.w && msg.h ? ' (' + msg.w + '×' + msg.h + ')' : '');
    this.picture.className = 'picture';
    this.picture.src = msg.src;
    if (this.width && this.height) this.fit(false);
  };

  Viewer.prototype.loaded = function () {
    if (!this.msg) return;
    if (!this.width || !this.height) {
      this.width = this.picture.naturalWidth;
      this.height = this.picture.naturalHeight;
      this.fit(false);
    }
  };

  // Fits the picture into the stage; a small picture keeps its size unless `enlarge`.
  Viewer.prototype.fit = function (enlarge) {
    if (!this.width || !this.height) return;
    var room = this.stage.getBoundingClientRect();
    var across = Math.max(16, room.width - 8) / this.width;
    var down = Math.max(16, window.innerHeight - room.top - 8) / this.height;
    var scale = Math.min(across, down);
    this.setScale(enlarge ? scale : Math.min(1, scale));
  };

  Viewer.prototype.zoom = function (factor) {
    if (this.msg) this.setScale(this.scale * factor);
  };

  Viewer.prototype.setScale = function (scale) {
    this.scale = Math.min(MAX_SCALE, Math.max(MIN_SCALE, scale));
    this.picture.style.width = Math.max(1, Math.round(this.width * this.scale)) + 'px';
    this.picture.style.height = Math.max(1, Math.round(this.height * this.scale)) + 'px';
  };

  // The picture at full size in a window of the size the settings give.
  Viewer.prototype.openWindow = function () {
    if (this.msg && this.options.standalone !== true)
      openViewerWindow(this.msg, this.options.winWidth, this.options.winHeight);
  };

  function fromHash() {
    try {
      var msg = JSON.parse(decodeURIComponent(window.location.hash.slice(1)));
      return isPictureMessage(msg) ? msg : null;
    } catch (e) {
      return null;
    }
  }

  // Accepts pictures from pages of the same window (each file:// page has origin "null").
  function listen(viewer) {
    window.addEventListener('message', function (event) {
      if (event.origin !== 'null' && event.origin !== window.location.origin) return;
      if (!isPictureMessage(event.data)) return;
      viewer.show(event.data);
    });
  }

  window.QuilloViewer = {
    // The view frame: options {frameStyle, winWidth, winHeight}.
    start: function (options) {
      var viewer = new Viewer(options);
      listen(viewer);
      window.quilloViewer = viewer;
      return viewer;
    },
    // A viewer window: the picture comes in the address's fragment.
    startWindow: function (options) {
      options = options || {};
      options.standalone = true;
      var viewer = window.QuilloViewer.start(options);
      var show = function () {
        var msg = fromHash();
        if (msg) viewer.show(msg);
      };
      window.addEventListener('hashchange', show);
      show();
      return viewer;
    },
    isPictureMessage: isPictureMessage,
  };

  window.QuilloStart = {
    // Opens the catalog in a window of its own; false when the browser refused.
    openCatalog: function (w, h) {
      var features = 'width=' + (w || 800) + ',height=' + (h || 600) + ',resizable=yes,scrollbars=yes';
      return window.open('index.html', 'quillo_catalog', features) !== null;
    },
  };

  // The view frame of a folder-by-folder catalog is a bare page that loads this script.
  if (window.name === 'view' && !document.getElementById('toolbar')) {
    var begin = function () {
      if (!window.quilloViewer) window.QuilloViewer.start({});
    };
    if (document.body) begin(); else document.addEventListener('DOMContentLoaded', begin);
  }
})();
