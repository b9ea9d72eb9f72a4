#!/usr/bin/env python3
"""Plants small faults in the product code one at a time and runs the test
suite against each, to see which faults the tests catch.

    scripts/mutation_check.py [--build-dir DIR] [--limit N] [--seed S]
                              [--jobs J] [--label L] [--target T ...]
                              [--report FILE] [PATH ...]

PATH (default: conversion cli preferences ui) are files or folders of C++
sources. Each fault is one of: a comparison flipped, a logical operator
swapped, an integer constant off by one, true and false swapped, a condition
negated, or a call statement removed. A fault that does not build is set
aside; every other one is built into DIR (default build-mutation, a Release
build of its own) and run against the whole ctest suite, or with --label
only the tests of that label (core, cli, ui) and with --target only the
targets named built. The report lists each survivor with its file, line and
change, and the share caught.
"""

import argparse
import os
import random
import re
import shutil
import signal
import subprocess
import sys
import time
from pathlib import Path

ROOT = Path(__file__).resolve().parent.parent
DEFAULT_PATHS = ["conversion", "cli", "preferences", "ui"]
DISK_SPACE_LIMIT = 16 << 30

# Binary operators are written with spaces around them in this code base,
# which keeps templates, includes and shifts out of reach.
COMPARISONS = {" == ": " != ", " != ": " == ", " < ": " <= ", " <= ": " < ", " > ": " >= ", " >= ": " > "}
LOGICAL = {" && ": " || ", " || ": " && "}
BOOLEANS = {"true": "false", "false": "true"}
INTEGER = re.compile(r"(?<![\w.'])(\d+)(?![\w.'])")
CONDITION = re.compile(r"\b(if|while) \((.*)\) \{$")
CALL_STATEMENT = re.compile(r"^(\s*)([A-Za-z_][\w:]*(?:(?:->|\.)[A-Za-z_]\w*)*\(.*\));\s*$")
NOT_A_CALL = re.compile(r"^\s*(return|throw|case|delete|using|static_assert|Q_OBJECT|emit)\b")


def code_part(line):
    """The line without a trailing // comment and with string and character
    literals blanked, so that mutations never land inside them."""
    blanked = re.sub(r'"(?:[^"\\]|\\.)*"', lambda m: '"' + " " * (len(m.group()) - 2) + '"', line)
    blanked = re.sub(r"'(?:[^'\\]|\\.)'", lambda m: "'" + " " * (len(m.group()) - 2) + "'", blanked)
    comment = blanked.find("//")
    return blanked if comment < 0 else blanked[:comment] + " " * (len(blanked) - comment)


def mutants_of_line(line):
    code = code_part(line)
    stripped = code.strip()
    if not stripped or stripped.startswith(("#", "*", "/*")):
        return
    for table, kind in ((COMPARISONS, "comparison"), (LOGICAL, "logical")):
        for old, new in table.items():
            start = code.find(old)
            while start >= 0:
                yield kind, line[:start] + new + line[start + len(old):]
                start = code.find(old, start + 1)
    for old, new in BOOLEANS.items():
        for match in re.finditer(r"\b%s\b" % old, code):
            yield "boolean", line[:match.start()] + new + line[match.end():]
    for match in INTEGER.finditer(code if "virtual" not in code else ""):  # "= 0" of a pure virtual
        value = int(match.group(1))
        yield "constant", line[:match.start()] + str(value + 1) + line[match.end():]
    condition = CONDITION.search(code)
    if condition:
        start, end = condition.span(2)
        yield "negation", line[:start] + "!(" + line[start:end] + ")" + line[end:]
    call = CALL_STATEMENT.match(code)
    if call and not NOT_A_CALL.match(code) and " = " not in code and code.count("(") == code.count(")"):
        yield "removed call", call.group(1) + "static_cast<void>(0);  // removed\n"


def other_platform_lines(lines):
    """Line numbers inside `#ifdef _WIN32` branches: this build never compiles
    them, so a fault there would survive without telling anything."""
    skipped, depth, windows_depth = set(), 0, None
    for number, line in enumerate(lines, start=1):
        directive = line.strip()
        if directive.startswith("#if"):
            depth += 1
            if windows_depth is None and re.match(r"#if(def\s+_WIN32|\s+defined\(_WIN32\))", directive):
                windows_depth = depth
        elif directive.startswith("#el") and windows_depth == depth:
            windows_depth = None
        elif directive.startswith("#endif"):
            if windows_depth == depth:
                windows_depth = None
            depth -= 1
        if windows_depth is not None:
            skipped.add(number)
    return skipped


