#!/usr/bin/env python3
"""Turns the raw figures of scripts/benchmark.sh into docs/performance.md.

    bench_report.py RAW META OUT
    bench_report.py --log RAW      (only what /LOG costs, printed)
    bench_report.py --reinstall RAW    (only the reinstall, printed)

RAW holds one measurement a line: case, files, tool, run, milliseconds,
tab-separated. META holds "key=value" lines about the run (command, date,
machine, load, the sizes of the installers in bytes). Every figure is a median
over the runs; every ratio is the median of the ratios taken run by run, both
programs measured in the same run.
"""
import statistics
import sys
from collections import defaultdict

COPIERS = [("setup", "setup.exe"), ("loop", "CopyFileA loop"), ("xcopy", "xcopy"),
           ("cp", "cp -r"), ("nsis", "NSIS")]
STARTERS = [("setup", "setup.exe"), ("dialog", "minimal dialog program"),
            ("dialog_imports", "minimal dialog program importing setup.exe's DLLs")]
COPY_TARGET, FLAT_TARGET, START_TARGET, NSIS_TARGET, SIZE_TARGET = 1.02, 1.1, 1.1, 0.5, 0.2
LOG_TARGET = 1.03
# A reinstall against the earlier program's, which deleted the earlier
# installation as it went.
REINSTALL_TARGET = 1.05
PHASES = [("measure", "measure (the room check's walk of the medium and the earlier installation)"),
          ("probe", "probe (is a file of the earlier installation in use?)"),
          ("aside", "move the earlier installation aside (journal, renames)"),
          ("copy", "copy"),
          ("register", "uninstaller, record and registration"),
          ("commit", "commit (delete what was moved aside)")]
SIZES = [("size_setup32", "build/win32/setup.exe (the product)"),
         ("size_nsis_smallest", "smallest NSIS installer: an empty section, x86-ansi, zlib"),
         ("size_setup64", "build/win64/setup.exe (the build measured above)"),
         ("size_nsis_peer", "the NSIS peer installer measured above: amd64-unicode, zlib")]


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
             + " | setup ÷ loop | the same, fixed part taken off | setup ÷ xcopy | setup ÷ cp -r"
             " | setup ÷ NSIS |",
             "|---|--:|" + "--:|" * (len(COPIERS) + 5)]
    for case, label in cases:
        if not fig.has(case, "setup"):
            continue
        cells = [ms(fig.median(case, tool)) if fig.has(case, tool) else "—" for tool, _ in COPIERS]
        ratios = [times(fig.ratio(case, "setup", other)) if fig.has(case, other) else "—"
                  for other in ("loop", "xcopy", "cp", "nsis")]
        net = fig.net_ratio(case, "setup", "loop") if case != "empty" else None
        ratios.insert(1, times(net))
        lines.append(f"| {label} | {fig.files[case]:,} | " + " | ".join(cells + ratios) + " |")
    return lines


def growth(fig, cases, case, tool):
    """Time per file, fixed part taken off, against that at the fewest files."""
    first, net = fig.net_per_file_us(cases[0], tool), fig.net_per_file_us(case, tool)
    return None if net is None or not first or first <= 0 else net / first


def scale_table(fig, cases):
    lines = ["| files | runs | setup.exe (ms) | CopyFileA loop (ms) | setup ÷ loop"
             " | setup.exe per file, fixed part taken off (µs) | the same ÷ at the fewest files"
             " | loop per file, fixed part taken off (µs) | the same ÷ at the fewest files |",
             "|--:|--:|--:|--:|--:|--:|--:|--:|--:|"]
    for case in cases:
        loop = ms(fig.median(case, "loop")) if fig.has(case, "loop") else "—"
        ratio = times(fig.ratio(case, "setup", "loop")) if fig.has(case, "loop") else "—"
        lines.append(f"| {fig.files[case]:,} | {fig.count(case, 'setup')}"
                     f" | {ms(fig.median(case, 'setup'))} | {loop} | {ratio}"
                     f" | {ms(fig.net_per_file_us(case, 'setup'))}"
                     f" | {times(growth(fig, cases, case, 'setup'))}"
                     f" | {ms(fig.net_per_file_us(case, 'loop'))}"
                     f" | {times(growth(fig, cases, case, 'loop'))} |")
    return lines


