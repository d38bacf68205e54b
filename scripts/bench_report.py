#!/usr/bin/env python3
"""Turns the raw figures of scripts/benchmark.sh into docs/performance.md.

    bench_report.py RAW META OUT

RAW holds one measurement a line: case, files, tool, run, milliseconds,
tab-separated. META holds "key=value" lines about the run (command, date,
machine, load). Every figure is a median over the runs; every ratio is the
median of the ratios taken run by run, both programs measured in the same run.
"""
import statistics
import sys
from collections import defaultdict

COPIERS = [("setup", "setup.exe"), ("loop", "CopyFileA loop"), ("xcopy", "xcopy"),
           ("cp", "cp -r")]
STARTERS = [("setup", "setup.exe"), ("dialog", "minimal dialog program"),
            ("dialog_imports", "minimal dialog program importing setup.exe's DLLs")]
COPY_TARGET, FLAT_TARGET, START_TARGET = 1.02, 1.1, 1.1


class Figures:
    """The measurements, by case and tool, and by run."""

    def __init__(self, rows):
        self.runs = defaultdict(dict)
        self.files = {}
        for case, files, tool, run, ms in rows:
            self.runs[(case, tool)][int(run)] = float(ms)
            self.files[case] = int(files)

    def has(self, case, tool):
        return bool(self.runs.get((case, tool)))

    def median(self, case, tool):
        return statistics.median(self.runs[(case, tool)].values())

    def ratios(self, case, tool, other):
        """tool / other in every run that measured both, in run order."""
        mine, theirs = self.runs[(case, tool)], self.runs[(case, other)]
        return [mine[run] / theirs[run] for run in sorted(mine) if theirs.get(run, 0) > 0]

    def ratio(self, case, tool, other):
        pairs = self.ratios(case, tool, other)
        return statistics.median(pairs) if pairs else None

    def count(self, case, tool):
        return len(self.runs.get((case, tool), {}))

    def net(self, case, tool, baseline="empty"):
        """The median without the fixed part, taken from the empty medium."""
        if not (self.has(case, tool) and self.has(baseline, tool)):
            return None
        return self.median(case, tool) - self.median(baseline, tool)

    def net_ratio(self, case, tool, other):
        mine, theirs = self.net(case, tool), self.net(case, other)
        # Within the noise of the fixed part there is nothing to compare.
        if mine is None or theirs is None or mine <= 0 or theirs <= 0:
            return None
        return mine / theirs

    def net_per_file_us(self, case, tool, baseline="empty"):
        """Time per file without the fixed part, taken from the empty medium."""
        net = self.net(case, tool, baseline)
        return None if net is None or self.files[case] == 0 else net * 1000 / self.files[case]


def read_rows(path):
    with open(path) as f:
        return [line.rstrip("\n").split("\t") for line in f if line.strip()]


def read_meta(path):
    meta = {}
    with open(path) as f:
        for line in f:
            key, _, value = line.rstrip("\n").partition("=")
            meta[key] = value
    return meta


def ms(value):
    if value is None:
        return "—"
    return f"{value:,.0f}" if value >= 100 else f"{value:.1f}"


def times(value):
    return "—" if value is None else f"{value:.3f}×"


def verdict(value, target):
    if value is None:
        return "not measured"
    return "met" if value <= target else "missed"


def copy_table(fig, cases):
    lines = ["| medium | files | " + " | ".join(name for _, name in COPIERS)
             + " | setup ÷ loop | the same, fixed part taken off | setup ÷ xcopy | setup ÷ cp -r |",
             "|---|--:|" + "--:|" * (len(COPIERS) + 4)]
    for case, label in cases:
        if not fig.has(case, "setup"):
            continue
        cells = [ms(fig.median(case, tool)) if fig.has(case, tool) else "—" for tool, _ in COPIERS]
        ratios = [times(fig.ratio(case, "setup", other)) if fig.has(case, other) else "—"
                  for other in ("loop", "xcopy", "cp")]
        net = fig.net_ratio(case, "setup", "loop") if case != "empty" else None
        ratios.insert(1, times(net))
        lines.append(f"| {label} | {fig.files[case]:,} | " + " | ".join(cells + ratios) + " |")
    return lines


def scale_table(fig, cases):
    first = fig.net_per_file_us(cases[0], "setup")
    lines = ["| files | setup.exe (ms) | per file (µs) | per file, fixed part taken off (µs)"
             " | the same ÷ at the fewest files | CopyFileA loop, per file, fixed part taken off (µs) |",
             "|--:|--:|--:|--:|--:|--:|"]
    for case in cases:
        total = fig.median(case, "setup")
        net = fig.net_per_file_us(case, "setup")
        loop = fig.net_per_file_us(case, "loop")
        growth = times(net / first) if net is not None and first else "—"
        lines.append(f"| {fig.files[case]:,} | {ms(total)} | {total * 1000 / fig.files[case]:,.0f}"
                     f" | {ms(net)} | {growth} | {ms(loop)} |")
    return lines