def collect_mutants(paths):
    mutants = []
    for path in paths:
        full = ROOT / path
        files = sorted(full.rglob("*")) if full.is_dir() else [full]
        for source in files:
            # Windows's sources are never compiled by this build.
            if source.suffix not in (".cpp", ".h") or source.stem.endswith("_windows"):
                continue
            lines = source.read_text().splitlines(keepends=True)
            skipped = other_platform_lines(lines)
            for number, line in enumerate(lines, start=1):
                if number in skipped:
                    continue
                for kind, mutated in mutants_of_line(line):
                    mutants.append((source.relative_to(ROOT), number, kind, line, mutated))
    return mutants


def run(command):
    """Runs command, ended when the disk it works on has lost
    DISK_SPACE_LIMIT since it started: a fault that makes a writer retry
    forever would otherwise fill the disk first. Free space is watched rather
    than file sizes capped, since a test makes a sparse 1 TiB texture."""
    floor = shutil.disk_usage(ROOT).free - DISK_SPACE_LIMIT
    process = subprocess.Popen(command, cwd=ROOT, stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                               start_new_session=True)
    while process.poll() is None:
        if shutil.disk_usage(ROOT).free < floor:
            os.killpg(process.pid, signal.SIGKILL)
            process.wait()
            return -1
        time.sleep(0.2)
    return process.returncode


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("paths", nargs="*", default=DEFAULT_PATHS)
    parser.add_argument("--build-dir", default="build-mutation")
    parser.add_argument("--limit", type=int, default=0, help="test a random sample of this many faults")
    parser.add_argument("--seed", type=int, default=1)
    parser.add_argument("--jobs", type=int, default=os.cpu_count() or 2)
    parser.add_argument("--label", default=None, help="run only the tests of this ctest label")
    parser.add_argument("--target", action="append", default=[], help="build only this target (repeatable)")
    parser.add_argument("--report", default=None, help="also write the report to this file")
    options = parser.parse_args()

    mutants = collect_mutants(options.paths)
    print(f"{len(mutants)} possible faults")
    if options.limit and options.limit < len(mutants):
        mutants = sorted(random.Random(options.seed).sample(mutants, options.limit),
                         key=lambda mutant: (str(mutant[0]), mutant[1]))

    build = ["cmake", "--build", options.build_dir, "-j", str(options.jobs)]
    for target in options.target:
        build += ["--target", target]
    test = ["ctest", "--test-dir", options.build_dir, "-j", str(options.jobs), "--stop-on-failure", "--timeout", "120"]
    if options.label:
        test += ["-L", options.label]
    if run(["cmake", "-S", ".", "-B", options.build_dir, "-DCMAKE_BUILD_TYPE=Release"]) != 0 or run(build) != 0:
        sys.exit("the unmutated tree does not build")
    if run(test) != 0:
        sys.exit("the unmutated tree fails its tests")

    results = {"killed": [], "survived": [], "not built": []}
    started = time.monotonic()
    for index, (source, number, kind, original, mutated) in enumerate(mutants, start=1):
        path = ROOT / source
        text = path.read_text()
        lines = text.splitlines(keepends=True)
        lines[number - 1] = mutated
        try:
            path.write_text("".join(lines))
            if run(build) != 0:
                outcome = "not built"
            else:
                outcome = "survived" if run(test) == 0 else "killed"
        finally:
            path.write_text(text)
            # The restored file must look new to make, or the mutant's objects stay.
            os.utime(path)
        results[outcome].append((source, number, kind, original.strip(), mutated.strip()))
        change = original.strip() if kind == "removed call" else mutated.strip()
        print(f"[{index}/{len(mutants)}] {outcome:9} {source}:{number} {kind}: {change}", flush=True)
    run(build)

    built = len(results["killed"]) + len(results["survived"])
    lines = [f"{len(mutants)} faults planted in {time.monotonic() - started:.0f} s: "
             f"{len(results['not built'])} did not build, {built} built",
             f"killed {len(results['killed'])} of {built}"
             + (f" ({100 * len(results['killed']) / built:.1f}%)" if built else ""),
             "", "survivors:"]
    lines += [f"  {source}:{number} {kind}\n    - {original}\n    + {mutated}"
              for source, number, kind, original, mutated in results["survived"]]
    report = "\n".join(lines)
    print("\n" + report)
    if options.report:
        Path(options.report).write_text(report + "\n")


if __name__ == "__main__":
    main()
