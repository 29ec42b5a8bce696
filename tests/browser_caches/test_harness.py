#!/usr/bin/env python3
"""The cache-filling harness without browsers: the site, the server, the bench
pictures, and how a fill fails when a browser does not do its part."""

import gzip
import hashlib
import html.parser
import json
import os
import struct
import subprocess
import sys
import tempfile
import unittest
import urllib.error
import urllib.request

# The site is on 127.0.0.1: never through a proxy named in the environment.
urlopen = urllib.request.build_opener(urllib.request.ProxyHandler({})).open

HERE = os.path.dirname(os.path.abspath(__file__))
# Keep the source tree free of __pycache__ folders.
sys.dont_write_bytecode = True
sys.path.insert(0, HERE)
import fill_bench_cache  # noqa: E402
import make_site  # noqa: E402
import serve  # noqa: E402


def header_size(data):
    """Pixel size and a format tag read from the file's own header."""
    if data.startswith(b"GIF8"):
        return "gif", struct.unpack_from("<HH", data, 6)
    if data.startswith(b"\x89PNG\r\n\x1a\n") and data[12:16] == b"IHDR":
        return "png", struct.unpack_from(">II", data, 16)
    if data.startswith(b"\xff\xd8"):
        at = 2
        while at + 4 <= len(data) and data[at] == 0xFF:
            marker, length = data[at + 1], struct.unpack_from(">H", data, at + 2)[0]
            if marker in (0xC0, 0xC2):
                h, w = struct.unpack_from(">HH", data, at + 5)
                return ("jpeg-baseline" if marker == 0xC0 else "jpeg-progressive"), (w, h)
            at += 2 + length
        return "jpeg-unknown", None
    if data[:4] == b"RIFF" and data[8:12] == b"WEBP":
        return "webp-" + data[12:16].decode().strip(), None
    if data[4:8] == b"ftyp" and b"avif" in data[8:32]:
        return "avif", None
    return "unknown", None


class AnchoredImages(html.parser.HTMLParser):
    """Collects (img src, enclosing a href or None) in page order."""

    def __init__(self):
        super().__init__()
        self.href = None
        self.found = []

    def handle_starttag(self, tag, attrs):
        attrs = dict(attrs)
        if tag == "a":
            self.href = attrs.get("href")
        elif tag == "img":
            self.found.append((attrs.get("src"), self.href))

    def handle_endtag(self, tag):
        if tag == "a":
            self.href = None


def anchored_images(page_bytes):
    parser = AnchoredImages()
    parser.feed(page_bytes.decode())
    return parser.found


class SiteTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.tmp = tempfile.TemporaryDirectory()
        cls.site = os.path.join(cls.tmp.name, "site")
        cls.manifest = make_site.build(cls.site)
        cls.by_path = {r["path"]: r for r in cls.manifest["resources"]}

    @classmethod
    def tearDownClass(cls):
        cls.tmp.cleanup()

    def body(self, res):
        with open(os.path.join(self.site, res["file"]), "rb") as f:
            wire = f.read()
        return gzip.decompress(wire) if res["content_encoding"] == "gzip" else wire

    def test_every_picture_format_is_what_its_header_says(self):
        wanted = {"/banner.gif": "gif", "/logo.png": "png", "/photo.jpg": "jpeg-baseline",
                  "/progressive.jpg": "jpeg-progressive", "/medium.jpg": "jpeg-progressive",
                  "/photo.webp": "webp-VP8", "/photo.avif": "avif", "/gzonly.png": "png"}
        for path, kind in wanted.items():
            res = self.by_path[path]
            got_kind, size = header_size(self.body(res))
            self.assertEqual(got_kind, kind, path)
            if size:
                self.assertEqual(size, (res["width"], res["height"]), path)
        self.assertEqual((self.by_path["/banner.gif"]["width"], self.by_path["/banner.gif"]["height"]),
                         (468, 60))
        self.assertGreater(self.by_path["/medium.jpg"]["size"], 262144)

    def test_manifest_hashes_are_those_of_the_decoded_bytes(self):
        for res in self.manifest["resources"]:
            body = self.body(res)
            self.assertEqual(hashlib.sha256(body).hexdigest(), res["sha256"], res["path"])
            self.assertEqual(len(body), res["size"], res["path"])
        gz = self.by_path["/gz.html"]
        self.assertEqual(gz["content_encoding"], "gzip")
        self.assertNotEqual(gz["sha256"], gz["wire_sha256"])

    def test_manifest_anchors_match_the_pages(self):
        seen = {}
        for page in self.manifest["browse"]:
            for src, href in anchored_images(self.body(self.by_path[page])):
                seen.setdefault("/" + src, []).append({"page": page, "href": href})
        pictures = [r for r in self.manifest["resources"] if r["kind"] == "picture"]
        self.assertEqual(len(pictures), 8)
        for res in pictures:
            listed = [{"page": s["page"], "href": s["href"]} for s in res["shown_on"]]
            self.assertEqual(sorted(listed, key=str), sorted(seen[res["path"]], key=str), res["path"])
            for s in res["shown_on"]:
                if s["href"]:
                    self.assertIn(s["target"], self.by_path)
        self.assertEqual([s["page"] for s in self.by_path["/gzonly.png"]["shown_on"]], ["/gz.html"])
        self.assertEqual(len(self.by_path["/banner.gif"]["shown_on"]), 2)

    def test_server_sends_cacheable_responses_with_the_manifest_bytes(self):
        server, base = serve.start(self.site)
        try:
            for res in self.manifest["resources"]:
                with urlopen(base + res["path"]) as reply:
                    wire = reply.read()
                    h = reply.headers
                self.assertEqual(h["Content-Type"], res["content_type"])
                self.assertEqual(h["Content-Encoding"], res["content_encoding"])
                self.assertEqual(int(h["Content-Length"]), res["wire_size"])
                self.assertEqual(h["Cache-Control"], "max-age=3600")
                self.assertTrue(h["ETag"] and h["Last-Modified"], res["path"])
                body = gzip.decompress(wire) if res["content_encoding"] else wire
                self.assertEqual(hashlib.sha256(body).hexdigest(), res["sha256"], res["path"])
            with self.assertRaises(urllib.error.HTTPError) as missing:
                urlopen(base + "/favicon.ico")
            self.assertEqual(missing.exception.code, 404)
            etag = self.by_path["/photo.jpg"]
            req = urllib.request.Request(base + "/photo.jpg",
                                         headers={"If-None-Match": '"%s"' % etag["wire_sha256"][:16]})
            with self.assertRaises(urllib.error.HTTPError) as unchanged:
                urlopen(req)
            self.assertEqual(unchanged.exception.code, 304)
            missing.exception.close()
            unchanged.exception.close()
        finally:
            server.shutdown()
            server.server_close()

    def test_serve_script_with_port_zero_prints_its_address(self):
        proc = subprocess.Popen([sys.executable, os.path.join(HERE, "serve.py"), self.site, "0"],
                                stdout=subprocess.PIPE, text=True)
        try:
            base = proc.stdout.readline().strip()
            self.assertRegex(base, r"^http://127\.0\.0\.1:[1-9][0-9]*$")
            with urlopen(base + "/") as reply:
                self.assertEqual(hashlib.sha256(reply.read()).hexdigest(),
                                 self.by_path["/index.html"]["sha256"])
        finally:
            proc.terminate()
            proc.wait(10)
            proc.stdout.close()


