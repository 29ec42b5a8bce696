#!/usr/bin/env python3
"""Fill real Chromium and Firefox disk caches from a site served on 127.0.0.1.

    fill_caches.py --site SITE --out DIR [--browsers chromium,firefox] [--pages N]

SITE is made with make_site.py first when it holds no manifest.json (or
always, with --make-site). Each
browser gets a fresh profile under DIR, visits the site's pages (the first N
of the manifest's browse list when --pages is given) and quits cleanly; then
every served resource must have a whole entry in its cache, or the browser is
run once more from scratch, and after that the fill fails. DIR/caches.json
says where the caches are, which base URL (with its port) the pages came from,
and carries the site manifest.
"""

import argparse
import json
import os
import shutil
import sys
import time

# Keep the source tree free of __pycache__ folders.
sys.dont_write_bytecode = True
sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
import browsers  # noqa: E402
import cachescan  # noqa: E402
import make_site  # noqa: E402
import serve  # noqa: E402

ATTEMPTS = 2


def chromium_cache_dir(out):
    return os.path.join(out, "chromium-cache", "Default", "Cache", "Cache_Data")


def firefox_cache_dir(out):
    return os.path.join(out, "firefox-profile", "cache2")


def fill_chromium(out, urls):
    browsers.fresh(os.path.join(out, "chromium-profile"), os.path.join(out, "chromium-cache"))
    browsers.run_chromium(urls, os.path.join(out, "chromium-profile"),
                          os.path.join(out, "chromium-cache"), os.path.join(out, "home"),
                          os.path.join(out, "chromium.log"))
    return cachescan.chromium_entries(chromium_cache_dir(out))


def fill_firefox(out, urls):
    browsers.fresh(os.path.join(out, "firefox-profile"))
    browsers.run_firefox(urls, os.path.join(out, "firefox-profile"), os.path.join(out, "home"),
                         os.path.join(out, "firefox.log"))
    return cachescan.firefox_entries(firefox_cache_dir(out))


FILLERS = {"chromium": fill_chromium, "firefox": fill_firefox}


def check(name, entries, wanted):
    """Why the cache is not good enough, or None."""
    if not entries:
        return "%s left no cache entries" % name
    missing, torn = cachescan.missing_urls(entries, wanted)
    if torn:
        return "%s left %d unfinished entries, e.g. %s" % (name, len(torn), torn[0].file)
    if missing:
        return "%s cached no whole entry for %s" % (name, ", ".join(missing))
    return None


def fill_one(name, out, urls, wanted, log=print):
    """Run one browser, once more on failure; returns its entries or raises."""
    problem = None
    for attempt in range(1, ATTEMPTS + 1):
        started = time.monotonic()
        try:
            entries = FILLERS[name](out, urls)
            problem = check(name, entries, wanted)
        # A browser that dies mid-answer shows up as any of these.
        except (browsers.BrowserError, OSError, ValueError, KeyError) as e:
            problem = str(e)
        took = time.monotonic() - started
        if problem is None:
            log("%s: %d entries in %.1f s" % (name, len(entries), took))
            return entries
        log("%s: attempt %d failed after %.1f s: %s" % (name, attempt, took, problem))
    raise browsers.BrowserError(problem)


def load_or_make_site(site, afresh):
    if afresh:
        shutil.rmtree(site, ignore_errors=True)
    if afresh or not os.path.exists(os.path.join(site, "manifest.json")):
        make_site.build(site)
    with open(os.path.join(site, "manifest.json")) as f:
        return json.load(f)


def describe(entries, cache_dir):
    return [{"file": os.path.relpath(e.file, cache_dir), "key": e.key} for e in entries]


def write_caches_json(out, site, base_url, filled, manifest):
    caches = {}
    if "chromium" in filled:
        caches["chromium"] = {"cache_dir": chromium_cache_dir(out),
                              "profile_dir": os.path.join(out, "chromium-profile"),
                              "entries": describe(filled["chromium"], chromium_cache_dir(out))}
    if "firefox" in filled:
        caches["firefox"] = {"cache_dir": firefox_cache_dir(out),
                             "profile_dir": os.path.join(out, "firefox-profile"),
                             "entries": describe(filled["firefox"], firefox_cache_dir(out))}
    doc = {"base_url": base_url, "site_dir": site, "caches": caches, "manifest": manifest}
    tmp = os.path.join(out, "caches.json.tmp")
    with open(tmp, "w") as f:
        json.dump(doc, f, indent=1)
    os.replace(tmp, os.path.join(out, "caches.json"))


def parse_args(argv):
    ap = argparse.ArgumentParser(description="Fill real browser disk caches from a local site.")
    ap.add_argument("--site", required=True, help="site folder (made here if it has no manifest.json)")
    ap.add_argument("--out", required=True, help="folder for profiles, caches and caches.json")
    ap.add_argument("--browsers", default="chromium,firefox", help="comma list: chromium,firefox")
    ap.add_argument("--pages", type=int, default=0, help="visit only the first N pages")
    ap.add_argument("--make-site", action="store_true", help="write the site afresh first")
    args = ap.parse_args(argv)
    args.browsers = [b.strip() for b in args.browsers.split(",") if b.strip()]
    unknown = [b for b in args.browsers if b not in FILLERS]
    if unknown or not args.browsers:
        ap.error("unknown browser(s): %s" % ", ".join(unknown or ["(none)"]))
    return args


def main(argv):
    args = parse_args(argv)
    out = os.path.abspath(args.out)
    site = os.path.abspath(args.site)
    os.makedirs(out, exist_ok=True)
    # A caches.json left from an earlier fill must not outlive a failed one.
    for stale in ("caches.json", "chromium.log", "firefox.log"):
        if os.path.exists(os.path.join(out, stale)):
            os.remove(os.path.join(out, stale))
    manifest = load_or_make_site(site, args.make_site)
    browse = manifest["browse"][:args.pages] if args.pages > 0 else manifest["browse"]
    server, base_url = serve.start(site)
    started = time.monotonic()
    try:
        urls = [base_url + p for p in browse]
        wanted = [base_url + r["path"] for r in manifest["resources"]] if args.pages <= 0 else urls
        filled = {name: fill_one(name, out, urls, wanted) for name in args.browsers}
    except browsers.BrowserError as e:
        print("fill_caches: %s" % e, file=sys.stderr)
        return 1
    finally:
        server.shutdown()
        server.server_close()
    write_caches_json(out, site, base_url, filled, manifest)
    print("fill_caches: done in %.1f s, %s" % (time.monotonic() - started,
                                              os.path.join(out, "caches.json")))
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
