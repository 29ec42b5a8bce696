#!/usr/bin/env python3
"""Check that the caches named by caches.json really hold the site.

    check_caches.py CACHES_JSON

For every resource of the manifest (every picture at least), each browser's
cache must have an entry file that carries the resource's URL, the bytes that
went over the wire, and the end marker a finished entry has (Chromium: the
final EOF magic; Firefox: a metadata offset inside the file and the format
version before it). It reads the raw files only, so it holds whatever reader
the engine grows.
"""

import json
import os
import struct
import sys

CHROMIUM_FINAL_MAGIC = bytes.fromhex("d8410d97456ffaf4")


def chromium_files(cache_dir):
    if not os.path.isdir(cache_dir):
        return []
    return [os.path.join(cache_dir, n) for n in sorted(os.listdir(cache_dir)) if n.endswith("_0")]


def firefox_files(cache_dir):
    entries = os.path.join(cache_dir, "entries")
    if not os.path.isdir(entries):
        return []
    return [os.path.join(entries, n) for n in sorted(os.listdir(entries))]


def chromium_finished(data):
    return len(data) >= 48 and data[-24:-16] == CHROMIUM_FINAL_MAGIC


def firefox_finished(data):
    if len(data) < 8:
        return False
    version, offset = struct.unpack(">II", data[-8:])
    return version == 4 and (offset & 0x7FFFFFFF) < len(data) - 8


def chromium_holds(data, url, body):
    # The key ends with the URL and the body follows it at once.
    return data.find(b" " + url + body) >= 0 and chromium_finished(data)


def firefox_holds(data, url, body):
    # The body opens the file; the key comes after it, ended by a NUL.
    return data.startswith(body) and data.find(b":" + url + b"\x00") >= 0 and firefox_finished(data)


BROWSERS = {
    "chromium": (chromium_files, chromium_holds),
    "firefox": (firefox_files, firefox_holds),
}


def check(caches):
    """The list of problems; empty when every cache holds every resource."""
    problems = []
    manifest = caches["manifest"]
    base = caches["base_url"].encode()
    site = caches["site_dir"]
    if not caches["caches"]:
        problems.append("caches.json names no browser cache")
    for name, where in sorted(caches["caches"].items()):
        list_files, holds = BROWSERS[name]
        files = list_files(where["cache_dir"])
        if not files:
            problems.append("%s: no entry files in %s" % (name, where["cache_dir"]))
            continue
        contents = []
        for path in files:
            with open(path, "rb") as f:
                contents.append(f.read())
        for res in manifest["resources"]:
            with open(os.path.join(site, res["file"]), "rb") as f:
                body = f.read()
            url = base + res["path"].encode()
            if not any(holds(data, url, body) for data in contents):
                with_url = sum(1 for data in contents if url in data)
                problems.append("%s: no finished entry with the body of %s (%d file(s) name it)"
                                % (name, url.decode(), with_url))
    return problems


def main(argv):
    if len(argv) != 2:
        print("usage: check_caches.py CACHES_JSON", file=sys.stderr)
        return 2
    with open(argv[1]) as f:
        caches = json.load(f)
    problems = check(caches)
    for p in problems:
        print("check_caches: " + p, file=sys.stderr)
    if problems:
        return 1
    count = len(caches["manifest"]["resources"])
    print("check_caches: %s hold all %d resources" % (", ".join(sorted(caches["caches"])), count))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
