#!/usr/bin/env python3
"""Writes BENCHMARKS.md from the JSON output of the benchmark executables.

Every result is paired with its baseline by name: the subject's prefix is
replaced by the baseline's (TString_Copy/64 -> WString_Copy/64); when there is
no benchmark of that name, the last "/part" is dropped until there is
(Factory_NewManagerInstance/masked -> Raw_NewManagerInstance). Times are CPU
times per operation, or wall-clock times for the benchmarks that run with
UseRealTime() (their names hold "/real_time": several threads, files written),
each the median of the repetitions, so that one lucky or unlucky repetition
decides nothing.

The report names the commit it was measured from, and is refused when the
work tree has uncommitted changes (BENCHMARKS.md itself aside) unless
--allow-uncommitted is given, which marks it as such in the report.

Usage: report.py --build-dir DIR --notes FILE --output FILE [--run-options TEXT]
                 [--source-commit SHA] [--allow-uncommitted] RESULT.json...
       report.py --check-source [--allow-uncommitted]
"""

import argparse
import datetime
import json
import os
import platform
import re
import statistics
import subprocess
import sys
from pathlib import Path

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


class Family:
    """Benchmarks whose names begin with `subject`, each beside the one that
    begins with `baseline` instead."""

    def __init__(self, title, subject, baseline, columns, argument, ops, intro, rates=None):
        self.title = title
        self.rates = rates  # a label of the per-second columns, or None
        self.subject = subject
        self.baseline = baseline
        self.columns = columns  # (subject label, baseline label)
        self.argument = argument  # what the "/n" of a name is
        self.ops = ops  # operation -> label, in the order of the table
        self.intro = intro