def size_ratio(meta):
    mine, theirs = meta.get("size_setup32"), meta.get("size_nsis_smallest")
    return int(mine) / int(theirs) if mine and theirs else None


def size_table(meta):
    lines = ["| installer | bytes | ÷ the smallest NSIS installer |", "|---|--:|--:|"]
    smallest = meta.get("size_nsis_smallest")
    for key, name in SIZES:
        if meta.get(key):
            ratio = times(int(meta[key]) / int(smallest)) if smallest else "—"
            lines.append(f"| {name} | {int(meta[key]):,} | {ratio} |")
    return lines


def reinstall_table(fig, fresh_case):
    """setup.exe over an installation, beside the earlier program and the loop,
    then setup.exe's reinstall step by step."""
    if not fig.has("reinstall", "setup"):
        return ["Not measured."]
    over = fig.median("reinstall", "setup")
    fresh = fig.median(fresh_case, "setup") if fig.has(fresh_case, "setup") else None
    earlier = fig.has("reinstall", "earlier")
    lines = ["| files | runs | setup.exe over an installation | the earlier program (a2dcaeb)"
             " | setup ÷ earlier | CopyFileA loop: delete, then copy | setup ÷ loop"
             " | setup.exe, fresh install | reinstall ÷ fresh |",
             "|--:|--:|--:|--:|--:|--:|--:|--:|--:|",
             f"| {fig.files['reinstall']:,} | {fig.count('reinstall', 'setup')} | {ms(over)}"
             f" | {ms(fig.median('reinstall', 'earlier')) if earlier else '—'}"
             f" | {times(fig.ratio('reinstall', 'setup', 'earlier')) if earlier else '—'}"
             f" | {ms(fig.median('reinstall', 'loop'))}"
             f" | {times(fig.ratio('reinstall', 'setup', 'loop'))} | {ms(fresh)}"
             f" | {times(over / fresh) if fresh else '—'} |", ""]
    if earlier:
        value = fig.ratio("reinstall", "setup", "earlier")
        lines += [f"- Reinstall within {REINSTALL_TARGET}× of the earlier program's: "
                  f"{times(value)}, {verdict(value, REINSTALL_TARGET)}; run by run: "
                  + ", ".join(f"{r:.3f}" for r in fig.ratios("reinstall", "setup", "earlier"))
                  + ".", ""]
    if fig.has("fresh", "earlier"):
        value = fig.ratio("fresh", "setup", "earlier")
        lines += [f"- A first installation of the same medium within {REINSTALL_TARGET}× of the "
                  f"earlier program's: {times(value)}, {verdict(value, REINSTALL_TARGET)} "
                  f"(medians {ms(fig.median('fresh', 'setup'))} and "
                  f"{ms(fig.median('fresh', 'earlier'))} ms); run by run: "
                  + ", ".join(f"{r:.3f}" for r in fig.ratios("fresh", "setup", "earlier"))
                  + ".", ""]
    if fig.has("phases", "copy"):
        total = sum(fig.median("phases", phase) for phase, _ in PHASES)
        lines += [f"Where setup.exe's reinstall spends its time, step by step "
                  f"({fig.count('phases', 'copy')} runs, each over an installation, timed "
                  "within the engine by tests/bench/reinstall_phases.cpp; the shortcuts and "
                  "the program's start, which the figure above includes, are not among them):",
                  "", "| step | ms | share |", "|---|--:|--:|"]
        lines += [f"| {name} | {ms(fig.median('phases', phase))} | "
                  f"{fig.median('phases', phase) / total:.1%} |" for phase, name in PHASES]
        lines.append(f"| all | {ms(total)} | 100.0% |")
    return lines


