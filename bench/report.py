#!/usr/bin/env python3
"""Writes BENCHMARKS.md from the JSON output of the benchmark executables.

Every result is paired with its baseline by name: the subject's prefix is
replaced by the baseline's (TString_Copy/64 -> WString_Copy/64); when there is
no benchmark of that name, the last "/part" is dropped until there is
(Factory_NewManagerInstance/masked -> Raw_NewManagerInstance). Times are CPU
times per operation, the fastest of the repetitions: on a shared machine other
work can only add time to a repetition, never take it away.

Usage: report.py --build-dir DIR --notes FILE --output FILE [--run-options TEXT]
                 RESULT.json...
"""

import argparse
import datetime
import json
import os
import platform
import re
import subprocess
import sys
from pathlib import Path

UNIT_NS = {"ns": 1.0, "us": 1e3, "ms": 1e6, "s": 1e9}


class Family:
    """Benchmarks whose names begin with `subject`, each beside the one that
    begins with `baseline` instead."""

    def __init__(self, title, subject, baseline, columns, argument, ops, intro):
        self.title = title
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
        "fgets, splits, trims and compares the keys, and calls dlopen on the "
        "same path. Both close the handle they get."),
    Family(
        "zologLog beside a logging function of the program's own",
        "Zolog_", "Raw_", ("zologLog", "own function"), "mask",
        {"Log": "one line"},
        "The baseline checks a mask, formats with vswprintf into a buffer on "
        "the stack and calls the same kind of handler, without a lock, format "
        "translation or lines longer than its buffer."),
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
    """run name -> {"cpu": ns, "real": ns, counters...} of its fastest
    repetition, the number of repetitions, and the contexts."""
    results = {}
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
            if name not in results or result["cpu"] < results[name]["cpu"]:
                results[name] = result
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
    return results[subject]["cpu"] / results[baseline]["cpu"]


def family_named(prefix):
    return next(f for f in FAMILIES if f.subject == prefix)


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


TARGETS = [
    Target("Masked-out logging, share of a newManagerInstance call", masked_logging_share,
           lambda v: v < 0.02, "< 2%",
           "a masked-out zologLog call should cost a call and one comparison; "
           "see \"Logging\" below."),
    Target("newManagerInstance with logging masked out, beside the C runtime",
           single_ratio("Factory_NewManagerInstance/masked"), lambda v: v <= 1.5, "≤ 1.5x",
           "see \"The factory road\" below."),
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
    Target("The reader on a 1 MB definition file", reader_throughput, lambda v: v >= 50,
           "≥ 50 MB/s", "see \"The reader\" below."),
]

# Per-row limits shown in the family tables.
ROW_LIMITS = {}
for op, limit in (("Copy", 1.3), ("Append", 1.3), ("Concat", 1.3)):
    for length in FIXED_LENGTHS:
        ROW_LIMITS[f"TString_{op}/{length}"] = limit
for length in ("8",) + FIXED_LENGTHS:
    ROW_LIMITS[f"TString_Find/{length}"] = 1.5
ROW_LIMITS["Factory_NewManagerInstance/masked"] = 1.5


def split_name(name, family):
    rest = name[len(family.subject):]
    op, _, argument = rest.partition("/")
    return op, argument


def sort_key(name, family):
    op, argument = split_name(name, family)
    order = list(family.ops).index(op) if op in family.ops else len(family.ops)
    number = int(argument) if argument.isdigit() else 0
    return (order, op, number, argument)


def family_table(family, results):
    names = sorted((n for n in results if n.startswith(family.subject)),
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
    lines = ["| " + " | ".join(header) + " |", "|" + "---|" * len(header)]
    for name in names:
        op, argument = split_name(name, family)
        baseline = baseline_of(name, family, results)
        subject_time = results[name]["cpu"]
        row = [family.ops.get(op, op)]
        if family.argument:
            row.append(argument)
        row.append(format_time(subject_time))
        if baseline is None:
            row += ["(no baseline)", "", ""]
        else:
            value = subject_time / results[baseline]["cpu"]
            row += [format_time(results[baseline]["cpu"]), format_ratio(value)]
            limit = ROW_LIMITS.get(name)
            if limit is None:
                row.append("")
            else:
                row.append(f"≤ {limit}x " + ("met" if value <= limit else "**missed**"))
        if extra:
            n = int(argument)
            per = f"{format_time(subject_time / n)}"
            if baseline is not None:
                per += f" / {format_time(results[baseline]['cpu'] / n)}"
            row.append(per)
            moved = results[name].get("moved_pointers")
            moved_base = results.get(baseline, {}).get("moved_pointers") if baseline else None
            row.append("" if moved is None else f"{moved:,.0f} / {moved_base or 0:,.0f}")
        if reader:
            row.append(f"{results[name].get('bytes_per_second', 0) / 1e6:.0f}")
            base_rate = results.get(baseline, {}).get("bytes_per_second", 0) if baseline else 0
            row.append(f"{base_rate / 1e6:.0f}")
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


def source_revision():
    try:
        commit = subprocess.run(["git", "rev-parse", "--short", "HEAD"], capture_output=True,
                                text=True, check=True).stdout.strip()
        dirty = subprocess.run(["git", "status", "--porcelain", "--untracked-files=no"],
                               capture_output=True, text=True, check=True).stdout.strip()
    except (OSError, subprocess.CalledProcessError):
        return "unknown"
    return f"{commit} with uncommitted changes" if dirty else commit


def machine_section(contexts, build_dir, run_options):
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
        f"| Source | {source_revision()} |",
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
    parser.add_argument("--build-dir", required=True)
    parser.add_argument("--notes", required=True, help="Markdown appended after the tables")
    parser.add_argument("--output", required=True)
    parser.add_argument("--run-options", default="")
    parser.add_argument("results", nargs="+")
    args = parser.parse_args()

    results, repetitions, contexts = load_results(args.results)
    out = [
        "# Benchmarks",
        "",
        "What the library's guarantees cost, each beside the code a program would "
        "otherwise write, measured in one run of `scripts/benchmarks.sh` (which "
        f"wrote this file). Times are CPU time per operation, the fastest of "
        f"{repetitions} repetitions run in random order; a ratio is the library's "
        "time over the baseline's, so below 1 the library is faster.",
        "",
        "## Machine",
        "",
    ]
    out += machine_section(contexts, args.build_dir, args.run_options)
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

    out += ["", Path(args.notes).read_text(encoding="utf-8").rstrip(), ""]
    Path(args.output).write_text("\n".join(out), encoding="utf-8")


if __name__ == "__main__":
    main()
