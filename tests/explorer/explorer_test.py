#!/usr/bin/python3
"""The explorer page in a real headless Chromium: the page of a tree of awkward names made by
dorvantile-cli, its links, tree, table, fragment, search and keyboard.
Usage: explorer_test.py DORVANTILE_CLI   (Debian's python3-selenium and chromium-driver)"""
import fnmatch, os, subprocess, sys, tempfile, time, unittest, urllib.parse
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

CLI = os.path.abspath(sys.argv.pop(1))
# Markup, entities, URL delimiters, control characters, bytes that are not UTF-8 (stray, cut
# short, overlong, surrogates, past U+10FFFF), letters outside ASCII and outside the BMP, and
# names that try to end the data's element.
NAMES = [b"<img src=x onerror=window.injected=1>.txt", b'a&b "q" \'s\'.txt', b"caf\xe9",
         b"\x01ctl\x1f\x7f", b"100% #1?.txt", b"two  spaces", "日本語.TXT".encode(),
         "Ärger.txt".encode(), b"<!--<script>window.injected=2", b"back\\slash",
         "emoji \U0001F600.txt".encode(), b"Notes.TXT", b"\xed\xa0\x80half", b"cut\xe6\x97",
         b"\xc0\xafover\xf4\x90\x80\x80long\xf0\x9f\x98"]
FOLDERS = [b"Sub", b"Sub/Deeper/Deepest", b"Folder & <b>", b"bad\xff<i>", b"Many"]


def shown(name):
    return "".join("?" if ord(ch) < 32 or ord(ch) == 127 else ch
                   for ch in name.decode("utf-8", "replace"))


