"""The checks of scripts/check-report.sh on what Chromium made of the report pages.

    python3 check-report.py WORK_DIR SCREENSHOT

WORK_DIR holds judge.jsonl (judge --json --explain), dom.html, dom-color.html, dom-error.html
(the page as the browser built it, unfiltered and filtered), sort.jsonl and sort-dom.html.
"""
import json
import os
import re
import sys
from html.parser import HTMLParser
from pathlib import Path

sys.path.insert(0, os.path.dirname(os.path.abspath(__file__)))
from pngfile import read_png  # noqa: E402


class Page(HTMLParser):
    """The items of the grids, the grids' hidden state and every address on the page."""

    def __init__(self):
        super().__init__()
        self.items = []          # dicts: path, verdict, regions
        self.sections = {}       # verdict -> hidden
        self.addresses = []
        self.filter = None
        self._stack = []         # open figure items (the viewer holds none until a click)

    def handle_starttag(self, tag, attrs):
        a = dict(attrs)
        for key in ("src", "href", "action", "poster"):
            if a.get(key) is not None:
                self.addresses.append(a[key])
        for url in re.findall(r"url\(([^)]*)\)", a.get("style") or ""):
            self.addresses.append(url.strip("'\" "))
        if tag == "body":
            self.filter = a.get("data-filter")
        if tag == "section" and "verdict" in (a.get("class") or "").split():
            self.sections[a.get("data-verdict")] = "hidden" in a
        if tag == "figure" and "item" in (a.get("class") or "").split():
            self.items.append({"path": a.get("data-path"), "verdict": a.get("data-verdict"), "regions": []})
        if "data-region" in a and self.items:
            self.items[-1]["regions"].append(a["data-region"])


def read_page(path):
    page = Page()
    page.feed(Path(path).read_text(encoding="utf-8"))
    return page


def read_lines(path):
    return [json.loads(line) for line in Path(path).read_text(encoding="utf-8").splitlines() if line.strip()]


def main():
    work, screenshot = Path(sys.argv[1]), sys.argv[2]
    problems = []

    judged = {}
    for line in read_lines(work / "judge.jsonl"):
        judged[line["path"]] = line
    page = read_page(work / "dom.html")
    paths = [item["path"] for item in page.items]
    if sorted(paths) != sorted(judged):
        problems.append(f"the page has {len(paths)} items, judge gave {len(judged)} files; "
                        f"only on the page: {sorted(set(paths) - set(judged))[:5]}, "
                        f"only from judge: {sorted(set(judged) - set(paths))[:5]}")
    perceptual_colour = 0
    for item in page.items:
        line = judged.get(item["path"])
        if line is None:
            continue
        expected = "error" if "error" in line else line["verdict"]
        if item["verdict"] != expected:
            problems.append(f"{item['path']}: the page says {item['verdict']}, judge says {expected}")
        rule = (line.get("evidence") or {}).get("rule")
        if expected == "color" and rule == "perceptual":
            perceptual_colour += 1
            if not item["regions"]:
                problems.append(f"{item['path']}: a perceptual colour verdict without a drawn region")
        for region in item["regions"]:
            if not re.fullmatch(r"\d+,\d+,\d+,\d+", region):
                problems.append(f"{item['path']}: data-region {region!r} is not x,y,width,height")

    foreign = [a for a in page.addresses if re.match(r"\s*(https?:|//|ftp:)", a, re.I)]
    if foreign:
        problems.append(f"external references: {foreign[:5]}")

    for kind in ("color", "error"):
        filtered = read_page(work / f"dom-{kind}.html")
        if filtered.filter != kind:
            problems.append(f"#filter={kind}: the page took the filter {filtered.filter!r}")
        for verdict, hidden in filtered.sections.items():
            if hidden != (verdict != kind):
                problems.append(f"#filter={kind}: the {verdict} grid is {'hidden' if hidden else 'shown'}")
    if page.filter != "all" or any(page.sections.values()):
        problems.append("unfiltered, some grid is hidden")

    width, height, rows = read_png(screenshot)
    colours = set()
    for row in rows[::7]:
        for pixel in row[::7]:
            colours.add(pixel[:3])
    if len(colours) < 16:
        problems.append(f"the screenshot ({width}x{height}) is blank: {len(colours)} colours")

    sorted_lines = [line for line in read_lines(work / "sort.jsonl") if "path" in line]
    sort_page = read_page(work / "sort-dom.html")
    if sorted(item["path"] for item in sort_page.items) != sorted(line["path"] for line in sorted_lines):
        problems.append(f"sort's page has {len(sort_page.items)} items for {len(sorted_lines)} files sorted")

    for problem in problems:
        print(f"check-report: {problem}", file=sys.stderr)
    print(f"check-report: {len(page.items)} items, {perceptual_colour} perceptual colour verdicts with regions, "
          f"{len(sort_page.items)} items sorted, screenshot of {len(colours)} colours")
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
