#!/usr/bin/env python3
"""Scores `pallidor-cli judge` on the labelled corpus fetched by scripts/fetch-corpus.sh.

Each settings column is one `judge` run over every picture with a settings file made from
KEY=VALUE pairs (on top of an optional INI file). It prints, per column, the share of pictures
judged as labelled, the share of colour pictures called monochrome, and a table of right/total
per class, as plain text or as a Markdown table. Standard library only.
"""
import argparse
import configparser
import hashlib
import os
import subprocess
import sys
import tempfile

SECTIONS = {
    "THREAD_NUM": "SORT", "IS_SUBDIRS_TOO": "SORT",
    "IS_DST_SUBDIR": "DESTINATION", "DST_DIR_MONO": "DESTINATION", "DST_DIR_COLOR": "DESTINATION",
}
LABELS = ("monochrome", "color")


def half_of(name):
    """The calibration half of a picture: A when the first byte of the SHA-256 of its name is even."""
    return "A" if hashlib.sha256(name.encode("utf-8")).digest()[0] % 2 == 0 else "B"


def read_manifest(path):
    classes = {}
    with open(path, encoding="utf-8") as f:
        header = f.readline().rstrip("\n").split("\t")
        for line in f:
            if not line.strip() or line.startswith("#"):
                continue
            row = dict(zip(header, line.rstrip("\n").split("\t")))
            classes[row["name"]] = (row["label"], row["class"])
    return classes


def parse_pairs(text):
    pairs = []
    for item in text.replace(",", " ").split():
        if "=" not in item:
            raise SystemExit(f"score: '{item}' is not KEY=VALUE")
        key, value = item.split("=", 1)
        pairs.append((key.strip(), value.strip()))
    return pairs


def write_settings(base_ini, pairs, path):
    config = configparser.ConfigParser(interpolation=None)
    config.optionxform = str  # keys keep their case
    if base_ini:
        with open(base_ini, encoding="utf-8") as f:
            config.read_file(f)
    for key, value in pairs:
        section = SECTIONS.get(key, "JUDGMENT")
        if not config.has_section(section):
            config.add_section(section)
        config.set(section, key, value)
    with open(path, "w", encoding="utf-8") as f:
        for section in config.sections():
            f.write(f"[{section}]\n")
            for key, value in config.items(section):
                f.write(f"{key}={value}\n")
            f.write("\n")


def judge(cli, settings, files):
    """Maps each file to 'monochrome', 'color' or 'error'."""
    proc = subprocess.run([cli, "judge", "--settings", settings] + files,
                          stdout=subprocess.PIPE, stderr=subprocess.PIPE)
    if proc.returncode == 2:
        raise SystemExit("score: judge did not run: " + proc.stderr.decode("utf-8", "replace").strip())
    verdicts = {}
    for line in proc.stdout.decode("utf-8", "replace").splitlines():
        fields = line.split("\t")
        if len(fields) >= 2:
            verdicts[fields[1]] = fields[0]
    return verdicts


class Tally:
    def __init__(self):
        self.right = {}
        self.total = {}
        self.wrong = []

    def add(self, cls, label, verdict, name):
        key = (label, cls)
        self.total[key] = self.total.get(key, 0) + 1
        if verdict == label:
            self.right[key] = self.right.get(key, 0) + 1
        else:
            self.wrong.append((name, label, verdict))

    def count(self, label=None):
        keys = [k for k in self.total if label is None or k[0] == label]
        return sum(self.right.get(k, 0) for k in keys), sum(self.total[k] for k in keys)


def pct(a, b):
    return 100.0 * a / b if b else 0.0


def score_column(cli, base_ini, pairs, pictures, classes):
    with tempfile.TemporaryDirectory() as tmp:
        ini = os.path.join(tmp, "settings.ini")
        write_settings(base_ini, pairs, ini)
        verdicts = judge(cli, ini, [p for p, _, _ in pictures])
    tallies = {"all": Tally(), "A": Tally(), "B": Tally()}
    for path, name, label in pictures:
        cls = classes.get(name, ("", "unlisted"))[1]
        verdict = verdicts.get(path, "error")
        tallies["all"].add(cls, label, verdict, name)
        tallies[half_of(name)].add(cls, label, verdict, name)
    return tallies


def summary(t):
    right, total = t.count()
    mono_right, mono_total = t.count("monochrome")
    col_right, col_total = t.count("color")
    return {
        "right": f"{pct(right, total):.1f} % ({right}/{total})",
        "mono": f"{mono_right}/{mono_total}",
        "color": f"{col_right}/{col_total}",
        "c2m": f"{pct(col_total - col_right, col_total):.1f} % ({col_total - col_right}/{col_total})",
    }


