#!/usr/bin/env python3
"""The cache check against the filled caches, and against damaged copies of
them: a torn or missing entry must be named, or the sanity test proves nothing.

    test_check_caches.py CACHES_JSON [unittest options]
"""

import json
import os
import shutil
import subprocess
import sys
import tempfile
import unittest

HERE = os.path.dirname(os.path.abspath(__file__))
CACHES_JSON = None


class CheckCachesTest(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        with open(CACHES_JSON) as f:
            cls.caches = json.load(f)
        cls.base = cls.caches["base_url"]

    def setUp(self):
        self.tmp = tempfile.TemporaryDirectory()
        self.addCleanup(self.tmp.cleanup)

    def copy(self):
        """The caches copied into the temp folder, and the copy's caches.json."""
        caches = json.loads(json.dumps(self.caches))
        for name, where in caches["caches"].items():
            dest = os.path.join(self.tmp.name, name)
            shutil.copytree(where["cache_dir"], dest)
            where["cache_dir"] = dest
        path = os.path.join(self.tmp.name, "caches.json")
        with open(path, "w") as f:
            json.dump(caches, f)
        return caches, path

    def entry_file(self, caches, browser, url_path):
        where = caches["caches"][browser]
        url = self.base + url_path
        for e in where["entries"]:
            if e["key"] and e["key"].endswith(url):
                return os.path.join(where["cache_dir"], e["file"])
        self.fail("caches.json lists no %s entry for %s" % (browser, url))

    def run_check(self, path):
        return subprocess.run([sys.executable, os.path.join(HERE, "check_caches.py"), path],
                              capture_output=True, text=True, timeout=120)

    def test_filled_caches_pass(self):
        res = self.run_check(CACHES_JSON)
        self.assertEqual(res.returncode, 0, res.stderr)
        self.assertIn("hold all", res.stdout)

    def test_both_browsers_and_every_picture_are_listed(self):
        self.assertEqual(sorted(self.caches["caches"]), ["chromium", "firefox"])
        pictures = [r["path"] for r in self.caches["manifest"]["resources"] if r["kind"] == "picture"]
        for browser in ("chromium", "firefox"):
            for path in pictures:
                self.assertTrue(os.path.exists(self.entry_file(self.caches, browser, path)))

    def test_torn_chromium_entry_is_named(self):
        caches, path = self.copy()
        victim = self.entry_file(caches, "chromium", "/photo.jpg")
        with open(victim, "r+b") as f:
            f.truncate(os.path.getsize(victim) - 100)
        res = self.run_check(path)
        self.assertEqual(res.returncode, 1)
        self.assertIn("chromium: no finished entry with the body of %s/photo.jpg" % self.base,
                      res.stderr)
        self.assertNotIn("firefox", res.stderr)

    def test_missing_firefox_entry_is_named(self):
        caches, path = self.copy()
        os.remove(self.entry_file(caches, "firefox", "/gzonly.png"))
        res = self.run_check(path)
        self.assertEqual(res.returncode, 1)
        self.assertIn("firefox: no finished entry with the body of %s/gzonly.png (0 file(s) name it)"
                      % self.base, res.stderr)

    def test_firefox_entry_with_another_body_is_named(self):
        caches, path = self.copy()
        victim = self.entry_file(caches, "firefox", "/banner.gif")
        with open(victim, "r+b") as f:
            f.write(b"XXXX")
        res = self.run_check(path)
        self.assertEqual(res.returncode, 1)
        self.assertIn("firefox: no finished entry with the body of %s/banner.gif (1 file(s) name it)"
                      % self.base, res.stderr)

    def test_empty_cache_folder_is_named(self):
        caches, path = self.copy()
        entries = os.path.join(caches["caches"]["firefox"]["cache_dir"], "entries")
        shutil.rmtree(entries)
        os.makedirs(entries)
        res = self.run_check(path)
        self.assertEqual(res.returncode, 1)
        self.assertIn("firefox: no entry files in", res.stderr)


if __name__ == "__main__":
    if len(sys.argv) < 2:
        print("usage: test_check_caches.py CACHES_JSON", file=sys.stderr)
        sys.exit(2)
    CACHES_JSON = os.path.abspath(sys.argv.pop(1))
    unittest.main()
