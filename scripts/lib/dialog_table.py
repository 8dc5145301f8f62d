"""The dialogs' table of the benchmark report from several runs of
molvane_dialog_timings: each step's least and median time, and whether the
median meets its target (a first opening must be quick every time, not once).

    dialog_table.py LOAD CORES TABLE...
"""
import statistics
import sys


def rows(path):
    """(step, ms, target) of each data row of one run's table."""
    with open(path, encoding="utf-8", errors="replace") as f:
        for line in f:
            cells = [c.strip() for c in line.strip().strip("|").split("|")]
            if len(cells) != 3 or cells[0].startswith("step") or cells[1].startswith("-"):
                if cells[0].startswith("step ("):
                    yield cells[0], None, None
                continue
            try:
                yield cells[0], float(cells[1]), cells[2]
            except ValueError:
                continue


def verdict(median, target, load, cores):
    if not target.endswith(" ms"):
        return "–"
    if median <= float(target[:-3]):
        return "met"
    return f"MISSED: load average {load} on {cores} cores before the runs"


def main(load, cores, paths):
    steps, times, size = [], {}, "step ("
    for path in paths:
        for step, ms, target in rows(path):
            if ms is None:
                size = step[:-1] + "; "  # "step (4000 x 3000" and the runs
                continue
            if step not in times:
                steps.append((step, target))
                times[step] = []
            times[step].append(ms)
    print(f"| {size}least and median of {len(paths)} runs) | least (ms) | median (ms) | target | verdict |")
    print("|---|---|---|---|---|")
    for step, target in steps:
        ms = times[step]
        median = statistics.median(ms)
        print(f"| {step} | {min(ms):.1f} | {median:.1f} | {target} | {verdict(median, target, load, cores)} |")


if __name__ == "__main__":
    if len(sys.argv) < 4:
        sys.exit(__doc__)
    main(sys.argv[1], sys.argv[2], sys.argv[3:])