def startup_table(fig):
    lines = ["| program | process start to dialog visible (ms) | setup.exe ÷ it |", "|---|--:|--:|"]
    for tool, name in STARTERS:
        if fig.has("startup", tool):
            ratio = "" if tool == "setup" else times(fig.ratio("startup", "setup", tool))
            lines.append(f"| {name} | {ms(fig.median('startup', tool))} | {ratio} |")
    if fig.has("empty", "nsis"):
        lines += ["", "The NSIS peer shows no dialog. Its own start-up is its whole run on the "
                  f"empty medium, process start to exit: {ms(fig.median('empty', 'nsis'))} ms, "
                  "the five folders and the eleven program files included (setup.exe's copy "
                  f"phase on that medium: {ms(fig.median('empty', 'setup'))} ms, its start-up "
                  "above not included)."]
    return lines


def expectations(fig, meta, copy_cases, scale_cases):
    lines = []
    for case, label in copy_cases:
        if case != "empty" and fig.has(case, "loop"):
            value, net = fig.ratio(case, "setup", "loop"), fig.net_ratio(case, "setup", "loop")
            lines.append(f"- Copy phase within {COPY_TARGET}× of the CopyFileA loop, {label}: "
                         f"{times(value)}, {verdict(value, COPY_TARGET)} "
                         f"(fixed part taken off: {times(net)}, {verdict(net, COPY_TARGET)}); "
                         "run by run: "
                         + ", ".join(f"{r:.3f}" for r in fig.ratios(case, "setup", "loop")) + ".")
    for case, label in copy_cases:
        if case != "empty" and fig.has(case, "nsis"):
            value = fig.ratio(case, "setup", "nsis")
            lines.append(f"- setup.exe ÷ NSIS, {label}: {times(value)}, "
                         + (f"{verdict(value, NSIS_TARGET)} (target {NSIS_TARGET}× or better)"
                            if label == "many small files" else "no target")
                         + "; run by run: "
                         + ", ".join(f"{r:.3f}" for r in fig.ratios(case, "setup", "nsis")) + ".")
    looped = [case for case in scale_cases if fig.has(case, "loop")]
    if looped:
        worst = max(fig.ratio(case, "setup", "loop") for case in looped)
        lines.append(f"- setup.exe ÷ CopyFileA loop within {COPY_TARGET}× at every size: "
                     + ", ".join(f"{fig.files[case]:,} files {times(fig.ratio(case, 'setup', 'loop'))}"
                                 for case in looped)
                     + f"; the largest {times(worst)}, {verdict(worst, COPY_TARGET)}.")
    for tool, name in (("setup", "setup.exe"), ("loop", "CopyFileA loop")):
        nets = [fig.net_per_file_us(case, tool) for case in scale_cases]
        spread = (max(nets) / min(nets) if nets and all(n and n > 0 for n in nets) else None)
        target = (f"flat within {FLAT_TARGET}× " if tool == "setup" else "")
        lines.append(f"- Time per file of {name} {target}from {fig.files[scale_cases[0]]:,} "
                     f"to {fig.files[scale_cases[-1]]:,} files (fixed part taken off): largest ÷ "
                     f"smallest {times(spread)}"
                     + (f", {verdict(spread, FLAT_TARGET)}." if tool == "setup" else
                        " (the platform's own growth, no target)."))
    value = fig.ratio("startup", "setup", "dialog")
    lines.append(f"- Start-up within {START_TARGET}× of the minimal dialog program: "
                 f"{times(value)}, {verdict(value, START_TARGET)}.")
    value = size_ratio(meta)
    lines.append(f"- build/win32/setup.exe under a fifth of the smallest NSIS installer: "
                 f"{times(value)}, {verdict(value, SIZE_TARGET)}.")
    return lines


def log_table(fig):
    """What /LOG costs the copy phase: setup.exe with and without a log."""
    if not fig.has("log", "setup_log"):
        return ["Not measured."]
    value = fig.ratio("log", "setup_log", "setup")
    return ["| files | runs | setup.exe (ms) | setup.exe /LOG (ms) | with ÷ without |",
            "|--:|--:|--:|--:|--:|",
            f"| {fig.files['log']:,} | {fig.count('log', 'setup_log')} | "
            f"{ms(fig.median('log', 'setup'))} | {ms(fig.median('log', 'setup_log'))} | "
            f"{times(value)} |",
            "",
            f"- /LOG within {LOG_TARGET}× of the same install without it: {times(value)}, "
            f"{verdict(value, LOG_TARGET)}; run by run: "
            + ", ".join(f"{r:.3f}" for r in fig.ratios("log", "setup_log", "setup")) + ".",
            "- The log holds a line for every file copied; each line is written to the file "
            "at once, so that a run ended by force leaves every line before it."]


