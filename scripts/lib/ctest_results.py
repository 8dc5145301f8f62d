#!/usr/bin/env python3
"""Prints "PASSED FAILED" for the JUnit file `ctest --output-junit` wrote.

Counted as ctest counts: a test that ran and passed, or that skipped itself
(its skip message starts with SKIP_), passed; one that failed, timed out or
could not run failed; a disabled one is neither. Exits non-zero when the file
is missing, unreadable or lists no test.
"""
import sys
import xml.etree.ElementTree as ElementTree


def main(path):
    try:
        cases = list(ElementTree.parse(path).getroot().iter("testcase"))
    except (OSError, ElementTree.ParseError) as error:
        print(f"{path}: {error}", file=sys.stderr)
        return 1
    passed = failed = 0
    for case in cases:
        status = case.get("status")
        skipped = case.find("skipped")
        if status == "run" or (status == "notrun" and skipped is not None
                               and skipped.get("message", "").startswith("SKIP_")):
            passed += 1
        elif status != "disabled":
            failed += 1
    if passed + failed == 0:
        print(f"{path}: no test ran", file=sys.stderr)
        return 1
    print(passed, failed)
    return 0


if __name__ == "__main__":
    sys.exit(main(sys.argv[1]))
