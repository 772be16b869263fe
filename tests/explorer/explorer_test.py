#!/usr/bin/python3
"""The explorer page in a real headless Chromium: the page of a tree of awkward names made by
dorvantile-cli, its links, tree, table, fragment, search and keyboard, its narrow, dark and
printed forms, the rows it saves, and what axe-core finds in it.
Usage: explorer_test.py DORVANTILE_CLI AXE_JS   (Debian's python3-selenium and chromium-driver,
axe-core's axe.min.js)"""
import base64, csv, fnmatch, hashlib, io, json, os, shutil, subprocess, sys, tempfile, time
import unittest, urllib.parse
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By
from selenium.webdriver.common.keys import Keys

CLI = os.path.abspath(sys.argv.pop(1))


def run_cli(args, **options):
    """The command line run to its end, or a failure after two minutes: never a hang."""
    return subprocess.run(args, timeout=120, **options)


AXE = open(sys.argv.pop(1)).read()
# Markup, entities, URL delimiters, control characters, bytes that are not UTF-8 (stray, cut
# short, overlong, surrogates, past U+10FFFF), letters outside ASCII and outside the BMP, and
# names that try to end the data's element.
NAMES = [b"<img src=x onerror=window.injected=1>.txt", b'a&b "q" \'s\'.txt', b"caf\xe9",
         b"\x01ctl\x1f\x7f", b"100% #1?.txt", b"two  spaces", "日本語.TXT".encode(),
         "Ärger.txt".encode(), b"<!--<script>window.injected=2", b"back\\slash",
         "emoji \U0001F600.txt".encode(), b"Notes.TXT", b"\xed\xa0\x80half", b"cut\xe6\x97",
         b"\xc0\xafover\xf4\x90\x80\x80long\xf0\x9f\x98", b"=1+1 @x", b"-rm"]
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
        run_cli([CLI, "--format", "explorer", "--output", page, root], check=True)
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
        self.assertEqual(notes, ["Notes.TXT1 B" + time.strftime("%Y-%m-%d %H:%M",
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
            run_cli([CLI, "library", "--library", library, "add", "--name", name, folder],
                           check=True)
        page = os.path.join(self.temp.name, "Library.html")
        run_cli([CLI, "library", "--library", library, "page", "--output", page], check=True)
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
            run_cli([CLI, "--format", "explorer", "--output", page, root], check=True)
            data = run_cli([CLI, "--format", "json", "--output", "-", root], check=True,
                                  capture_output=True).stdout.decode().splitlines()[2:-1]
            iso = {line.split('"path":"')[1][0]: line.split('"modified":"')[1].split(".")[0] + "Z"
                   for line in data}
            self.browser.get("file://" + urllib.parse.quote(page))
            shown = {row[0]: row[1:] for row in self.js(
                "return [...document.querySelectorAll('#grid .body .row')]"
                ".map(r => [...r.children].map(c => c.title || c.textContent))")}
            self.assertEqual(shown, {n: [format(sizes[n], ",") + (" byte" if n == "e" else " bytes"),
                                         iso[n] if n in "bd" else shown["a"][1]] for n in sizes})
            self.assertEqual(self.js("return [...document.querySelectorAll('#grid .size')]"
                                     ".map(c => c.textContent)")[1:], ["8.0 EiB", "8.0 EiB",
                                                                      "8.0 PiB", "8.0 PiB", "1 B"])
            self.assertTrue(iso["b"].startswith("+146138514283-") and iso["d"][0] == "-")
            self.browser.find_element(By.CSS_SELECTOR, "#head-1 button").click()
            self.assertEqual([link[1] for link in self.links()], ["e", "d", "c", "b", "a"])
            total = sum(sizes.values())
            self.assertIn('"bytes":"%d"' % total, open(page).read())
            self.assertIn("%.1f EiB" % (total / 2**60), self.js("return about.textContent"))

    def searched(self, pattern):
        """The status once a search for `pattern` has gone through every folder."""
        search = self.browser.find_element(By.ID, "search")
        search.clear()
        search.send_keys(pattern)
        status = self.browser.find_element(By.ID, "status")
        for _ in range(100):  # the search goes on in slices
            if not status.text.startswith("Searching"):
                break
            time.sleep(0.05)
        return status.text

    def saved(self):
        """The CSV rows that "Save these rows as CSV" hands the browser to download."""
        self.js("window.saved = []; URL.createObjectURL = (make => b => (saved.push(b), "
                "make(b)))(URL.createObjectURL);"
                "document.getElementById('save').click()")
        text = self.browser.execute_async_script(
            "window.saved[0].text().then(arguments[arguments.length - 1])")
        return list(csv.reader(io.StringIO(text, newline="")))

    def test_saved_rows_are_the_tables_as_csv(self):
        rows = self.saved()
        names = sorted(self.listed(b""), key=lambda n: n.lower())
        self.assertEqual(rows[0], ["Name", "Size (bytes)", "Modified"])
        self.assertEqual(sorted(r[0] for r in rows[1:]),
                         sorted(("'" if n[:1] in b"=+-@" else "") + shown(n) for n in names))
        notes = [r for r in rows if r[0] == "Notes.TXT"]
        self.assertEqual(notes, [["Notes.TXT", "1", time.strftime(
            "%Y-%m-%d %H:%M:%S", time.localtime(1700000000))]])
        self.assertIn(["dangling", "", rows[names.index(b"dangling") + 1][2]], rows)
        # The results of a search, sorted by a column, saved in the order shown.
        self.assertTrue(self.searched("f000").startswith("10 matches"))
        self.browser.find_element(By.CSS_SELECTOR, "#head-2 button").click()
        self.browser.find_element(By.CSS_SELECTOR, "#head-2 button").click()
        rows = self.saved()
        self.assertEqual(rows[0], ["Name", "Folder", "Size (bytes)", "Modified"])
        self.assertEqual([r[:3] for r in rows[1:]], [["f%04d" % i, "Many", str(i)]
                                                      for i in range(9, -1, -1)])
        self.assertEqual(self.links()[0][1], "f0009")

    def test_narrow_dark_and_every_state_without_axe_violations(self):
        """axe-core's WCAG 2.1 A and AA and best-practice rules, wide, at 400 px (where the
        table keeps a readable name column with no sideways scroll of the page, and names cut
        short have their whole text as a title), dark, and showing a search."""
        def violations():
            self.js(AXE)
            return self.browser.execute_async_script(
                "axe.run(document, {runOnly: {type: 'tag', values: ['wcag2a', 'wcag2aa', "
                "'wcag21a', 'wcag21aa', 'best-practice']}}).then(r => arguments[0]("
                "r.violations.map(v => [v.id, v.nodes.map(n => n.target.join(' '))])))")
        self.assertEqual(violations(), [])
        try:
            self.browser.set_window_size(400, 800)
            self.open(b"Sub")
            self.assertEqual(violations(), [])
            self.assertLessEqual(self.js("return document.documentElement.scrollWidth"), 400)
            self.assertGreater(self.js("return document.querySelector('.body .cell.name')"
                                       ".clientWidth"), 150)
            titles = {a[1]: a[0] for a in self.js(
                "return [...document.querySelectorAll('.body .name a')].map(a => [a.title, "
                "a.textContent, a.parentNode.scrollWidth > a.parentNode.clientWidth])")
                if a[2] or a[0]}
            self.assertIn("<img src=x onerror=window.injected=1>.txt", titles)
            self.assertTrue(all(title.startswith(text) for text, title in titles.items()))
            self.assertNotIn("Notes.TXT", titles)
            self.browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": [
                {"name": "prefers-color-scheme", "value": "dark"}]})
            self.browser.set_window_size(1200, 800)
            self.assertEqual(self.js("return getComputedStyle(document.documentElement).backgroundColor"),
                             "rgb(21, 25, 29)")
            self.assertEqual(violations(), [])
            self.searched("txt")
            self.assertEqual(violations(), [])
        finally:
            self.browser.execute_cdp_cmd("Emulation.setEmulatedMedia", {"features": []})
            self.browser.set_window_size(1200, 800)

    def test_printout_holds_the_whole_table_and_nothing_else(self):
        self.open(b"Many")
        pdf = self.browser.execute_cdp_cmd("Page.printToPDF", {})["data"]
        text = subprocess.run(["pdftotext", "-", "-"], input=base64.b64decode(pdf), check=True,
                              capture_output=True).stdout.decode()
        printed = [w for w in text.split() if len(w) == 5 and w[0] == "f" and w[1:].isdigit()]
        self.assertEqual(printed, ["f%04d" % i for i in range(3000)])
        self.assertNotIn("Deeper", text)
        self.assertNotIn("Save these rows", text)
        self.assertEqual(self.js("return printout.childElementCount"), 0)  # gone after

    def test_focus_follows_path_links_back_and_tab(self):
        self.browser.get(self.url + "#Sub/Deeper/Deepest")
        self.browser.refresh()
        link = self.browser.find_element(By.CSS_SELECTOR, "#pathbar a:nth-of-type(2)")
        self.assertEqual(link.text, "Sub")
        # The folder shown and the focus, read at once: the key and the back button are
        # handled on the page's hashchange, which may come after they return.
        state = lambda: self.js("return [document.querySelector('#pathbar .here').innerText,"
                                " document.activeElement.id]")

        def settles(expected):
            for _ in range(100):
                if state() == expected:
                    break
                time.sleep(0.02)
            self.assertEqual(state(), expected)

        link.send_keys(Keys.ENTER)
        settles(["Sub", "grid"])
        self.browser.back()
        settles(["Deepest", "grid"])
        self.js("document.getElementById('save').focus()")
        self.browser.switch_to.active_element.send_keys(Keys.TAB)
        grid = self.browser.switch_to.active_element
        self.assertEqual(grid.get_attribute("aria-activedescendant"), "cell-0-0")
        self.assertNotEqual(self.js("return getComputedStyle(document.getElementById("
                                    "'cell-0-0')).outlineStyle"), "none")

    def test_links_relative_to_the_moved_page_and_digests(self):
        """A page beside its tree, with links relative to it and digests, moved with the tree
        to another folder: every link leads to its file there, each row shows its SHA-256."""
        with tempfile.TemporaryDirectory() as temp:
            before, after = os.path.join(temp, "before"), os.path.join(temp, "after")
            shutil.copytree(self.root + b"/Sub", os.path.join(before, "disk #1").encode(),
                            symlinks=True)
            page = os.path.join(before, "pages", "Explorer.html")
            os.makedirs(os.path.dirname(page))
            run_cli([CLI, "--format", "explorer", "--link-base", "relative", "--checksum",
                            "sha256", "--output", page, os.path.join(before, "disk #1")],
                           check=True)
            os.rename(before, after)
            self.browser.get("file://" + urllib.parse.quote(page.replace(before, after)))
            for folder in [b"", b"Deeper/Deepest"]:
                self.open(folder)
                links = self.links()
                self.assertEqual(len(links), len(NAMES))
                for href, text in links:
                    path = urllib.parse.unquote_to_bytes(href[len("file://"):])
                    self.assertTrue(path.startswith(after.encode()) and os.path.isfile(path),
                                    path)
                    digest = self.js("return [...document.querySelectorAll('.body .row')].find("
                                     "r => r.querySelector('a').href === arguments[0])"
                                     ".querySelector('.digest').textContent", href)
                    with open(path, "rb") as f:
                        self.assertEqual(digest, hashlib.file_digest(f, "sha256").hexdigest())
        url = run_cli([CLI, "--format", "explorer", "--link-base", "https://h.test/d",
                              "--output", "-", self.root + b"/Sub/Deeper/Deepest"], check=True,
                             capture_output=True).stdout
        self.assertIn(b'"base":"https://h.test/d/"', url)
        self.assertNotIn(b'"d":', url)
        refused = run_cli([CLI, "--format", "explorer", "--link-base", "relative",
                                  "--output", "-", self.root], capture_output=True)
        self.assertEqual(refused.returncode, 2)

if __name__ == "__main__":
    unittest.main()