FAMILIES = [
    Family(
        "TString beside std::wstring",
        "TString_", "WString_", ("TString", "std::wstring"), "characters",
        {"Construct": "construct from text", "Copy": "copy", "Append": "copy, then append",
         "Concat": "operator+", "Find": "find", "Replace": "copy, then replace",
         "Trim": "copy, then trim", "Substr": "substr", "Compare": "compare",
         "ComparePart": "compare(pos, count, other)",
         "CompareIgnoreCase": "compareIgnoreCase (wcscasecmp)",
         "CompareIgnoreCasePart": "compareIgnoreCase(pos, count, other) (wcsncasecmp)",
         "Format": "format"},
        "The same operation on the same text. Operations that change a string "
        "start from a fresh copy in both columns, since a TString never reuses "
        "its buffer; the copy is part of both times."),
    Family(
        "Vector<Parameter> beside std::vector<std::unique_ptr<Parameter>>",
        "Vector_", "StdVector_", ("Vector", "std::vector"), "elements",
        {"Append": "n appends one by one", "Copy": "copy", "Assign": "assignment over n elements",
         "At": "at() of every element"},
        "Both make the same copies of the same Parameter and destroy them "
        "within the time. \"moved\" is the number of element pointers that "
        "growing the table moved while appending n elements."),
    Family(
        "Credential deep copies beside a struct of standard containers",
        "Credential_", "PlainCredential_", ("Credential", "plain struct"), "elements",
        {"Copy": "copy constructor", "Clone": "clone() and destroy()",
         "GetElements": "getCredentialElements()"},
        "A credential with an id, a profile id, a description, a state and n "
        "elements (id, type, value, encoding and the parent's id each), beside "
        "a struct of std::wstring, std::optional and std::vector holding the "
        "same texts. Both getters return a copy of the element list."),
    Family(
        "The factory road beside the C runtime",
        "Factory_", "Raw_", ("newManagerInstance", "C runtime"), "logging",
        {"NewManagerInstance": "newManagerInstance"},
        "ManagerFactory::newManagerInstance end to end on a definition file of "
        "five lines whose module is already loaded, (masked) with logging "
        "masked out and (handler) with every level delivered to a handler that "
        "drops the lines; the baseline opens the file with fopen, reads it with "
        "fgets, splits, trims and compares the keys, checks with stat() who can "
        "change the file, the module and their directories, and calls dlopen "
        "on the same path. Both close the handle they get."),
    Family(
        "newManagerInstance from one and two threads",
        "Threads_", "RawThreads_", ("newManagerInstance", "C runtime"), "threads",
        {"NewManagerInstance": "newManagerInstance, logging masked out"},
        "The factory road as above, run by one thread and by two at once; the "
        "time is wall-clock time per call over all threads, so two threads that "
        "never wait for each other take half the time of one.",
        rates="calls/s"),
    Family(
        "zologLog beside a logging function of the program's own",
        "Zolog_", "Raw_", ("zologLog", "own function"), "mask",
        {"Log": "one line"},
        "The baseline checks a mask, formats with vswprintf into a buffer on "
        "the stack and calls the same kind of handler, without a lock, format "
        "translation or lines longer than its buffer."),
    Family(
        "zolog beside spdlog, writing to a file",
        "LogZolog_", "LogSpdlog_", ("zolog", "spdlog"), "threads",
        {"FileLine": "one line written to a file and flushed",
         "Masked": "a call whose level is masked out"},
        "Both write the same line content to a file of their own, synchronously, "
        "flushed after every line as zolog flushes: a time stamp with "
        "milliseconds, the module name, the level, the thread id and a message "
        "with two string arguments. zologLog formats its wide format with a wide "
        "and a narrow argument; spdlog (the Debian package, with fmt) makes its "
        "own narrow call, `logger->error(\"{}: Stopped by an exception: {}\", "
        "function, reason)`, as a program on Linux writes it. Lines are timed in "
        "wall-clock time over all threads; the masked calls in CPU time, "
        "spdlog's being its own debug() call on a logger set to info.",
        rates="lines/s"),
    Family(
        "zolog beside spdlog's wide road",
        "LogZologWide_", "LogSpdlogWide_", ("zolog", "spdlog"), "threads",
        {"FileLine": "one line written to a file and flushed"},
        "The same zolog lines beside spdlog on the road of its wide interface, "
        "which it has on Windows only: fmt formats the wide format into a wide "
        "buffer, which is converted to UTF-8 and logged.",
        rates="lines/s"),
    Family(
        "The definition file reader beside fgets",
        "Reader_", "Raw_", ("reader", "fgets"), "",
        {"DefinitionFile": "a 1 MB definition file"},
        "The library's reader alone (linked from its objects), reading an open "
        "file of about 1 MB (25,000 lines: comments, blank lines, keys with "
        "and without blanks, CR LF ends, UTF-8 text) from its start, beside "
        "the fgets reader of the factory baseline, which neither decodes UTF-8 "
        "nor reads long lines whole."),
]

FIXED_LENGTHS = ("64", "1024", "65536")


class Target:
    """One goal of the suite. `measure` returns (value, shown text) or None
    when a result is missing; `met` decides from the value."""

    def __init__(self, label, measure, met, limit_text, why_missed):
        self.label = label
        self.measure = measure
        self.met = met
        self.limit_text = limit_text
        self.why_missed = why_missed


def load_results(paths):
    """run name -> {"cpu": ns, "real": ns, "time": ns, counters...}, each the
    median over the repetitions; "time" is the real time of the benchmarks
    timed in real time and the CPU time of the others. Also the number of
    repetitions and the contexts."""
    runs = {}
    repetitions = 0
    contexts = []
    for path in paths:
        with open(path, encoding="utf-8") as stream:
            data = json.load(stream)
        contexts.append(data.get("context", {}))
        for entry in data.get("benchmarks", []):
            if entry.get("run_type") != "iteration":
                continue
            if entry.get("error_occurred"):
                print(f"report.py: {entry['run_name']} failed: {entry.get('error_message')}",
                      file=sys.stderr)
                continue
            repetitions = max(repetitions, entry.get("repetitions", 1))
            scale = UNIT_NS[entry.get("time_unit", "ns")]
            result = {k: v for k, v in entry.items() if isinstance(v, (int, float))}
            result["cpu"] = entry["cpu_time"] * scale
            result["real"] = entry["real_time"] * scale
            name = entry["run_name"]
            runs.setdefault(name, []).append(result)
    results = {}
    for name, found in runs.items():
        keys = set.intersection(*(set(r) for r in found))
        median = {key: statistics.median(r[key] for r in found) for key in keys}
        median["time"] = median["real"] if "/real_time" in name else median["cpu"]
        results[name] = median
    return results, repetitions, contexts


