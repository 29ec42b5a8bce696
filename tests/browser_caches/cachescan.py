"""List the entries a browser left in its disk cache, and whether each is whole.

Just enough of the two formats to tell a finished entry from one the browser
was still writing when it died: the fill scripts refuse a cache with torn or
missing entries rather than hand the engine tests a cache that only sometimes
holds what they look for.
"""

import os
import struct

CHROMIUM_INITIAL_MAGIC = 0xFCFB6D1BA7725C30
CHROMIUM_FINAL_MAGIC = 0xF4FA6F45970D41D8
FIREFOX_VERSION = 4


class Entry:
    def __init__(self, file, key, complete, url):
        self.file = file
        self.key = key
        self.complete = complete
        self.url = url

    def __repr__(self):
        return "Entry(%r, %r, complete=%r)" % (os.path.basename(self.file), self.key, self.complete)


def chromium_entry(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 24 + 24 or struct.unpack_from("<Q", data, 0)[0] != CHROMIUM_INITIAL_MAGIC:
        return Entry(path, None, False, None)
    key_len = struct.unpack_from("<I", data, 12)[0]
    key = data[24:24 + key_len].decode("utf-8", "replace")
    tail_magic = struct.unpack_from("<Q", data, len(data) - 24)[0]
    complete = tail_magic == CHROMIUM_FINAL_MAGIC and 24 + key_len + 48 <= len(data)
    return Entry(path, key, complete, key.rsplit(" ", 1)[-1])


def chromium_entries(cache_dir):
    """Every `<hash>_0` file of a Chromium simple cache folder."""
    if not os.path.isdir(cache_dir):
        return []
    names = sorted(n for n in os.listdir(cache_dir) if n.endswith("_0") and len(n) == 18)
    return [chromium_entry(os.path.join(cache_dir, n)) for n in names]


def firefox_entry(path):
    with open(path, "rb") as f:
        data = f.read()
    if len(data) < 8:
        return Entry(path, None, False, None)
    offset = struct.unpack_from(">I", data, len(data) - 4)[0]
    if offset & 0x80000000 or offset >= len(data) - 8:
        return Entry(path, None, False, None)
    chunks = (offset + 262143) // 262144
    header = offset + 4 + 2 * chunks
    if header + 32 > len(data):
        return Entry(path, None, False, None)
    version = struct.unpack_from(">I", data, header)[0]
    key_size = struct.unpack_from(">I", data, header + 24)[0]
    key_at = header + 32
    trailer_version = struct.unpack_from(">I", data, len(data) - 8)[0]
    complete = (version == FIREFOX_VERSION and trailer_version == FIREFOX_VERSION
                and key_at + key_size + 1 <= len(data) - 8 and data[key_at + key_size] == 0)
    key = data[key_at:key_at + key_size].decode("utf-8", "replace") if complete else None
    url = key.split(":", 1)[1] if key and ":" in key else None
    return Entry(path, key, complete, url)


def firefox_entries(cache2_dir):
    """Every file of a Firefox cache2 folder's entries/."""
    entries_dir = os.path.join(cache2_dir, "entries")
    if not os.path.isdir(entries_dir):
        return []
    return [firefox_entry(os.path.join(entries_dir, n)) for n in sorted(os.listdir(entries_dir))]


def missing_urls(entries, urls):
    """The URLs with no complete entry, and the entries that are not complete."""
    have = {e.url for e in entries if e.complete}
    torn = [e for e in entries if not e.complete]
    return [u for u in urls if u not in have], torn