def reinstall_table(fig, fresh_case):
    lines = ["| files | setup.exe over an installation | CopyFileA loop: delete, then copy"
             " | setup ÷ loop | setup.exe, fresh install | reinstall ÷ fresh |",
             "|--:|--:|--:|--:|--:|--:|"]
    over, fresh = fig.median("reinstall", "setup"), fig.median(fresh_case, "setup")
    lines.append(f"| {fig.files['reinstall']:,} | {ms(over)} | {ms(fig.median('reinstall', 'loop'))}"
                 f" | {times(fig.ratio('reinstall', 'setup', 'loop'))} | {ms(fresh)}"
                 f" | {times(over / fresh)} |")
    return lines


def startup_table(fig):
    lines = ["| program | process start to dialog visible (ms) | setup.exe ÷ it |", "|---|--:|--:|"]
    for tool, name in STARTERS:
        if fig.has("startup", tool):
            ratio = "" if tool == "setup" else times(fig.ratio("startup", "setup", tool))
            lines.append(f"| {name} | {ms(fig.median('startup', tool))} | {ratio} |")
    return lines


def expectations(fig, copy_cases, scale_cases):
    lines = []
    for case, label in copy_cases:
        if case != "empty" and fig.has(case, "loop"):
            value, net = fig.ratio(case, "setup", "loop"), fig.net_ratio(case, "setup", "loop")
            lines.append(f"- Copy phase within {COPY_TARGET}× of the CopyFileA loop, {label}: "
                         f"{times(value)}, {verdict(value, COPY_TARGET)} "
                         f"(fixed part taken off: {times(net)}, {verdict(net, COPY_TARGET)}); "
                         "run by run: "
                         + ", ".join(f"{r:.3f}" for r in fig.ratios(case, "setup", "loop")) + ".")
    nets = [fig.net_per_file_us(case, "setup") for case in scale_cases]
    spread = max(nets) / min(nets) if all(n and n > 0 for n in nets) else None
    lines.append(f"- Time per file flat within {FLAT_TARGET}× from {fig.files[scale_cases[0]]:,} "
                 f"to {fig.files[scale_cases[-1]]:,} files (fixed part taken off): largest ÷ "
                 f"smallest {times(spread)}, {verdict(spread, FLAT_TARGET)}.")
    value = fig.ratio("startup", "setup", "dialog")
    lines.append(f"- Start-up within {START_TARGET}× of the minimal dialog program: "
                 f"{times(value)}, {verdict(value, START_TARGET)}.")
    return lines


def method(fig, meta):
    small = meta.get("small_case", "")
    program = ms(fig.median("program", "program")) if fig.has("program", "program") else "—"
    return [
        f"- Runs: {fig.count(small, 'setup')} of each copy, "
        f"{fig.count('startup', 'setup')} of each start-up; the order of the programs "
        "rotates from run to run.",
        "- setup.exe is the 64-bit build. Its copy phase runs from the click on Install to the "
        "moment the installed stand-in VelQ.exe records its start, so it includes the owner "
        "record, the shortcuts and that program start.",
        "- The CopyFileA loop gets the same list of files up front (no enumeration), creates the "
        "folders, copies, and starts the installed VelQ.exe with the same ShellExecuteA call: "
        "its interval ends at the same program start, which is included, not subtracted "
        f"(that start alone takes about {program} ms here).",
        "- xcopy (Wine's, /E /I /Q /Y) is timed from its process start to its exit; cp -r is "
        "native Linux, the floor. All copy into C:\\Velq of the same prefix; every copy is "
        "counted afterwards.",
        "- Before every measurement the file system is synced and the previous copy is moved "
        "aside, not deleted: this ext4 runs without a journal, and there creating files right "
        "after deleting many is slower (recently freed inodes are skipped).",
        "- The fixed part is the median on a medium of five empty folders and the eleven "
        "program files.",
        f"- Media are warm in the page cache. Quick mode: {meta.get('quick', 'no')}.",
    ]


def render(fig, meta):
    scale_cases = sorted((c for c in fig.files if c.startswith("files-")),
                         key=lambda c: fig.files[c])
    small = meta.get("small_case", "")
    copy_cases = [(small, "many small files"), ("large", "fewer large files"),
                  ("empty", "empty folders")]
    out = [
        "# Performance",
        "",
        f"Produced by `{meta['command']}` on {meta['date']}.",
        "",
        f"Machine: {meta['machine']}.",
        "",
        f"Load average over 1, 5 and 15 minutes (as uptime shows it): {meta['load_before']} "
        f"before, {meta['load_after']} after.",
        "",
        "Medians in milliseconds; ratios are medians of the ratios taken run by run.",
        "",
        "## Copy phase",
        "",
        *copy_table(fig, copy_cases),
        "",
        "## Time per file",
        "",
        *scale_table(fig, scale_cases),
        "",
        "## Reinstall",
        "",
        *reinstall_table(fig, small),
        "",
        "## Start-up",
        "",
        *startup_table(fig),
        "",
        "## Expectations",
        "",
        *expectations(fig, copy_cases, scale_cases),
        "",
        "## How it is measured",
        "",
        *method(fig, meta),
        "",
    ]
    return "\n".join(out)


def main(raw, meta, out):
    text = render(Figures(read_rows(raw)), read_meta(meta))
    with open(out, "w") as f:
        f.write(text)
    print(text)


if __name__ == "__main__":
    if len(sys.argv) != 4:
        sys.exit(__doc__)
    main(*sys.argv[1:])
