#!/usr/bin/env python3
"""Fill a real Chromium disk cache with a couple of thousand pictures, for the benchmark.

    fill_bench_cache.py --out DIR [--entries 2000] [--per-page 50] [--browsers chromium]

Writes DIR/site (distinct pictures, pages of anchored thumbnails, manifest.json),
lets headless Chromium browse every page, and leaves DIR/caches.json in the
same shape fill_caches.py writes. The pictures are PNGs drawn here and JPEGs and
GIFs cut from a few ImageMagick originals, each made unique with a comment, so
every file is a valid picture with its own bytes; a few are some hundred KB.
"""

import argparse
import json
import os
import random
import shutil
import struct
import subprocess
import sys
import time
import zlib

# Keep the source tree free of __pycache__ folders.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browsers  # noqa: E402
import fill_caches  # noqa: E402
import make_site  # noqa: E402
import serve  # noqa: E402

# Originals for the JPEG and GIF copies: name, convert arguments, weight.
ORIGINALS = [
    ("small.jpg", ["-seed", "21", "-size", "160x120", "plasma:fractal", "-quality", "80"], 30),
    ("wide.jpg", ["-seed", "22", "-size", "640x200", "plasma:fractal", "-quality", "85",
                  "-interlace", "JPEG"], 20),
    ("photo.jpg", ["-seed", "23", "-size", "400x300", "plasma:fractal", "-quality", "88"], 20),
    # The few large ones: noise keeps the encoder from shrinking them.
    ("large.jpg", ["-seed", "24", "-size", "900x700", "plasma:fractal", "-attenuate", "0.6",
                   "+noise", "Gaussian", "-quality", "90"], 2),
    ("banner.gif", ["-size", "468x60", "gradient:navy-orange", "-colors", "64"], 10),
    ("icon.gif", ["-seed", "25", "-size", "48x48", "plasma:fractal", "-colors", "32"], 10),
]
PNG_WEIGHT = 40


def png_chunk(kind, data):
    return (struct.pack(">I", len(data)) + kind + data
            + struct.pack(">I", zlib.crc32(kind + data) & 0xFFFFFFFF))


def draw_png(rng, index):
    """An RGB PNG of random size: stripes, with noise on some so sizes spread."""
    width, height = rng.randint(8, 320), rng.randint(8, 240)
    noisy = rng.random() < 0.3
    base = bytes(rng.randrange(256) for _ in range(3))
    rows = []
    for y in range(height):
        if noisy:
            row = rng.randbytes(width * 3)
        else:
            shade = bytes((c + y * 3 + index) % 256 for c in base)
            row = shade * width
        rows.append(b"\0" + row)
    ihdr = struct.pack(">IIBBBBB", width, height, 8, 2, 0, 0, 0)
    data = (b"\x89PNG\r\n\x1a\n" + png_chunk(b"IHDR", ihdr)
            + png_chunk(b"tEXt", b"Comment\0bench picture %d" % index)
            + png_chunk(b"IDAT", zlib.compress(b"".join(rows), 6)) + png_chunk(b"IEND", b""))
    return data, width, height


def jpeg_copy(original, index):
    # A COM segment right after SOI keeps the JPEG valid and makes it unique.
    text = b"bench picture %d" % index
    return original[:2] + b"\xff\xfe" + struct.pack(">H", len(text) + 2) + text + original[2:]


def gif_copy(original, index):
    # A comment extension after the global colour table, before the first image.
    flags = original[10]
    table = 3 * (2 << (flags & 7)) if flags & 0x80 else 0
    at = 13 + table
    text = b"bench picture %d" % index
    return original[:at] + b"\x21\xfe" + bytes([len(text)]) + text + b"\x00" + original[at:]


def make_originals(work):
    originals = {}
    for name, args, _ in ORIGINALS:
        path = os.path.join(work, name)
        subprocess.run([make_site.CONVERT, *args, "-strip", path], check=True)
        with open(path, "rb") as f:
            originals[name] = (f.read(), make_site.pixel_size(path))
    return originals


def pick_kind(rng):
    choices = [("png", PNG_WEIGHT)] + [(name, weight) for name, _, weight in ORIGINALS]
    total = sum(w for _, w in choices)
    roll = rng.uniform(0, total)
    for kind, weight in choices:
        roll -= weight
        if roll <= 0:
            return kind
    return "png"