def baseline_of(name, family, results):
    candidate = family.baseline + name[len(family.subject):]
    while candidate not in results and "/" in candidate:
        candidate = candidate.rsplit("/", 1)[0]
    return candidate if candidate in results else None


def ratio(results, subject, family):
    baseline = baseline_of(subject, family, results)
    if subject not in results or baseline is None:
        return None
    return results[subject]["time"] / results[baseline]["time"]


def family_named(prefix):
    return next(f for f in FAMILIES if f.subject == prefix)


def family_of(name):
    """The family whose subject is the longest prefix of `name`, or None."""
    found = [f for f in FAMILIES if name.startswith(f.subject)]
    return max(found, key=lambda f: len(f.subject)) if found else None


def format_time(ns):
    if ns < 1e3:
        return f"{ns:.3g} ns" if ns < 100 else f"{ns:.0f} ns"
    if ns < 1e6:
        return f"{ns / 1e3:.3g} µs"
    return f"{ns / 1e6:.3g} ms"


def format_ratio(value):
    return f"{value:.2f}x"


def worst_ratio(prefix, ops, lengths):
    """The largest ratio of the named operations at the given lengths."""

    def measure(results):
        family = family_named(prefix)
        found = []
        for op in ops:
            for length in lengths:
                value = ratio(results, f"{prefix}{op}/{length}", family)
                if value is None:
                    return None
                found.append((value, f"{op}/{length}"))
        value, where = max(found)
        return value, f"{format_ratio(value)} (worst: {where})"

    return measure


def single_ratio(name):
    def measure(results):
        value = ratio(results, name, family_named(name.split("_")[0] + "_"))
        return None if value is None else (value, format_ratio(value))

    return measure


def masked_logging_share(results):
    """What the masked-out zologLog calls of one newManagerInstance cost, as a
    share of the call: lines per call times the cost of one masked call."""
    handler = results.get("Factory_NewManagerInstance/handler")
    masked_call = results.get("Zolog_Log/masked")
    factory = results.get("Factory_NewManagerInstance/masked")
    if not handler or not masked_call or not factory:
        return None
    lines = handler.get("log_lines", 0)
    share = lines * masked_call["cpu"] / factory["cpu"]
    return share, (f"{share * 100:.2f}% ({lines:.0f} calls of "
                   f"{format_time(masked_call['cpu'])} in {format_time(factory['cpu'])})")


def reader_throughput(results):
    reader = results.get("Reader_DefinitionFile")
    if not reader or "bytes_per_second" not in reader:
        return None
    rate = reader["bytes_per_second"] / 1e6
    return rate, f"{rate:.0f} MB/s"


def thread_count(name):
    match = re.search(r"/threads:(\d+)$", name)
    return int(match.group(1)) if match else 1


def rate_ratio(measured, baseline, unit):
    """`measured`'s rate over `baseline`'s, as a ratio and a text with both rates."""
    value = baseline["time"] / measured["time"]
    return value, (f"{format_ratio(value)} ({1e9 / measured['time'] / 1e3:,.0f}k {unit}/s "
                   f"beside {1e9 / baseline['time'] / 1e3:,.0f}k)")


def zolog_rate_beside_spdlog(threads):
    """zolog's lines per second over spdlog's, at `threads` threads."""

    def measure(results):
        suffix = f"FileLine/real_time/threads:{threads}"
        zolog = results.get("LogZolog_" + suffix)
        spdlog = results.get("LogSpdlog_" + suffix)
        if not zolog or not spdlog:
            return None
        return rate_ratio(zolog, spdlog, "lines")

    return measure


def masked_beside_spdlog(results):
    zolog = results.get("LogZolog_Masked")
    spdlog = results.get("LogSpdlog_Masked")
    if not zolog or not spdlog:
        return None
    value = zolog["time"] / spdlog["time"]
    return value, (f"{format_ratio(value)} ({format_time(zolog['time'])} beside "
                   f"{format_time(spdlog['time'])})")