class ExplorerPage(unittest.TestCase):
    @classmethod
    def setUpClass(cls):
        cls.temp = tempfile.TemporaryDirectory()
        root = cls.root = os.path.join(cls.temp.name, "tree & <root>").encode()
        for folder in FOLDERS:
            os.makedirs(os.path.join(root, folder))
        for folder in [b""] + FOLDERS[:-1]:
            for name in NAMES:
                with open(os.path.join(root, folder, name), "wb") as f:
                    f.write(b"x")
        for i in range(3000):  # of 0 to 9 bytes
            with open(os.path.join(root, b"Many", b"f%04d" % i), "wb") as f:
                f.write(b"x" * (i % 10))
        os.utime(os.path.join(root, b"Notes.TXT"), (0, 1700000000))
        open(os.path.join(root, b".hidden"), "wb").close()
        os.symlink(b"nowhere", os.path.join(root, b"dangling"))
        page = os.path.join(cls.temp.name, "Explorer.html")
        subprocess.run([CLI, "--format", "explorer", "--output", page, root], check=True)
        cls.url = "file://" + urllib.parse.quote(page)
        options = webdriver.ChromeOptions()
        for argument in ["--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                         "--window-size=1200,800"]:
            options.add_argument(argument)
        options.set_capability("goog:loggingPrefs", {"browser": "ALL"})
        cls.browser = webdriver.Chrome(service=Service("/usr/bin/chromedriver"), options=options)

    @classmethod
    def tearDownClass(cls):
        cls.browser.quit()
        cls.temp.cleanup()

    def setUp(self):
        self.browser.get(self.url)

    def tearDown(self):
        errors = [e for e in self.browser.get_log("browser") if e["level"] == "SEVERE"]
        self.assertEqual(errors, [])

    def js(self, script, *arguments):
        return self.browser.execute_script(script, *arguments)

    def open(self, folder):
        """Shows `folder` as a link to it would, once its hashchange has been handled."""
        self.js("location.hash = arguments[0]; dispatchEvent(new HashChangeEvent('hashchange'))",
                urllib.parse.quote(folder, safe="/~"))

    def rows(self, selector="#grid .body .row"):
        """The texts of the rows that are shown, from the top."""
        return self.js("return [...document.querySelectorAll(arguments[0])]"
                       ".filter(r => r.checkVisibility())"
                       ".sort((a, b) => a.getBoundingClientRect().top - b.getBoundingClientRect().top)"
                       ".map(r => r.textContent)", selector)

    def links(self):
        return self.js("return [...document.querySelectorAll('#grid .body .row a')]"
                       ".filter(a => a.checkVisibility()).sort((a, b) => "
                       "a.getBoundingClientRect().top - b.getBoundingClientRect().top)"
                       ".map(a => [a.href, a.textContent])")

    def listed(self, folder):
        path = os.path.join(self.root, folder)
        return [n for n in os.listdir(path) if not n.startswith(b".")
                and os.path.isfile(os.path.join(path, n)) or n == b"dangling"]

    def test_every_link_opens_its_file_and_every_name_is_shown_right(self):
        self.assertEqual(self.js("return document.querySelectorAll('img, b, i').length"), 0)
        for folder in [b""] + FOLDERS[:-1]:
            self.open(folder)
            self.assertEqual(self.browser.find_element(By.CSS_SELECTOR, "#pathbar .here").text,
                             shown(os.path.basename(folder) or self.root))
            expected = sorted((os.path.join(self.root, folder, n), shown(n))
                              for n in self.listed(folder))
            got = sorted((urllib.parse.unquote_to_bytes(href[len("file://"):]), text)
                         for href, text in self.links())
            self.assertEqual(got, expected, folder)
        self.assertIsNone(self.js("return window.injected"))
        self.open(b"")
        notes = [r for r in self.rows() if r.startswith("Notes.TXT")]
        self.assertEqual(notes, ["Notes.TXT1" + time.strftime("%Y-%m-%d %H:%M",
                                                              time.localtime(1700000000))])

    def test_tree_sort_fragment_and_only_the_rows_in_view(self):
        tree = self.rows("#tree .row")
        self.assertEqual(len(tree), 5)  # the chosen folder and its four sub-folders
        files = len(NAMES) * len(FOLDERS) + 3001
        self.assertIn("%s \u00b7 " % format(files, ","), tree[0])
        self.assertIn("Many3,000 \u00b7 ", tree[3])
        self.browser.find_element(By.CSS_SELECTOR, "#folder-4 .toggle").click()  # Sub opens
        self.assertEqual(self.rows("#tree .row")[5], "\u25b8Deeper%d \u00b7 %d B"
                         % (len(NAMES), len(NAMES)))
        self.open(b"Many")
        self.assertEqual(self.js("return document.getElementById('grid')"
                                 ".getAttribute('aria-rowcount')"), "3001")
        self.assertLess(len(self.rows()), 60)
        for column, first in [(0, "f2999"), (1, "f0000"), (1, "f0009"), (0, "f0000")]:
            self.browser.find_element(By.CSS_SELECTOR, "#head-%d button" % column).click()
            self.assertEqual(self.links()[0][1], first)  # ties in the order of names
        self.assertTrue(self.rows()[1].startswith("f00011"))  # its name and its size
        self.assertEqual(self.js("return document.getElementById('head-0')"
                                 ".getAttribute('aria-sort')"), "ascending")
        self.browser.get(self.url + "#Sub/Deeper")  # a link opens its folder
        self.browser.refresh()
        self.assertEqual(self.browser.find_element(By.ID, "pathbar").text.split("/")[-2:],
                         ["Sub", "Deeper"])
        self.browser.back()  # to the folder shown before
        self.assertEqual(self.browser.find_element(By.CSS_SELECTOR, "#pathbar .here").text,
                         "Many")

    def test_search_counts_what_the_tree_holds(self):
        names = [n for folder in [b""] + FOLDERS[:-1] for n in self.listed(folder)]
        names += [f.split(b"/")[-1] for f in FOLDERS] + [b"Deeper"]
        names = [n.decode("utf-8", "replace").lower() for n in names]
        names += ["f%04d" % i for i in range(3000)]
        search = self.browser.find_element(By.ID, "search")
        for pattern in ["txt", "F2?9", "*", "a*b", "日本", "caf\ufffd", "?", "2*9*", "zzz"]:
            search.clear()
            search.send_keys(pattern)
            expected = sum(fnmatch.fnmatchcase(n, "*" + pattern.lower() + "*") for n in names)
            status = self.browser.find_element(By.ID, "status")
            for _ in range(100):  # the search goes on in slices
                if not status.text.startswith("Searching"):
                    break
                time.sleep(0.05)
            self.assertTrue(status.text.startswith("%s match" % format(expected, ",")),
                            (pattern, status.text))
        search.send_keys(Keys.ESCAPE)
        self.assertIn("files", self.browser.find_element(By.ID, "status").text)

    def test_library_page_searches_every_disk_and_links_to_each(self):
        """Two catalogues of a library on one page: each a top folder whose files' links lead
        to its own disk, and one search over both."""
        copy = os.path.join(self.temp.name, "copy").encode()
        subprocess.run(["cp", "-a", self.root + b"/Sub", copy], check=True)
        library = os.path.join(self.temp.name, "library.sqlite")
        for name, folder in [("disk-a", self.root), ("disk-b", copy)]:
            subprocess.run([CLI, "library", "--library", library, "add", "--name", name, folder],
                           check=True)
        page = os.path.join(self.temp.name, "Library.html")
        subprocess.run([CLI, "library", "--library", library, "page", "--output", page], check=True)
        self.browser.get("file://" + urllib.parse.quote(page))
        deepest = b"Deeper/Deepest"
        for below, folder in [(b"disk-a/Sub/", self.root + b"/Sub"), (b"disk-b/", copy)]:
            self.open(below + deepest)
            got = sorted(urllib.parse.unquote_to_bytes(href[len("file://"):])
                         for href, _ in self.links())
            listed = self.listed(b"Sub/" + deepest)
            self.assertTrue(listed)
            self.assertEqual(got, sorted(os.path.join(folder, deepest, n) for n in listed))
        search = self.browser.find_element(By.ID, "search")
        search.send_keys("Notes.TXT")
        status = self.browser.find_element(By.ID, "status")
        for _ in range(100):
            if not status.text.startswith("Searching"):
                break
            time.sleep(0.05)
        # One in each folder of the tree with files, and in the copy's two: both disks found.
        self.assertTrue(status.text.startswith("7 match"), status.text)

    def test_keyboard_through_tree_and_table(self):
        tree = self.browser.find_element(By.ID, "tree")
        self.js("arguments[0].focus()", tree)
        tree.send_keys(Keys.ARROW_DOWN, Keys.ARROW_DOWN, Keys.ARROW_DOWN)  # past two folders
        self.assertEqual(self.browser.find_element(By.CSS_SELECTOR, "#pathbar .here").text,
                         "Many")
        self.assertIn("#Many", self.browser.current_url)
        tree.send_keys(Keys.ARROW_LEFT)  # to the parent
        self.assertEqual(self.js("return location.hash"), "")
        # The last folder opened, into its first sub-folder, opened, into its own, chosen.
        tree.send_keys(Keys.END, *[Keys.ARROW_RIGHT] * 4, Keys.ENTER)
        grid = self.browser.switch_to.active_element
        self.assertEqual(grid.get_attribute("id"), "grid")
        self.assertIn("#Sub/Deeper/Deepest", self.browser.current_url)
        grid.send_keys(Keys.ARROW_DOWN)
        active = grid.get_attribute("aria-activedescendant")
        self.assertEqual(active, "cell-1-0")
        outline = self.js("return getComputedStyle(document.getElementById(arguments[0]))"
                          ".outlineStyle", active)
        self.assertNotEqual(outline, "none")
        target = self.js("return document.querySelector('#cell-1-0 a').href")
        grid.send_keys(Keys.ENTER)
        self.assertEqual(self.browser.current_url, target)

    def test_sizes_and_times_that_a_double_cannot_hold(self):
        """Sparse files on a tmpfs: sizes past 2^53 and sums past 2^64 shown to the byte and
        sorted, times near +-2^62 s as ISO text (as the JSON catalogue has them), and a time
        after one of them still right."""
        sizes = {"a": 2**63 - 1, "b": 2**63 - 2, "c": 2**53 + 1, "d": 2**53, "e": 1}
        times = {"a": 1700000000, "b": 2**62, "c": 1700000000, "d": -2**62, "e": 1700000000}
        with tempfile.TemporaryDirectory(dir="/dev/shm") as shm:
            root, page = os.path.join(shm, "huge"), os.path.join(shm, "Explorer.html")
            os.makedirs(root)
            for name, size in sizes.items():
                with open(os.path.join(root, name), "wb") as f:
                    f.truncate(size)
                os.utime(os.path.join(root, name), (times[name], times[name]))
            subprocess.run([CLI, "--format", "explorer", "--output", page, root], check=True)
            data = subprocess.run([CLI, "--format", "json", "--output", "-", root], check=True,
                                  capture_output=True).stdout.decode().splitlines()[2:-1]
            iso = {line.split('"path":"')[1][0]: line.split('"modified":"')[1].split(".")[0] + "Z"
                   for line in data}
            self.browser.get("file://" + urllib.parse.quote(page))
            shown = {row[0]: row[1:] for row in self.js(
                "return [...document.querySelectorAll('#grid .body .row')]"
                ".map(r => [...r.children].map(c => c.textContent))")}
            self.assertEqual(shown, {n: [format(sizes[n], ","),
                                         iso[n] if n in "bd" else shown["a"][1]] for n in sizes})
            self.assertTrue(iso["b"].startswith("+146138514283-") and iso["d"][0] == "-")
            self.browser.find_element(By.CSS_SELECTOR, "#head-1 button").click()
            self.assertEqual([link[1] for link in self.links()], ["e", "d", "c", "b", "a"])
            total = sum(sizes.values())
            self.assertIn('"bytes":"%d"' % total, open(page).read())
            self.assertIn("%.1f EiB" % (total / 2**60), self.js("return about.textContent"))

if __name__ == "__main__":
    unittest.main()