def make_picture(rng, index, originals):
    kind = pick_kind(rng)
    if kind == "png":
        data, w, h = draw_png(rng, index)
        return "p%04d.png" % index, "image/png", data, w, h
    original, (w, h) = originals[kind]
    if kind.endswith(".gif"):
        return "g%04d.gif" % index, "image/gif", gif_copy(original, index), w, h
    return "j%04d.jpg" % index, "image/jpeg", jpeg_copy(original, index), w, h


def page_name(n):
    return "page%03d.html" % n


def build(site, entries, per_page, seed=1):
    shutil.rmtree(site, ignore_errors=True)
    os.makedirs(os.path.join(site, "pics"))
    rng = random.Random(seed)
    originals = make_originals(site)
    resources, pictures = [], []
    for i in range(entries):
        name, ctype, data, w, h = make_picture(rng, i, originals)
        with open(os.path.join(site, "pics", name), "wb") as f:
            f.write(data)
        res = make_site.resource("/pics/" + name, "pics/" + name, ctype, data, data)
        res.update(kind="picture", width=w, height=h, shown_on=[])
        resources.append(res)
        pictures.append(res)
    pages = (entries + per_page - 1) // per_page
    browse = []
    for n in range(pages):
        lines = []
        for j, res in enumerate(pictures[n * per_page:(n + 1) * per_page]):
            href = "%s#%d" % (page_name((n + 1) % pages), j)
            res["shown_on"].append({"page": "/" + page_name(n), "href": href,
                                    "target": "/" + page_name((n + 1) % pages)})
            lines.append("<a href=\"%s\"><img src=\"%s\" width=\"%d\" height=\"%d\"></a>\n"
                         % (href, res["path"].lstrip("/"), res["width"], res["height"]))
        body = make_site.page_html(page_name(n), "".join(lines))
        with open(os.path.join(site, page_name(n)), "wb") as f:
            f.write(body)
        res = make_site.resource("/" + page_name(n), page_name(n), "text/html; charset=utf-8",
                                 body, body)
        res["kind"] = "page"
        resources.append(res)
        browse.append("/" + page_name(n))
    for name, _, _ in ORIGINALS:
        os.remove(os.path.join(site, name))
    manifest = {"browse": browse, "resources": resources}
    with open(os.path.join(site, "manifest.json"), "w") as f:
        json.dump(manifest, f, indent=1)
    return manifest


def main(argv):
    ap = argparse.ArgumentParser(description="Fill a Chromium cache with many pictures.")
    ap.add_argument("--out", required=True)
    ap.add_argument("--entries", type=int, default=2000)
    ap.add_argument("--per-page", type=int, default=50)
    ap.add_argument("--browsers", default="chromium")
    args = ap.parse_args(argv)
    out = os.path.abspath(args.out)
    names = [b for b in args.browsers.split(",") if b]
    if not names or any(n not in fill_caches.FILLERS for n in names):
        ap.error("--browsers takes chromium and/or firefox")
    os.makedirs(out, exist_ok=True)
    if os.path.exists(os.path.join(out, "caches.json")):
        os.remove(os.path.join(out, "caches.json"))
    started = time.monotonic()
    site = os.path.join(out, "site")
    manifest = build(site, args.entries, args.per_page)
    made = time.monotonic()
    total = sum(r["size"] for r in manifest["resources"])
    print("fill_bench_cache: %d pictures, %d pages, %.1f MB in %.1f s"
          % (args.entries, len(manifest["browse"]), total / 1e6, made - started))
    server, base_url = serve.start(site)
    try:
        urls = [base_url + p for p in manifest["browse"]]
        wanted = [base_url + r["path"] for r in manifest["resources"]]
        filled = {name: fill_caches.fill_one(name, out, urls, wanted) for name in names}
    except browsers.BrowserError as e:
        print("fill_bench_cache: %s" % e, file=sys.stderr)
        return 1
    finally:
        server.shutdown()
        server.server_close()
    fill_caches.write_caches_json(out, site, base_url, filled, manifest)
    print("fill_bench_cache: done in %.1f s, %s" % (time.monotonic() - started,
                                                   os.path.join(out, "caches.json")))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