def thread_scaling(prefix):
    """Calls per second at two threads over one thread."""

    def measure(results):
        one = results.get(f"{prefix}/real_time/threads:1")
        two = results.get(f"{prefix}/real_time/threads:2")
        if not one or not two:
            return None
        return rate_ratio(two, one, "calls")

    return measure


def scaling_beside(prefix, baseline):
    """The two-thread scaling of `prefix` over that of `baseline`: at least 1
    when the library adds no serialisation of its own."""

    def measure(results):
        library = thread_scaling(prefix)(results)
        raw = thread_scaling(baseline)(results)
        if library is None or raw is None:
            return None
        value = library[0] / raw[0]
        return value, (f"{format_ratio(library[0])} beside the C runtime code's "
                       f"{format_ratio(raw[0])}")

    return measure


TARGETS = [
    Target("Masked-out logging, share of a newManagerInstance call", masked_logging_share,
           lambda v: v < 0.02, "< 2%",
           "a masked-out zologLog call should cost a call and one comparison; "
           "see \"Logging\" below."),
    Target("newManagerInstance with logging masked out, beside the C runtime",
           single_ratio("Factory_NewManagerInstance/masked"), lambda v: v <= 1.3, "≤ 1.3x",
           "see \"The factory road\" below."),
    Target("zolog lines per second into a file beside spdlog's own narrow call, 1 thread",
           zolog_rate_beside_spdlog(1), lambda v: v >= 1.0, "≥ 1.0x",
           "see \"zolog beside spdlog\" below."),
    Target("zolog lines per second into a file beside spdlog's own narrow call, 2 threads",
           zolog_rate_beside_spdlog(2), lambda v: v >= 1.0, "≥ 1.0x",
           "see \"zolog beside spdlog\" below."),
    Target("A masked-out zologLog call beside spdlog's disabled-level call",
           masked_beside_spdlog, lambda v: v < 1.0, "< 1.0x",
           "see \"zolog beside spdlog\" below."),
    Target("newManagerInstance's two-thread scaling beside the C runtime code's in the same run",
           scaling_beside("Threads_NewManagerInstance", "RawThreads_NewManagerInstance"),
           lambda v: v >= 1.0, "≥ 1.0x", "see \"Two threads\" below."),
    Target("TString construct from text at 8 and 64 characters",
           worst_ratio("TString_", ["Construct"], ("8", "64")), lambda v: v <= 1.3, "≤ 1.3x",
           "see \"Short strings\" below."),
    Target("TString copy at 64 characters and more", worst_ratio("TString_", ["Copy"],
                                                                  FIXED_LENGTHS),
           lambda v: v <= 1.3, "≤ 1.3x",
           "see \"Short strings\" below."),
    Target("TString append at 64 characters and more", worst_ratio("TString_", ["Append"],
                                                                    FIXED_LENGTHS),
           lambda v: v <= 1.3, "≤ 1.3x", "see \"Short strings\" below."),
    Target("TString operator+ at 64 characters and more",
           worst_ratio("TString_", ["Concat"], FIXED_LENGTHS), lambda v: v <= 1.3, "≤ 1.3x",
           "see \"Short strings\" below."),
    Target("TString find at every length", worst_ratio("TString_", ["Find"],
                                                       ("8",) + FIXED_LENGTHS),
           lambda v: v <= 1.5, "≤ 1.5x", "see \"Short strings\" below."),
    Target("TString compare and compareIgnoreCase, both forms, at 64 characters and more",
           worst_ratio("TString_", ["Compare", "ComparePart", "CompareIgnoreCase",
                                    "CompareIgnoreCasePart"], FIXED_LENGTHS),
           lambda v: v <= 1.5, "≤ 1.5x", "see \"Short strings\" below."),
    Target("TString format at 8 and 64 characters",
           worst_ratio("TString_", ["Format"], ("8", "64")), lambda v: v <= 1.5, "≤ 1.5x",
           "see \"Short strings\" below."),
    Target("The reader on a 1 MB definition file", reader_throughput, lambda v: v >= 400,
           "≥ 400 MB/s", "see \"The reader\" below."),
]

