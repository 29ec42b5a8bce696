#!/usr/bin/env python3
"""Write the small web site that real browsers load to fill their disk caches.

    make_site.py OUT

OUT receives the pages, the pictures (drawn with ImageMagick's convert, so each
format comes from a real encoder) and manifest.json, which tells a cache test
what every served resource must look like once a reader has pulled it out of a
browser cache: its bytes, type, encoding, pixel size, and for a picture the
pages that show it and where the anchor around it points.
"""

import gzip
import hashlib
import json
import os
import subprocess
import sys

CONVERT = os.environ.get("QUILLO_CONVERT", "convert")
IDENTIFY = os.environ.get("QUILLO_IDENTIFY", "identify")

# Every picture: (file, content type, width, height, convert arguments before
# the output name). Seeds keep the noise the same on every run, so a failing
# test can be rerun against identical bytes.
PICTURES = [
    ("banner.gif", "image/gif", 468, 60,
     ["-size", "468x60", "gradient:navy-orange",
      "-fill", "yellow", "-draw", "rectangle 20,10 120,50",
      "-fill", "white", "-draw", "circle 400,30 420,30", "-colors", "32"]),
    ("logo.png", "image/png", 120, 90,
     ["-seed", "11", "-size", "120x90", "plasma:fractal", "-depth", "8",
      "-define", "png:exclude-chunks=date,time"]),
    ("photo.jpg", "image/jpeg", 320, 240,
     ["-seed", "12", "-size", "320x240", "plasma:fractal",
      "-quality", "85", "-interlace", "none"]),
    ("progressive.jpg", "image/jpeg", 400, 300,
     ["-seed", "13", "-size", "400x300", "plasma:fractal",
      "-quality", "80", "-interlace", "JPEG"]),
    ("photo.webp", "image/webp", 240, 180,
     ["-seed", "14", "-size", "240x180", "plasma:fractal",
      "-quality", "75", "-define", "webp:lossless=false"]),
    ("photo.avif", "image/avif", 160, 120,
     ["-seed", "15", "-size", "160x120", "plasma:fractal", "-quality", "60"]),
    # Above 256 KiB so Firefox splits it into two hashed chunks.
    ("medium.jpg", "image/jpeg", 800, 600,
     ["-seed", "16", "-size", "800x600", "plasma:fractal",
      "-attenuate", "0.6", "+noise", "Gaussian",
      "-quality", "92", "-interlace", "JPEG"]),
    ("gzonly.png", "image/png", 96, 96,
     ["-size", "96x96", "radial-gradient:white-darkgreen", "-depth", "8",
      "-define", "png:exclude-chunks=date,time"]),
]

# Where each picture is shown: page -> [(picture, anchor href or None)].
PAGES = {
    "index.html": [
        ("banner.gif", "target1.html"),
        ("photo.jpg", "target2.html"),
        ("progressive.jpg", "target3.html"),
        ("logo.png", "other.html"),
    ],
    "other.html": [
        ("photo.webp", "target1.html"),
        ("photo.avif", "target2.html"),
        ("banner.gif", "index.html"),
        ("medium.jpg", None),
    ],
    "gz.html": [
        ("gzonly.png", "target3.html"),
    ],
}
TEXT_LINKS = {
    "index.html": ["gz.html"],
    "other.html": [],
    "gz.html": ["index.html"],
}
TARGETS = ["target1.html", "target2.html", "target3.html"]
GZIP_PAGES = {"gz.html"}
# The order a browser visits the pages in; target pages last, they add no picture.
BROWSE = ["index.html", "other.html", "gz.html"] + TARGETS


def page_html(name, body):
    return ("<!DOCTYPE html>\n<html><head><meta charset=\"utf-8\">"
            f"<title>{name}</title><link rel=\"icon\" href=\"data:,\"></head>\n"
            f"<body>\n<h1>{name}</h1>\n{body}</body></html>\n").encode()


def picture_page(name, pictures, sizes):
    lines = []
    for pic, href in pictures:
        w, h = sizes[pic]
        img = f"<img src=\"{pic}\" width=\"{w}\" height=\"{h}\" alt=\"{pic}\">"
        lines.append(f"<p><a href=\"{href}\">{img}</a></p>\n" if href else f"<p>{img}</p>\n")
    for href in TEXT_LINKS[name]:
        lines.append(f"<p><a href=\"{href}\">{href}</a></p>\n")
    # Filler text makes the compressed page worth compressing.
    if name in GZIP_PAGES:
        lines.append("<p>" + "Compressed page for the cache test. " * 40 + "</p>\n")
    return page_html(name, "".join(lines))


def draw(out, name, args):
    path = os.path.join(out, name)
    subprocess.run([CONVERT, *args, "-strip", path], check=True)
    return path


def pixel_size(path):
    res = subprocess.run([IDENTIFY, "-format", "%w %h\n", path],
                         check=True, capture_output=True, text=True)
    w, h = res.stdout.split("\n")[0].split()
    return int(w), int(h)


def sha256(data):
    return hashlib.sha256(data).hexdigest()


def resource(path, file, ctype, body, wire, encoding=None):
    return {
        "path": path,
        "file": file,
        "content_type": ctype,
        "content_encoding": encoding,
        "sha256": sha256(body),
        "size": len(body),
        "wire_sha256": sha256(wire),
        "wire_size": len(wire),
    }


def build(out):
    os.makedirs(out, exist_ok=True)
    resources = []
    sizes = {}
    for name, ctype, w, h, args in PICTURES:
        path = draw(out, name, args)
        got = pixel_size(path)
        if got != (w, h):
            raise SystemExit(f"make_site: {name} came out {got}, wanted {(w, h)}")
        sizes[name] = got
        with open(path, "rb") as f:
            data = f.read()
        res = resource("/" + name, name, ctype, data, data)
        res.update(kind="picture", width=w, height=h, shown_on=[])
        resources.append(res)

    by_path = {r["path"]: r for r in resources}
    for page, pictures in PAGES.items():
        for pic, href in pictures:
            by_path["/" + pic]["shown_on"].append({
                "page": "/" + page,
                "href": href,
                "target": "/" + href if href else None,
            })

    pages = {name: picture_page(name, pics, sizes) for name, pics in PAGES.items()}
    for t in TARGETS:
        pages[t] = page_html(t, "<p><a href=\"index.html\">back</a></p>\n")
    for name in BROWSE:
        body = pages[name]
        if name in GZIP_PAGES:
            wire = gzip.compress(body, compresslevel=9, mtime=0)
            file = name + ".gz"
            encoding = "gzip"
        else:
            wire, file, encoding = body, name, None
        with open(os.path.join(out, file), "wb") as f:
            f.write(wire)
        res = resource("/" + name, file, "text/html; charset=utf-8", body, wire, encoding)
        res["kind"] = "page"
        resources.append(res)

    manifest = {
        "browse": ["/" + p for p in BROWSE],
        "resources": resources,
    }
    with open(os.path.join(out, "manifest.json"), "w") as f:
        json.dump(manifest, f, indent=1)
    return manifest


def main(argv):
    if len(argv) != 2:
        print("usage: make_site.py OUT", file=sys.stderr)
        return 2
    build(argv[1])
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