def method(fig, meta):
    small = meta.get("small_case", "")
    program = ms(fig.median("program", "program")) if fig.has("program", "program") else "—"
    return [
        f"- Runs: {fig.count(small, 'setup')} of each copy (the time-per-file table gives the "
        f"runs of each size), {fig.count('startup', 'setup')} of each start-up; the order of "
        "the programs rotates from run to run.",
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
        "- NSIS is the peer installer, tests/bench/peer_installer.nsi, built by makensis at the "
        "start of the run: silent, amd64-unicode (the same 64-bit Wine), zlib. It does "
        "setup.exe's job (each listed folder cleared, created and its plain files copied with "
        "CopyFiles, the eleven program files under lower-case names, the three [Owner] values "
        "of VelQ.ini, the three shortcuts) from the folder it sits in: it is copied onto the "
        "medium for its runs only. It is timed from its process start to its exit, so its "
        "own start-up is in its figure, and it starts no program (no Exec); setup.exe's "
        "interval starts at the click on Install and ends at the installed program's start. "
        "Its copy is counted like the others.",
        "- Sizes are those of the files as built, in bytes: setup.exe by the win32 and win64 "
        "presets, the NSIS installers by makensis from tests/bench/.",
        "- Before every measurement the file system is synced and the previous copy is moved "
        "aside, not deleted: this ext4 runs without a journal, and there creating files right "
        "after deleting many is slower (recently freed inodes are skipped).",
        "- The fixed part is the median on a medium of five empty folders and the eleven "
        "program files.",
        f"- Media are warm in the page cache. Quick mode: {meta.get('quick', 'no')}.",
    ]


def during(meta):
    """The 1-minute load average taken at every measurement: lowest, median, highest."""
    values = meta.get("load_during", "").split()
    if len(values) != 4:
        return ""
    low, middle, high, count = values
    return (f" During the run (the 1-minute figure at each of the {count} measurements): "
            f"lowest {low}, median {middle}, highest {high}.")


def render(fig, meta):
    scale_cases = sorted((c for c in fig.files if c.startswith("files-")),
                         key=lambda c: fig.files[c])
    small = meta.get("small_case", "")
    copy_cases = [(small, "many small files"), ("large", "fewer large files"),
                  ("empty", "empty folders")]
    out = [
        "# Performance",
        "",
        f"Produced by `{meta['command']}` on {meta['date']}"
        + (", VELQUOR_BENCH_BUILD naming a build folder outside the repository."
           if meta.get("build_outside") == "yes" else "."),
        "",
        f"Machine: {meta['machine']}.",
        "",
        f"Load average over 1, 5 and 15 minutes (as uptime shows it): {meta['load_before']} "
        f"before, {meta['load_after']} after." + during(meta),
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
        "## Size",
        "",
        *size_table(meta),
        "",
        "## Reinstall",
        "",
        *reinstall_table(fig, small),
        "",
        "## Log",
        "",
        *log_table(fig),
        "",
        "## Start-up",
        "",
        *startup_table(fig),
        "",
        "## Expectations",
        "",
        *expectations(fig, meta, copy_cases, scale_cases),
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
    if len(sys.argv) == 3 and sys.argv[1] == "--log":
        print("\n".join(log_table(Figures(read_rows(sys.argv[2])))))
    elif len(sys.argv) == 3 and sys.argv[1] == "--reinstall":
        print("\n".join(reinstall_table(Figures(read_rows(sys.argv[2])), "")))
    elif len(sys.argv) != 4:
        sys.exit(__doc__)
    else:
        main(*sys.argv[1:])
