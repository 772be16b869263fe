#!/usr/bin/python3
"""The explorer page in headless Chromium beside Files.html of the same tree: page size, time
to the first folder shown, memory, and time to the first results of a search.

  benchmarks/explorer_bench.py TREE DORVANTILE_CLI OUTPUT_FOLDER [RUNS [SHOTS_FOLDER]]

Each run starts a fresh Chromium (the page's file is in the page cache after the first). The
first folder is shown when the page's first frame with the tree and the table is drawn
(window.explorer.timings.painted, from the start of navigation). A search is typed one letter
at a time; for each letter the time from its input event to the frame that shows the first
results. Memory is the proportional set size (PSS) of every Chromium process, read from
/proc once the first folder is shown, and the script's heap. Files.html is loaded once, with
its load event as its time to be shown. Prints Markdown."""
import os, statistics, subprocess, sys, time
from selenium import webdriver
from selenium.webdriver.chrome.service import Service
from selenium.webdriver.common.by import By

tree, cli, output = sys.argv[1:4]
runs = int(sys.argv[4]) if len(sys.argv) > 4 else 3
shots = sys.argv[5] if len(sys.argv) > 5 else None
queries = ["report", "ph*o", "img_1?.jpg"]


def browser():
    options = webdriver.ChromeOptions()
    for argument in ["--headless=new", "--no-sandbox", "--disable-dev-shm-usage",
                     "--window-size=1280,860", "--enable-precise-memory-info"]:
        options.add_argument(argument)
    service = Service("/usr/bin/chromedriver")
    return webdriver.Chrome(service=service, options=options), service.process.pid


def pss_mb(root):
    """The PSS of `root`'s descendants (Chromium and its helpers), and of those of them that
    render pages, in MB."""
    children = {}
    for pid in filter(str.isdigit, os.listdir("/proc")):
        try:
            with open("/proc/%s/stat" % pid) as f:
                parent = int(f.read().rsplit(")", 1)[1].split()[1])
            children.setdefault(parent, []).append(int(pid))
        except (OSError, IndexError, ValueError):
            pass
    total, renderers, todo = 0, 0, list(children.get(root, []))
    while todo:
        pid = todo.pop()
        todo += children.get(pid, [])
        try:
            with open("/proc/%d/smaps_rollup" % pid) as f:
                pss = sum(int(line.split()[1]) for line in f if line.startswith("Pss:"))
            with open("/proc/%d/cmdline" % pid, "rb") as f:
                renderer = b"--type=renderer" in f.read()
        except OSError:
            continue
        total += pss
        renderers += pss if renderer else 0
    return total / 1024, renderers / 1024


def wait(driver, script, timeout=600):
    end = time.time() + timeout
    while time.time() < end:
        value = driver.execute_script(script)
        if value:
            return value
        time.sleep(0.02)
    raise TimeoutError(script)


def make(format_, name):
    path = os.path.join(output, name)
    start = time.time()
    subprocess.run(["nice", cli, "--format", format_, "--output", path, tree], check=True)
    return path, time.time() - start, os.path.getsize(path) / 1e6


explorer, explorer_write, explorer_mb = make("explorer", "Explorer.html")
files, files_write, files_mb = make("html", "Files.html")

driver, pid = browser()
driver.get("about:blank")
blank_memory = pss_mb(pid)
driver.quit()

shown, memory, renderer, heap = [], [], [], []
first, done = {q: [] for q in queries}, {q: [] for q in queries}
for run in range(runs):
    driver, pid = browser()
    driver.get("file://" + explorer)
    shown.append(wait(driver, "return window.explorer && window.explorer.timings.painted"))
    all_processes, renderers = pss_mb(pid)
    memory.append(all_processes)
    renderer.append(renderers)
    heap.append(driver.execute_script("return performance.memory.usedJSHeapSize") / 1e6)
    search = driver.find_element(By.ID, "search")
    for query in queries:
        search.clear()
        for letter in query:
            search.send_keys(letter)
            t = wait(driver, "var t = window.explorer.timings; return t.resultsPainted > "
                             "t.firstResults && t.firstResults > t.keystroke && t")
            first[query].append(t["resultsPainted"] - t["keystroke"])
        t = wait(driver, "var t = window.explorer.timings; return t.searchDone >= "
                         "t.firstResults && t")
        done[query].append(t["searchDone"] - t["keystroke"])
        if shots and run == 0 and query == queries[0]:
            driver.save_screenshot(os.path.join(shots, "explorer-1m-search.png"))
    driver.quit()

driver, pid = browser()
driver.set_page_load_timeout(900)
start = time.time()
driver.get("file://" + files)
files_shown = driver.execute_script("return performance.timing.loadEventEnd - "
                                    "performance.timing.navigationStart")
files_memory = pss_mb(pid)
files_heap = driver.execute_script("return performance.memory.usedJSHeapSize") / 1e6
driver.quit()


def ms(values):
    return "%.0f (%.0f to %.0f)" % (statistics.median(values), min(values), max(values))


print("| Page | Size MB | Written in s | First folder shown, ms | Chromium's memory (PSS) MB | "
      "of which the page's renderer | Script heap MB |")
print("|---|---:|---:|---:|---:|---:|---:|")
print("| Explorer.html | %.1f | %.2f | %s | %s | %s | %s |" % (
    explorer_mb, explorer_write, ms(shown), ms(memory), ms(renderer), ms(heap)))
print("| Files.html | %.1f | %.2f | %.0f (page loaded) | %.0f | %.0f | %.0f |" % (
    files_mb, files_write, files_shown, files_memory[0], files_memory[1], files_heap))
print("| about:blank | | | | %.0f | %.0f | |" % blank_memory)
print()
print("%d runs of the explorer page, median (least to most); Files.html once. Page sizes in "
      "MB of 10^6 bytes; Explorer.html is %.1f %% of Files.html." % (
          runs, 100 * explorer_mb / files_mb))
print()
print("| Search, typed a letter at a time | Matches | Letter to first results shown, ms "
      "(median, most) | Last letter to the last match, ms |")
print("|---|---:|---:|---:|")
driver, pid = browser()
driver.get("file://" + explorer)
wait(driver, "return window.explorer && window.explorer.timings.painted")
for query in queries:
    search = driver.find_element(By.ID, "search")
    search.clear()
    search.send_keys(query)
    wait(driver, "var t = window.explorer.timings; return t.searchDone >= t.firstResults")
    matches = driver.find_element(By.ID, "status").text.split(" ")[0]
    print("| `%s` | %s | %.0f, %.0f | %s |" % (query, matches, statistics.median(first[query]),
                                             max(first[query]), ms(done[query])))
driver.quit()
