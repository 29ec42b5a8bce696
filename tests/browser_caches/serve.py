#!/usr/bin/env python3
"""Serve a site written by make_site.py (or fill_bench_cache.py) on 127.0.0.1.

    serve.py SITE PORT        PORT 0 picks a free port; the first stdout line
                              is then "http://127.0.0.1:<port>"

Only the resources named in SITE/manifest.json are served, with the headers a
browser needs to keep them in its disk cache for an hour (Cache-Control,
Last-Modified, ETag, Content-Length); a gzip page goes out as stored, with
Content-Encoding: gzip. Anything else is a 404.
"""

import email.utils
import http.server
import json
import os
import sys
import threading

# One fixed date, so two fills of the same site store the same headers.
LAST_MODIFIED = email.utils.formatdate(1700000000, usegmt=True)


def load_routes(site):
    with open(os.path.join(site, "manifest.json")) as f:
        manifest = json.load(f)
    routes = {}
    for res in manifest["resources"]:
        routes[res["path"]] = {
            "file": os.path.join(site, res["file"]),
            "type": res["content_type"],
            "encoding": res.get("content_encoding"),
            "etag": '"%s"' % res["wire_sha256"][:16],
        }
    return routes


class Handler(http.server.BaseHTTPRequestHandler):
    protocol_version = "HTTP/1.1"
    routes = {}

    def log_message(self, fmt, *args):
        pass

    def do_HEAD(self):
        self.answer(send_body=False)

    def do_GET(self):
        self.answer(send_body=True)

    def answer(self, send_body):
        path = self.path.split("?", 1)[0].split("#", 1)[0]
        if path == "/":
            path = "/index.html"
        route = self.routes.get(path)
        if route is None:
            self.send_error(404)
            return
        if self.headers.get("If-None-Match") == route["etag"]:
            self.send_response(304)
            self.send_common(route)
            self.end_headers()
            return
        with open(route["file"], "rb") as f:
            body = f.read()
        self.send_response(200)
        self.send_header("Content-Type", route["type"])
        if route["encoding"]:
            self.send_header("Content-Encoding", route["encoding"])
        self.send_header("Content-Length", str(len(body)))
        self.send_common(route)
        self.end_headers()
        if send_body:
            self.wfile.write(body)

    def send_common(self, route):
        self.send_header("Cache-Control", "max-age=3600")
        self.send_header("Last-Modified", LAST_MODIFIED)
        self.send_header("ETag", route["etag"])


class Server(http.server.ThreadingHTTPServer):
    daemon_threads = True
    # Chromium opens six connections at once per host; the bench pages open more.
    request_queue_size = 64


def start(site, port=0):
    """Start serving in a background thread; returns (server, base_url)."""
    handler = type("SiteHandler", (Handler,), {"routes": load_routes(site)})
    server = Server(("127.0.0.1", port), handler)
    threading.Thread(target=server.serve_forever, daemon=True).start()
    return server, "http://127.0.0.1:%d" % server.server_address[1]


def main(argv):
    if len(argv) != 3:
        print("usage: serve.py SITE PORT", file=sys.stderr)
        return 2
    handler = type("SiteHandler", (Handler,), {"routes": load_routes(argv[1])})
    server = Server(("127.0.0.1", int(argv[2])), handler)
    print("http://127.0.0.1:%d" % server.server_address[1], flush=True)
    try:
        server.serve_forever()
    except KeyboardInterrupt:
        pass
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
