/* Quillo catalog script, copied beside every catalog.
 *
 * Thumbnail pages call showcg(path, w, h) from their links. Every page opened from
 * file:// is an origin of its own, so a page may not script into the viewer frame:
 * showcg hands the picture over with postMessage, and the viewer (control.html,
 * showimg.html, or the view frame of a folder-by-folder catalog) shows it. Without a
 * viewer frame (a page opened by itself) the picture opens in a viewer window.
 *
 * With the picture goes the list of every picture on the page, so the viewer steps
 * through them (buttons, arrow keys, Home/End, a slideshow on the space bar); at either
 * end of the list it asks the catalog frame to turn the page, and the new page hands its
 * list over. On a narrow screen, or with "?view=single", a page opened by itself shows
 * its thumbnails in one column and the pictures in an overlay with the same keys and
 * swipes. */
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

  var LIST_MAX = 100000;

  function isItem(d) {
    return d !== null && typeof d === 'object' && isPictureMessage({ kind: KIND, src: d.src, w: d.w, h: d.h }) &&
      typeof d.name === 'string' && typeof d.info === 'string';
  }

  // The optional list that comes with a picture: the page's pictures and where this one stands.
  function listOf(d) {
    if (!Array.isArray(d.items) || d.items.length > LIST_MAX || !d.items.every(isItem)) return null;
    var index = Number(d.index);
    if (!(index >= 0 && index < d.items.length)) return null;
    return { items: d.items, index: index | 0, hasNext: d.hasNext === true, hasPrev: d.hasPrev === true };
  }

  function frameNamed(name) {
    try {
      var frame = window.top.frames[name];
      if (frame && frame !== window.self) return frame;
    } catch (e) {
      // No frame of that name can be reached.
    }
    return null;
  }

  // The viewer frame; null when there is none (the caller then falls back to a window).
  function viewFrame() {
    return frameNamed('view');
  }

  // Messages come only from pages of the same window (each file:// page has origin "null").
  function fromSameWindow(event) {
    return event.origin === 'null' || event.origin === window.location.origin;
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

  // --- the catalog page: its pictures, its page turns, its keys ---

  // The argument of a thumbnail link, read as the browser would run it: a javascript:
  // address has its %25 turned back into %, then the quoted script string is unescaped.
  function parseShowcg(href) {
    var code = String(href || '').replace(/^\s*javascript:/i, '').replace(/%25/g, '%');
    var m = /^showcg\('((?:[^'\\]|\\.)*)',(\d+),(\d+)\)/.exec(code);
    if (!m) return null;
    var text = m[1].replace(/\\(x[0-9A-Fa-f]{2}|u[0-9A-Fa-f]{4}|.)/g, function (all, e) {
      if (e.length === 3 || e.length === 5) return String.fromCharCode(parseInt(e.slice(1), 16));
      return e;
    });
    return { path: text, w: Number(m[2]), h: Number(m[3]) };
  }

  function sizeText(bytes) {
    if (!(bytes > 0)) return '';
    if (bytes < 1024 * 1024) return Math.max(1, Math.round(bytes / 1024)) + ' KB';
    return (bytes / 1024 / 1024).toFixed(1) + ' MB';
  }

  // What the caption says of a picture: its size in pixels and bytes, and its date.
  function infoOf(link, arg) {
    var img = link.querySelector('img');
    var alt = img ? img.getAttribute('alt') || '' : '';
    var bytes = /\((\d+)Bytes\)/.exec(alt);
    var parts = [];
    if (arg.w && arg.h) parts.push(arg.w + '×' + arg.h);
    if (bytes) parts.push(sizeText(Number(bytes[1])));
    var date = img ? img.getAttribute('data-date') : '';
    if (date) parts.push(date);
    return parts.join('　');
  }

  var pageLinks = null;

  // The page's thumbnail links with the pictures they show, in page order.
  function pagePictures() {
    if (pageLinks) return pageLinks;
    pageLinks = [];
    var links = document.querySelectorAll('a[href]');
    for (var i = 0; i < links.length; i++) {
      var arg = parseShowcg(links[i].getAttribute('href'));
      if (!arg) continue;
      var src = pathToUrl(arg.path);
      pageLinks.push({
        link: links[i],
        item: { src: src, w: arg.w, h: arg.h, name: fileName(src), info: infoOf(links[i], arg) },
      });
    }
    return pageLinks;
  }

  // The page-turn button of this page that goes forward (1) or back (-1).
  function turnLink(dir) {
    var links = document.querySelectorAll('a[href] > img[alt]');
    var pattern = dir > 0 ? /^→\[\d+\]$/ : /^\[\d+\]←$/;
    for (var i = 0; i < links.length; i++)
      if (pattern.test(links[i].getAttribute('alt'))) return links[i].parentNode;
    return null;
  }

  function listMessage(index) {
    var pictures = pagePictures();
    var picked = pictures[index].item;
    var msg = pictureMessage(picked.src, picked.w, picked.h);
    msg.items = pictures.map(function (p) { return p.item; });
    msg.index = index;
    msg.hasNext = turnLink(1) !== null;
    msg.hasPrev = turnLink(-1) !== null;
    return msg;
  }

  function indexOfSource(src) {
    var pictures = pagePictures();
    for (var i = 0; i < pictures.length; i++) if (pictures[i].item.src === src) return i;
    return -1;
  }

  // Opens the next or previous page; the viewer then gets its first or last picture.
  function turnPage(dir, play) {
    var link = turnLink(dir);
    if (!link) return false;
    var address = link.getAttribute('href').split('#')[0].split('?')[0];
    window.location.href = address + window.location.search + '#quillo-' + (dir > 0 ? 'first' : 'last') +
      (play ? '-play' : '');
    return true;
  }

  var overlay = null;  // the viewer of a page shown in one column

  window.showcg = function (src, w, h) {
    var msg = pictureMessage(pathToUrl(src), w, h);
    var index = indexOfSource(msg.src);
    if (index >= 0) msg = listMessage(index);
    if (overlay) {
      overlay.open(msg);
      return;
    }
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
  var SLIDE_MS = 3000;
  // The step buttons: [id, text, title, what a click does].
  var STEP_BUTTONS = [
    ['prev', '◀', '前の画像 (←)', 'prev'],
    ['next', '▶', '次の画像 (→)', 'next'],
    ['slideshow', '▶▶', 'スライドショー (スペース)', 'toggleSlideshow'],
  ];

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

  // The keys a viewer acts on and what each does; a key message from another page names one of these.
  var VIEWER_KEYS = { ArrowRight: 'next', ArrowLeft: 'prev', Home: 'first', End: 'last', ' ': 'toggleSlideshow',
    Escape: 'close' };

  function isViewerAction(action) {
    return Object.keys(VIEWER_KEYS).some(function (key) { return VIEWER_KEYS[key] === action; });
  }

  // The key a viewer acts on, or '' for any other.
  function viewerKey(event) {
    if (event.altKey || event.ctrlKey || event.metaKey) return '';
    return Object.prototype.hasOwnProperty.call(VIEWER_KEYS, event.key) ? VIEWER_KEYS[event.key] : '';
  }

  function Viewer(options) {
    this.options = options || {};
    this.root = this.options.root || document.body;
    this.toolbar = element('toolbar', 'div', this.root);
    this.caption = element('caption', 'div', this.root);
    this.stage = element('stage', 'div', this.root);
    this.picture = element('picture', 'img', this.stage);
    this.picture.alt = '';
    this.msg = null;
    this.list = null;
    this.timer = 0;
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
    this.addStepButtons();
    if (!this.options.root) document.body.className += self.options.frameStyle === 1 ? ' cols' : ' rows';
  }

  Viewer.prototype.addStepButtons = function () {
    var self = this;
    this.buttons = {};
    STEP_BUTTONS.forEach(function (b) {
      var button = document.createElement('button');
      button.type = 'button';
      button.id = b[0];
      button.className = 'step';
      button.textContent = b[1];
      button.title = b[2];
      button.disabled = true;
      button.addEventListener('click', function () { self[b[3]](); });
      self.toolbar.appendChild(button);
      self.buttons[b[0]] = button;
    });
  };

  Viewer.prototype.updateButtons = function () {
    var l = this.list;
    this.buttons.prev.disabled = !l || (l.index === 0 && !l.hasPrev);
    this.buttons.next.disabled = !l || (l.index === l.items.length - 1 && !l.hasNext);
    this.buttons.slideshow.disabled = !l;
    this.buttons.slideshow.textContent = this.timer ? '■' : '▶▶';
    this.buttons.slideshow.setAttribute('aria-pressed', this.timer ? 'true' : 'false');
  };

  // A picture with, when it came from a catalog page, the page's list.
  Viewer.prototype.show = function (msg) {
    this.turning = false;
    var list = listOf(msg);
    if (list) {
      this.list = list;
      this.showItem(list.items[list.index]);
    } else {
      this.list = null;
      this.showItem({ src: msg.src, w: msg.w, h: msg.h, name: fileName(msg.src), info: '' });
    }
  };

  Viewer.prototype.showItem = function (item) {
    this.msg = pictureMessage(item.src, item.w, item.h);
    this.width = item.w;
    this.height = item.h;
    var info = item.info || (item.w && item.h ? item.w + '×' + item.h : '');
    this.caption.textContent = item.name + (info ? '　' + info : '');
    if (this.list) this.caption.textContent += '　[' + (this.list.index + 1) + '/' + this.list.items.length + ']';
    this.picture.className = 'picture';
    this.picture.src = item.src;
    if (this.width && this.height) this.fit(false);
    this.updateButtons();
  };

  // Steps through the page's list; past its end the catalog turns the page.
  Viewer.prototype.step = function (by) {
    var l = this.list;
    if (!l) return false;
    if (this.turning) return true;  // the next page is on its way
    var to = l.index + by;
    if (to >= 0 && to < l.items.length) {
      l.index = to;
      this.showItem(l.items[to]);
      return true;
    }
    if ((by > 0 && l.hasNext) || (by < 0 && l.hasPrev)) {
      this.turning = true;
      this.turnPage(by > 0 ? 1 : -1);
      return true;
    }
    return false;
  };

  Viewer.prototype.next = function () {
    if (!this.step(1)) this.stopSlideshow();
  };

  Viewer.prototype.prev = function () {
    this.step(-1);
  };

  Viewer.prototype.first = function () {
    if (this.list) this.step(-this.list.index);
  };

  Viewer.prototype.last = function () {
    if (this.list) this.step(this.list.items.length - 1 - this.list.index);
  };

  Viewer.prototype.turnPage = function (dir) {
    var catalog = frameNamed('catalog');
    if (catalog) catalog.postMessage({ kind: 'quillo-turn', dir: dir }, '*');
  };

  Viewer.prototype.toggleSlideshow = function () {
    if (this.timer) this.stopSlideshow(); else this.startSlideshow();
  };

  Viewer.prototype.startSlideshow = function () {
    if (!this.list || this.timer) return;
    var self = this;
    this.timer = window.setInterval(function () { self.next(); }, this.options.slideMs || SLIDE_MS);
    this.updateButtons();
  };

  Viewer.prototype.stopSlideshow = function () {
    if (this.timer) window.clearInterval(this.timer);
    this.timer = 0;
    this.updateButtons();
  };

  // Back to the thumbnails: the slideshow stops and the catalog shows the picture's thumbnail.
  Viewer.prototype.close = function () {
    this.stopSlideshow();
    var catalog = frameNamed('catalog');
    if (!catalog || !this.msg) return;
    catalog.postMessage({ kind: 'quillo-focus', src: this.msg.src }, '*');
    try {
      catalog.focus();
    } catch (e) {
      // A browser may refuse to move the focus; the thumbnail is still shown.
    }
  };

  Viewer.prototype.key = function (action) {
    if (isViewerAction(action)) this[action]();
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
    if (this.msg && this.options.standalone !== true && !this.options.root)
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

  // Accepts pictures and keys from pages of the same window (each file:// page has origin "null").
  function listen(viewer) {
    window.addEventListener('message', function (event) {
      if (!fromSameWindow(event)) return;
      var d = event.data;
      if (d && d.kind === 'quillo-key' && typeof d.action === 'string') {
        viewer.key(d.action);
        return;
      }
      if (!isPictureMessage(d)) return;
      viewer.show(d);
    });
    document.addEventListener('keydown', function (event) {
      var action = viewerKey(event);
      if (!action) return;
      event.preventDefault();
      viewer.key(action);
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
    // True for a window too narrow for the frames: a phone, or a small window.
    isNarrow: function () {
      return window.innerWidth <= 600;
    },
    // Opens the catalog in a window of its own; false when the browser refused.
    openCatalog: function (w, h) {
      var features = 'width=' + (w || 800) + ',height=' + (h || 600) + ',resizable=yes,scrollbars=yes';
      return window.open('index.html', 'quillo_catalog', features) !== null;
    },
  };

  // --- a catalog page shown in one column, with its own viewer ---

  var SWIPE_PX = 50;

  function singleColumn() {
    if (window.top !== window.self) return false;
    return /[?&]view=single(&|$)/.test(window.location.search) || window.innerWidth <= 600;
  }

  var SINGLE_STYLE =
    'body.quillo-single { margin: 0; }' +
    'body.quillo-single > br { display: none; }' +
    'body.quillo-single a[href^="JavaScript:showcg"] img, body.quillo-single a.movie-file img,' +
    ' body.quillo-single video { display: block; width: 100% !important; height: auto !important;' +
    ' margin: 0 0 4px 0; }' +
    '#quillo-overlay { position: fixed; left: 0; top: 0; right: 0; bottom: 0; z-index: 10; display: none;' +
    ' flex-direction: column; background: rgba(0, 0, 0, 0.92); color: #fff; font: 14px sans-serif; }' +
    '#quillo-overlay.open { display: flex; }' +
    '#quillo-overlay #toolbar { padding: 4px; }' +
    '#quillo-overlay button { font-size: 20px; min-width: 44px; min-height: 40px; margin: 2px; }' +
    '#quillo-overlay #caption { padding: 2px 6px; }' +
    '#quillo-overlay #stage { flex: 1; overflow: auto; padding: 4px; }';

  function Overlay() {
    var self = this;
    this.root = document.createElement('div');
    this.root.id = 'quillo-overlay';
    var bar = document.createElement('div');
    bar.id = 'toolbar';
    this.root.appendChild(bar);
    document.body.appendChild(this.root);
    this.viewer = new Viewer({ root: this.root });
    var closeButton = document.createElement('button');
    closeButton.type = 'button';
    closeButton.id = 'close';
    closeButton.textContent = '×';
    closeButton.title = '閉じる (Esc)';
    closeButton.addEventListener('click', function () { self.close(); });
    bar.appendChild(closeButton);
    this.viewer.close = function () { self.close(); };
    this.viewer.turnPage = function (dir) { turnPage(dir, self.viewer.timer !== 0); };
    var start = null;
    this.root.addEventListener('touchstart', function (e) {
      start = { x: e.touches[0].clientX, y: e.touches[0].clientY };
    }, { passive: true });
    this.root.addEventListener('touchend', function (e) {
      if (!start) return;
      var dx = e.changedTouches[0].clientX - start.x, dy = e.changedTouches[0].clientY - start.y;
      start = null;
      if (Math.abs(dx) > SWIPE_PX && Math.abs(dx) > Math.abs(dy)) self.viewer.step(dx < 0 ? 1 : -1);
    });
  }

  Overlay.prototype.open = function (msg) {
    this.root.className = 'open';
    this.viewer.show(msg);
  };

  Overlay.prototype.close = function () {
    this.viewer.stopSlideshow();
    this.root.className = '';
    if (this.viewer.msg) focusThumbnail(this.viewer.msg.src);
  };

  Overlay.prototype.key = function (action) {
    if (this.root.className !== 'open') return;
    if (action === 'close') this.close(); else this.viewer.key(action);
  };

  function startSingleColumn() {
    var style = document.createElement('style');
    style.textContent = SINGLE_STYLE;
    document.head.appendChild(style);
    document.body.className += ' quillo-single';
    var meta = document.createElement('meta');
    meta.name = 'viewport';
    meta.content = 'width=device-width, initial-scale=1';
    document.head.appendChild(meta);
    // The page buttons keep the choice of one column, in this window.
    [turnLink(1), turnLink(-1)].forEach(function (link) {
      if (!link) return;
      link.setAttribute('href', link.getAttribute('href').split('?')[0] + window.location.search);
      link.target = '_self';
    });
    overlay = new Overlay();
  }

  // --- a catalog page: page turns and keys for the viewer ---

  function focusThumbnail(src) {
    var index = indexOfSource(src);
    if (index < 0) return;
    var link = pagePictures()[index].link;
    link.focus();
    if (link.scrollIntoView) link.scrollIntoView({ block: 'nearest' });
  }

  function startCatalogPage() {
    if (pagePictures().length === 0) return;
    if (singleColumn()) startSingleColumn();
    window.addEventListener('message', function (event) {
      var d = event.data;
      if (!fromSameWindow(event) || !d || typeof d !== 'object') return;
      if (d.kind === 'quillo-turn' && (d.dir === 1 || d.dir === -1)) turnPage(d.dir, false);
      else if (d.kind === 'quillo-focus' && typeof d.src === 'string') focusThumbnail(d.src);
    });
    document.addEventListener('keydown', function (event) {
      var action = viewerKey(event);
      if (!action) return;
      if (overlay) {
        if (overlay.root.className === 'open') event.preventDefault();
        overlay.key(action);
        return;
      }
      var view = viewFrame();
      if (!view || action === 'close') return;
      event.preventDefault();
      view.postMessage({ kind: 'quillo-key', action: action }, '*');
    });
    // A page turned by the viewer hands it its first or last picture.
    var turned = /^#quillo-(first|last)(-play)?$/.exec(window.location.hash);
    if (!turned) return;
    var msg = listMessage(turned[1] === 'first' ? 0 : pagePictures().length - 1);
    if (overlay) {
      overlay.open(msg);
      if (turned[2]) overlay.viewer.startSlideshow();
      return;
    }
    var view = viewFrame();
    if (view) view.postMessage(msg, '*');
  }

  // The page's pictures as the viewer gets them (for tools and tests that drive a catalog).
  window.QuilloCatalog = {
    pictures: function () {
      return pagePictures().map(function (p) { return p.item; });
    },
  };

  if (document.readyState === 'loading') document.addEventListener('DOMContentLoaded', startCatalogPage);
  else startCatalogPage();

  // The view frame of a folder-by-folder catalog is a bare page that loads this script.
  if (window.name === 'view' && !document.getElementById('toolbar')) {
    var begin = function () {
      if (!window.quilloViewer) window.QuilloViewer.start({});
    };
    if (document.body) begin(); else document.addEventListener('DOMContentLoaded', begin);
  }
})();