# Per-row limits shown in the family tables.
ROW_LIMITS = {}
for op, limit in (("Copy", 1.3), ("Append", 1.3), ("Concat", 1.3)):
    for length in FIXED_LENGTHS:
        ROW_LIMITS[f"TString_{op}/{length}"] = limit
for length in ("8",) + FIXED_LENGTHS:
    ROW_LIMITS[f"TString_Find/{length}"] = 1.5
for length in ("8", "64"):
    ROW_LIMITS[f"TString_Construct/{length}"] = 1.3
    ROW_LIMITS[f"TString_Format/{length}"] = 1.5
for op in ("Compare", "ComparePart", "CompareIgnoreCase", "CompareIgnoreCasePart"):
    for length in FIXED_LENGTHS:
        ROW_LIMITS[f"TString_{op}/{length}"] = 1.5
ROW_LIMITS["Factory_NewManagerInstance/masked"] = 1.3


def split_name(name, family):
    rest = name[len(family.subject):]
    op, _, argument = rest.partition("/")
    # "real_time/threads:2" is shown as 2; a benchmark of one thread as 1.
    if family.argument == "threads":
        argument = str(thread_count(name))
    return op, argument


def sort_key(name, family):
    op, argument = split_name(name, family)
    order = list(family.ops).index(op) if op in family.ops else len(family.ops)
    number = int(argument) if argument.isdigit() else 0
    return (order, op, number, argument)


def family_table(family, results):
    names = sorted((n for n in results if family_of(n) is family),
                   key=lambda n: sort_key(n, family))
    if not names:
        return []
    subject_label, baseline_label = family.columns
    header = ["Operation"]
    if family.argument:
        header.append(family.argument)
    header += [subject_label, baseline_label, "Ratio", "Target"]
    extra = family.subject == "Vector_"
    if extra:
        header += ["per element", "moved (Vector / std::vector)"]
    reader = family.subject == "Reader_"
    if reader:
        header += ["MB/s", "MB/s (baseline)"]
    if family.rates:
        header += [f"{subject_label} {family.rates}", f"{baseline_label} {family.rates}"]
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for name in names:
        op, argument = split_name(name, family)
        baseline = baseline_of(name, family, results)
        subject_time = results[name]["time"]
        row = [family.ops.get(op, op)]
        if family.argument:
            row.append(argument)
        row.append(format_time(subject_time))
        if baseline is None:
            row += ["(no baseline)", "", ""]
        else:
            value = subject_time / results[baseline]["time"]
            row += [format_time(results[baseline]["time"]), format_ratio(value)]
            limit = ROW_LIMITS.get(name)
            if limit is None:
                row.append("")
            else:
                row.append(f"≤ {limit}x " + ("met" if value <= limit else "**missed**"))
        if extra:
            n = int(argument)
            per = f"{format_time(subject_time / n)}"
            if baseline is not None:
                per += f" / {format_time(results[baseline]['time'] / n)}"
            row.append(per)
            moved = results[name].get("moved_pointers")
            moved_base = results.get(baseline, {}).get("moved_pointers") if baseline else None
            row.append("" if moved is None else f"{moved:,.0f} / {moved_base or 0:,.0f}")
        if reader:
            row.append(f"{results[name].get('bytes_per_second', 0) / 1e6:.0f}")
            base_rate = results.get(baseline, {}).get("bytes_per_second", 0) if baseline else 0
            row.append(f"{base_rate / 1e6:.0f}")
        if family.rates:
            real = "/real_time" in name
            row.append(f"{1e9 / subject_time:,.0f}" if real else "")
            base_real = baseline is not None and "/real_time" in baseline
            row.append(f"{1e9 / results[baseline]['time']:,.0f}" if base_real else "")
        lines.append("| " + " | ".join(row) + " |")
    return lines


def cpu_model():
    try:
        with open("/proc/cpuinfo", encoding="utf-8") as stream:
            for line in stream:
                if line.startswith("model name"):
                    return line.split(":", 1)[1].strip()
    except OSError:
        pass
    return platform.processor() or "unknown"


