#!/usr/bin/env python3
"""Sums the results of every test tier into one closing line.

Usage: summarize.py TIER=BUILD_DIR ... [--extra-failures N] [--extra-passes N]

For each build tree it reads ctest's JUnit report (BUILD_DIR/ctest-junit.xml). A ctest test that
wrote a GoogleTest report (BUILD_DIR/results/NAME.xml) counts as its test cases; any other counts
as one test. A tier whose report is missing counts as one failure. The extra counts are checks that
test.sh makes itself (a failed build, a program's imports checked against Windows XP).
"""
import os
import sys
import xml.etree.ElementTree as ET


def gtest_counts(path):
    passed = failed = skipped = 0
    failures = []
    root = ET.parse(path).getroot()
    for case in root.iter("testcase"):
        name = case.get("classname", "") + "." + case.get("name", "")
        if case.find("failure") is not None or case.find("error") is not None:
            failed += 1
            failures.append(name)
        elif case.get("status") == "notrun" or case.get("result") == "skipped" or case.find("skipped") is not None:
            skipped += 1
        else:
            passed += 1
    return passed, failed, skipped, failures


def main(argv):
    total_p = total_f = total_s = 0
    extra = 0
    extra_passes = 0
    tiers = []
    i = 0
    while i < len(argv):
        if argv[i] == "--extra-failures":
            extra += int(argv[i + 1])
            i += 2
            continue
        if argv[i] == "--extra-passes":
            extra_passes += int(argv[i + 1])
            i += 2
            continue
        tiers.append(argv[i].split("=", 1))
        i += 1
    for tier, build in tiers:
        junit = os.path.join(build, "ctest-junit.xml")
        p = f = s = 0
        failed_names = []
        if not os.path.exists(junit):
            print(f"{tier}: no test report ({junit})")
            total_f += 1
            continue
        for case in ET.parse(junit).getroot().iter("testcase"):
            name = case.get("name")
            status = case.get("status", "run")
            ctest_failed = case.find("failure") is not None or status == "fail"
            if status in ("notrun", "disabled"):
                s += 1
                continue
            report = os.path.join(build, "results", name + ".xml")
            if os.path.exists(report):
                try:
                    gp, gf, gs, names = gtest_counts(report)
                except ET.ParseError:
                    gp, gf, gs, names = 0, 1, 0, [name + " (unreadable report)"]
                if ctest_failed and gf == 0:
                    gf = 1
                    names = [name + " (program failed)"]
                p, f, s = p + gp, f + gf, s + gs
                failed_names += names
            elif ctest_failed:
                f += 1
                failed_names.append(name)
            else:
                p += 1
        print(f"{tier}: {p} passed, {f} failed, {s} skipped")
        for n in failed_names:
            print(f"  failed: {n}")
        total_p, total_f, total_s = total_p + p, total_f + f, total_s + s
    total_f += extra
    total_p += extra_passes
    if extra_passes:
        print(f"imports: {extra_passes} programs load on Windows XP SP2")
    print(f"{total_p} passed, {total_f} failed, {total_s} skipped")
    return 0 if total_f == 0 else 1


if __name__ == "__main__":
    sys.exit(main(sys.argv[1:]))