def print_tables(columns, part, markdown, out):
    """columns: list of (title, tallies). part: 'all', 'A' or 'B'."""
    keys = sorted({k for _, t in columns for k in t[part].total})
    head = ["class", "label"] + [title for title, _ in columns]
    rows = []
    for label, cls in keys:
        cells = [cls, label]
        for _, t in columns:
            tt = t[part]
            cells.append(f"{tt.right.get((label, cls), 0)}/{tt.total.get((label, cls), 0)}")
        rows.append(cells)
    sums = [summary(t[part]) for _, t in columns]
    rows.append(["**all right**" if markdown else "ALL RIGHT", ""] + [s["right"] for s in sums])
    rows.append(["monochrome right", ""] + [s["mono"] for s in sums])
    rows.append(["colour right", ""] + [s["color"] for s in sums])
    rows.append(["colour called monochrome", ""] + [s["c2m"] for s in sums])
    if markdown:
        out.write("| " + " | ".join(head) + " |\n")
        out.write("|" + "|".join(["---"] * 2 + ["---:"] * len(columns)) + "|\n")
        for r in rows:
            out.write("| " + " | ".join(r) + " |\n")
    else:
        widths = [max(len(str(r[i])) for r in rows + [head]) for i in range(len(head))]
        for r in [head] + rows:
            out.write("  ".join(str(c).ljust(w) if i < 2 else str(c).rjust(w)
                                for i, (c, w) in enumerate(zip(r, widths))).rstrip() + "\n")


def main():
    ap = argparse.ArgumentParser(description=__doc__, formatter_class=argparse.RawDescriptionHelpFormatter)
    ap.add_argument("pairs", nargs="*", help="KEY=VALUE settings of the one column (when no --set is given)")
    ap.add_argument("--cli", default=os.environ.get("PALLIDOR_CLI", "build/pallidor-cli"))
    ap.add_argument("--corpus", default=".cache/corpus/pictures", help="folder with monochrome/ and color/")
    ap.add_argument("--manifest", default=os.path.join(os.path.dirname(os.path.abspath(__file__)), "manifest.tsv"))
    ap.add_argument("--ini", help="settings file the KEY=VALUE pairs are laid over")
    ap.add_argument("--set", action="append", default=[], metavar="TITLE:K=V,K=V",
                    help="one column of settings; repeat for several columns side by side")
    ap.add_argument("--markdown", action="store_true", help="Markdown tables")
    ap.add_argument("--split", action="store_true", help="also the two halves A and B")
    ap.add_argument("--wrong", action="store_true", help="list the pictures judged against their label")
    ap.add_argument("--require", metavar="RIGHT:COLOR_AS_MONO",
                    help="exit 1 unless every column gets at least RIGHT %% of all pictures right and "
                         "calls at most COLOR_AS_MONO %% of the colour pictures monochrome")
    args = ap.parse_args()

    classes = read_manifest(args.manifest)
    pictures = []
    for label in LABELS:
        folder = os.path.join(args.corpus, label)
        if not os.path.isdir(folder):
            raise SystemExit(f"score: no folder {folder}; run scripts/fetch-corpus.sh first")
        for name in sorted(os.listdir(folder)):
            pictures.append((os.path.join(folder, name), name, label))
    if not pictures:
        raise SystemExit(f"score: no pictures in {args.corpus}")

    wanted = []
    for s in args.set:
        title, _, rest = s.partition(":")
        wanted.append((title, parse_pairs(rest)))
    if not wanted:
        pairs = parse_pairs(" ".join(args.pairs))
        wanted.append((" ".join(f"{k}={v}" for k, v in pairs) or "settings as given", pairs))
    elif args.pairs:
        common = parse_pairs(" ".join(args.pairs))
        wanted = [(t, common + p) for t, p in wanted]

    columns = [(title, score_column(args.cli, args.ini, pairs, pictures, classes)) for title, pairs in wanted]
    out = sys.stdout
    parts = [("all", f"all {len(pictures)} pictures")]
    if args.split:
        parts += [("A", "half A"), ("B", "half B")]
    for part, caption in parts:
        out.write(("\n**" + caption + "**\n\n") if args.markdown else ("\n== " + caption + "\n"))
        print_tables(columns, part, args.markdown, out)
    if args.wrong:
        for title, t in columns:
            out.write(f"\nwrong with {title}:\n")
            for name, label, verdict in sorted(t["all"].wrong, key=lambda w: (w[1], w[0])):
                out.write(f"  {name}\tlabelled {label}, judged {verdict}\n")
    if args.require:
        least_right, most_c2m = (float(x) for x in args.require.split(":"))
        failed = False
        for title, t in columns:
            right, total = t["all"].count()
            col_right, col_total = t["all"].count("color")
            if pct(right, total) < least_right or pct(col_total - col_right, col_total) > most_c2m:
                out.write(f"score: {title}: {pct(right, total):.1f} % right and "
                          f"{pct(col_total - col_right, col_total):.1f} % of the colour pictures "
                          f"called monochrome; at least {least_right} % and at most {most_c2m} % wanted\n")
                failed = True
        if failed:
            sys.exit(1)


if __name__ == "__main__":
    main()