class BenchSiteTest(unittest.TestCase):
    def test_pictures_are_distinct_valid_and_all_on_pages(self):
        with tempfile.TemporaryDirectory() as tmp:
            site = os.path.join(tmp, "site")
            manifest = fill_bench_cache.build(site, 120, 25)
            pictures = [r for r in manifest["resources"] if r["kind"] == "picture"]
            self.assertEqual(len(pictures), 120)
            self.assertEqual(len(manifest["browse"]), 5)
            self.assertEqual(len({r["sha256"] for r in pictures}), 120)
            kinds = set()
            for res in pictures:
                with open(os.path.join(site, res["file"]), "rb") as f:
                    data = f.read()
                kind, size = header_size(data)
                kinds.add(kind.split("-")[0])
                self.assertEqual(size, (res["width"], res["height"]), res["path"])
                self.assertEqual(len(res["shown_on"]), 1)
            self.assertEqual(kinds, {"gif", "png", "jpeg"})
            on_pages = set()
            for page in manifest["browse"]:
                with open(os.path.join(site, page.lstrip("/")), "rb") as f:
                    on_pages.update("/" + src for src, href in anchored_images(f.read()) if href)
            self.assertEqual(on_pages, {r["path"] for r in pictures})
            # Originals are only the material for the copies; they are not served.
            self.assertFalse(any(n.endswith((".jpg", ".gif")) for n in os.listdir(site)))


class FailedFillTest(unittest.TestCase):
    """A browser that leaves nothing must stop the fill, loudly, without a caches.json."""

    def fill(self, env_name, fake, browser):
        with tempfile.TemporaryDirectory() as tmp:
            out = os.path.join(tmp, "out")
            os.makedirs(out)
            with open(os.path.join(out, "caches.json"), "w") as f:
                f.write("{}")  # left over from an earlier fill
            env = dict(os.environ, **{env_name: fake})
            res = subprocess.run([sys.executable, os.path.join(HERE, "fill_caches.py"),
                                  "--site", os.path.join(tmp, "site"), "--out", out,
                                  "--browsers", browser],
                                 env=env, capture_output=True, text=True, timeout=180)
            return res, os.path.exists(os.path.join(out, "caches.json"))

    def test_chromium_that_exits_at_once(self):
        res, has_json = self.fill("QUILLO_CHROMIUM", "/bin/true", "chromium")
        self.assertEqual(res.returncode, 1)
        self.assertIn("fill_caches: chromium", res.stderr)
        self.assertEqual(res.stdout.count("attempt"), 2, res.stdout)
        self.assertFalse(has_json)

    def test_firefox_that_exits_at_once(self):
        res, has_json = self.fill("QUILLO_FIREFOX", "/bin/true", "firefox")
        self.assertEqual(res.returncode, 1)
        self.assertIn("fill_caches: firefox exited early", res.stderr)
        self.assertFalse(has_json)

    def test_unknown_browser_is_refused(self):
        res = subprocess.run([sys.executable, os.path.join(HERE, "fill_caches.py"), "--site", "x",
                              "--out", "y", "--browsers", "netscape"],
                             capture_output=True, text=True, timeout=60)
        self.assertEqual(res.returncode, 2)
        self.assertIn("netscape", res.stderr)


if __name__ == "__main__":
    unittest.main()