def compiler(build_dir):
    found = sorted(Path(build_dir, "CMakeFiles").glob("*/CMakeCXXCompiler.cmake"))
    if not found:
        return "unknown"
    text = found[-1].read_text(encoding="utf-8")
    ident = re.search(r'set\(CMAKE_CXX_COMPILER_ID "([^"]*)"\)', text)
    version = re.search(r'set\(CMAKE_CXX_COMPILER_VERSION "([^"]*)"\)', text)
    return " ".join(m.group(1) for m in (ident, version) if m) or "unknown"


def cache_value(build_dir, key):
    try:
        text = Path(build_dir, "CMakeCache.txt").read_text(encoding="utf-8")
    except OSError:
        return ""
    match = re.search(rf"^{re.escape(key)}:[A-Z]+=(.*)$", text, re.MULTILINE)
    return match.group(1) if match else ""


def source_state():
    """(commit, changed files) of the work tree, BENCHMARKS.md aside since this
    script writes it; (None, []) outside a git work tree."""
    try:
        commit = subprocess.run(["git", "rev-parse", "HEAD"], capture_output=True,
                                text=True, check=True).stdout.strip()
        changed = subprocess.run(
            ["git", "status", "--porcelain", "--untracked-files=no", "--", ".",
             ":(exclude)BENCHMARKS.md"],
            capture_output=True, text=True, check=True).stdout.splitlines()
    except (OSError, subprocess.CalledProcessError):
        return None, []
    return commit, changed


def check_source(start_commit, allow_uncommitted):
    """The text of the Source line. Exits when the tree is not the committed
    one the benchmarks were built from, unless `allow_uncommitted`."""
    commit, changed = source_state()
    problems = []
    if commit is None:
        problems.append("not a git work tree")
    if changed:
        problems.append(f"{len(changed)} file(s) with uncommitted changes: "
                        + ", ".join(line[3:] for line in changed[:5]))
    if start_commit and commit and commit != start_commit:
        problems.append(f"HEAD moved from {start_commit[:12]} to {commit[:12]} during the run")
    short = (start_commit or commit or "unknown")[:12]
    if not problems:
        return short
    if not allow_uncommitted:
        print("report.py: refusing to write a report of an uncommitted tree: "
              + "; ".join(problems) + " (commit first, or pass --allow-uncommitted)",
              file=sys.stderr)
        sys.exit(1)
    return f"{short} **with uncommitted changes: not a committed tree** ({'; '.join(problems)})"


def machine_section(contexts, build_dir, run_options, source):
    context = contexts[0] if contexts else {}
    loads = [c["load_avg"][0] for c in contexts if c.get("load_avg")]
    build_type = cache_value(build_dir, "CMAKE_BUILD_TYPE")
    flags = cache_value(build_dir, f"CMAKE_CXX_FLAGS_{build_type.upper()}") if build_type else ""
    date = context.get("date") or datetime.datetime.now().astimezone().isoformat()
    lines = [
        "| | |",
        "|---|---|",
        f"| Date | {date} |",
        f"| CPU | {cpu_model()}, {os.cpu_count()} logical CPUs, "
        f"{context.get('mhz_per_cpu', '?')} MHz |",
        f"| System | {platform.system()} {platform.release()} ({platform.machine()}) |",
        f"| Compiler | {compiler(build_dir)}, {build_type} ({flags}) |",
        f"| Source | {source} |",
    ]
    if loads:
        lines.append("| Load average at the start of each executable | "
                     + ", ".join(f"{load:.2f}" for load in loads) + " |")
    if run_options:
        lines.append(f"| Run options | `{run_options}` |")
    if context.get("library_build_type") == "debug":
        lines.append("| Note | the packaged Google Benchmark library reports a debug build; "
                     "it runs the timing loop only |")
    return lines


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--check-source", action="store_true",
                        help="only check that the work tree is committed")
    parser.add_argument("--allow-uncommitted", action="store_true",
                        help="write the report of an uncommitted tree, marked as such")
    parser.add_argument("--source-commit", default="",
                        help="the commit the benchmarks were built from")
    parser.add_argument("--build-dir")
    parser.add_argument("--notes", help="Markdown appended after the tables")
    parser.add_argument("--output")
    parser.add_argument("--run-options", default="")
    parser.add_argument("results", nargs="*")
    args = parser.parse_args()

    source = check_source(args.source_commit, args.allow_uncommitted)
    if args.check_source:
        print(source)
        return
    if not (args.build_dir and args.notes and args.output and args.results):
        parser.error("--build-dir, --notes, --output and results are required")

    results, repetitions, contexts = load_results(args.results)
    out = [
        "# Benchmarks",
        "",
        "What the library's guarantees cost, each beside the code a program would "
        "otherwise write, measured in one run of `scripts/benchmarks.sh` (which "
        f"wrote this file). Times are CPU time per operation, or wall-clock time "
        "where several threads run or lines are written to a file, each the median "
        f"of {repetitions} repetitions run in random order, and every ratio and "
        "target below is taken from those medians; a ratio is the library's time "
        "over the baseline's, so below 1 the library is faster.",
        "",
    ]
    if "uncommitted" in source:
        out += ["**This report was made from a work tree with uncommitted changes; "
                "its figures belong to no commit.**", ""]
    out += ["## Machine", ""]
    out += machine_section(contexts, args.build_dir, args.run_options, source)
    out += ["", "## Targets", "", "| Target | Goal | Measured | |", "|---|---|---|---|"]
    missed = []
    for target in TARGETS:
        measured = target.measure(results)
        if measured is None:
            out.append(f"| {target.label} | {target.limit_text} | (not measured) | **missed** |")
            missed.append(target)
            continue
        value, shown = measured
        met = target.met(value)
        out.append(f"| {target.label} | {target.limit_text} | {shown} | "
                   f"{'met' if met else '**missed**'} |")
        if not met:
            missed.append(target)
    if missed:
        out += ["", "Missed:", ""]
        out += [f"- {target.label}: {target.why_missed}" for target in missed]

    for family in FAMILIES:
        table = family_table(family, results)
        if not table:
            continue
        out += ["", f"## {family.title}", "", family.intro, ""] + table
        if family.subject == "Factory_":
            handler = results.get("Factory_NewManagerInstance/handler", {})
            if "log_lines" in handler:
                out += ["", f"One call logs {handler['log_lines']:.0f} lines when every "
                        "level is on."]
            to_file = results.get("Factory_NewManagerInstance/file")
            masked = results.get("Factory_NewManagerInstance/masked")
            if to_file and masked:
                out += ["", "(file) is the same call with every level on and no handler, "
                        "as with ZOLOG_LEVEL=0x1f and ZOLOG_FILE: the lines are written to "
                        f"the file and flushed one by one. It takes {format_time(to_file['time'])}, "
                        f"{format_ratio(to_file['time'] / masked['time'])} the call with "
                        "logging masked out."]
        if family.subject == "Threads_":
            one = results.get("Loader_Dlopen/real_time/threads:1")
            two = results.get("Loader_Dlopen/real_time/threads:2")
            scaling = [(label, thread_scaling(prefix)(results)) for label, prefix in (
                ("newManagerInstance", "Threads_NewManagerInstance"),
                ("the C runtime code", "RawThreads_NewManagerInstance"),
                ("dlopen and dlclose of the loaded module alone", "Loader_Dlopen"),
                ("open, read and close of the definition file alone", "System_OpenReadClose"),
                ("arithmetic that shares nothing (what the machine allows)",
                 "Machine_Compute"))]
            shown = [f"{label} {measured[1]}" for label, measured in scaling if measured]
            if shown:
                out += ["", "Calls per second at two threads over one thread: "
                        + "; ".join(shown) + "."]
            if one and two:
                out += ["", f"dlopen and dlclose of the loaded module take "
                        f"{format_time(one['time'])} a pair from one thread and "
                        f"{format_time(two['time'])} per pair from two."]

    out += ["", Path(args.notes).read_text(encoding="utf-8").rstrip(), ""]
    Path(args.output).write_text("\n".join(out), encoding="utf-8")


if __name__ == "__main__":
    main()
