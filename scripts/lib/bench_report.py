"""Turns the benchmark runs (JSON of Google Benchmark, one thread and all
threads) into build/bench/report.md and the data of the ratio chart."""
import json
import sys

# step, our benchmark, peer label, peer benchmark, streaming step
ROWS = [
    ("threshold", "Threshold/Fast/4000x3000", "HLS + threshold + masked copy",
     "Threshold/OpenCV_threshold_pipeline/4000x3000", True),
    ("noise reduction", "NoiseReduction/Fast/4000x3000", "lightness-median pipeline",
     "NoiseReduction/OpenCV_lightness_median/4000x3000", False),
    ("convolution 3x3 (Lissage)", "Convolve/Lissage/Fast/4000x3000", "filter2D",
     "Convolve/Lissage/OpenCV_filter2D/4000x3000", False),
    ("convolution 3x3 (Accentuation)", "Convolve/Accentuation/Fast/4000x3000", "filter2D",
     "Convolve/Accentuation/OpenCV_filter2D/4000x3000", False),
    ("convolution 3x3 (Passe-haut)", "Convolve/Passe-haut/Fast/4000x3000", "filter2D",
     "Convolve/Passe-haut/OpenCV_filter2D/4000x3000", False),
    ("convolution 3x3 (Contour)", "Convolve/Contour/Fast/4000x3000", "filter2D",
     "Convolve/Contour/OpenCV_filter2D/4000x3000", False),
    ("convolution 3x3 (Sobel)", "Convolve/Sobel/Fast/4000x3000", "filter2D",
     "Convolve/Sobel/OpenCV_filter2D/4000x3000", False),
    ("convolution (Utilisateur, the user's grid)", "Convolve/Utilisateur/Fast/4000x3000", "filter2D",
     "Convolve/Utilisateur/OpenCV_filter2D/4000x3000", False),
    ("convolution 7x7 (Gauss)", "Convolve/Gauss/Fast/4000x3000", "filter2D",
     "Convolve/Gauss/OpenCV_filter2D/4000x3000", False),
    ("gradient, vertical", "Gradient/Fast/Vertical/4000x3000", "convertTo per row",
     "Gradient/OpenCV_convertTo/4000x3000/0", True),
    ("gradient, horizontal", "Gradient/Fast/Horizontal/4000x3000", "convertTo per column",
     "Gradient/OpenCV_convertTo/4000x3000/1", True),
    ("gap x1", "Gap/Fast/4000x3000/1", "absdiff + convertScaleAbs",
     "Gap/OpenCV_absdiff_convertScaleAbs/4000x3000/1/0", True),
    ("gap x10", "Gap/Fast/4000x3000/10", "absdiff + convertScaleAbs",
     "Gap/OpenCV_absdiff_convertScaleAbs/4000x3000/10/0", True),
    ("merge, maximum", "Merge/Fast/4000x3000/0", "max", "Merge/OpenCV_max/4000x3000/0", True),
    ("merge, transparency", "Merge/Fast/4000x3000/1", "addWeighted",
     "Merge/OpenCV_addWeighted/4000x3000/0", True),
    ("merge, transparency + prevalent", "Merge/Fast/4000x3000/2", "addWeighted",
     "Merge/OpenCV_addWeighted/4000x3000/0", True),
    ("region fill, noise 0", "Fill/Fast/4000x3000/0", "floodFill (mask)",
     "Fill/OpenCV_floodFill/4000x3000", False),
    ("region fill, noise 5", "Fill/Fast/4000x3000/1", "floodFill (mask)",
     "Fill/OpenCV_floodFill/4000x3000", False),
    ("background tool's fill", "Fill/Fast/4000x3000/2", "floodFill (mask)",
     "Fill/OpenCV_floodFill/4000x3000", False),
    ("region fill's growth alone, noise 0", "Fill/Growth/4000x3000/0", "plain breadth-first walk (same bits)",
     "Fill/PlainWalk/4000x3000", False),
    ("region fill's growth alone, noise 5", "Fill/Growth/4000x3000/1", "plain breadth-first walk (same bits)",
     "Fill/PlainWalk/4000x3000", False),
    ("vignetting, 4 corners of 1500", "Vignetting/Fast/4000x3000", None, None, False),
    ("preview, one image", "Preview/Fast/4000x3000/1", "resize INTER_AREA",
     "Preview/OpenCV_resize_area/4000x3000/1", False),
    ("previews, merge (two + merged)", "Preview/Fast/4000x3000/2", "2 x resize INTER_AREA",
     "Preview/OpenCV_resize_area/4000x3000/2", False),
]
COPY = "MemoryCopy/4000x3000"
# The peers of the steps that hand the host a new image, allocating theirs anew each run.
FRESH_PEERS = {
    "Gap/OpenCV_absdiff_convertScaleAbs/4000x3000/1/0": "Gap/OpenCV_absdiff_convertScaleAbs/4000x3000/1/1",
    "Merge/OpenCV_max/4000x3000/0": "Merge/OpenCV_max/4000x3000/1",
    "Merge/OpenCV_addWeighted/4000x3000/0": "Merge/OpenCV_addWeighted/4000x3000/1",
}


UNIT_SECONDS = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}


def best_rates(path):
    """Mpx/s of each benchmark by the clock on the wall (the pool's threads
    work while the timing thread waits), from its best repetition."""
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    rates = {}
    for run in runs:
        if run.get("run_type") == "aggregate" or "items_per_second" not in run:
            continue
        unit = UNIT_SECONDS[run.get("time_unit", "ns")]
        pixels = run["items_per_second"] * run["cpu_time"] * unit  # per iteration
        rate = pixels / (run["real_time"] * unit) / 1e6
        name = run.get("run_name", run["name"])
        rates[name] = max(rates.get(name, 0.0), rate)
    return rates, runs


def cell(value, digits=1):
    return "–" if value is None else f"{value:.{digits}f}"


def dll_table(path, one, many, threads):
    """The tools timed inside Molvane.dll under Wine, beside the native times."""
    try:
        with open(path) as f:
            rows = [line.rstrip("\n").split("\t") for line in f if line.strip()]
    except OSError:
        return []
    if not rows:
        return []
    native = {step: ours_name for step, ours_name, *_ in ROWS}
    peers = {step: peer_name for step, _, _, peer_name, _ in ROWS}
    steps = list(dict.fromkeys(step for step, _, _ in rows))
    ms = {(step, size): value for step, size, value in rows}
    lines = [
        "",
        "## Through Molvane.dll under Wine",
        "",
        "The time the host waits, from the press of the button that computes (for the fill "
        "and the vignetting: the click that sets it off) to the plug-in's return, the DLL "
        f"using its pool ({threads} threads here); beside it the native x86-64 step alone at "
        "4000 x 3000 (one thread and all threads), and the DLL's ratio to the native time on "
        "all threads; then the OpenCV peer natively on one thread, and for the steps that "
        "hand the host a new image, the peer writing into a new image at every run (the "
        "first touch of fresh pages counted, as in the DLL); last, the peer's time over the "
        "DLL's (into a new image where the step hands one over; above 1: the DLL, button to "
        "callback, is ahead of the native peer). Each DLL figure is the least of its runs.",
        "",
        f"| step | DLL 4000 x 3000 (ms) | DLL 6000 x 4000 (ms) | native, 1 thread (ms) | "
        f"native, {threads} threads (ms) | DLL / native | peer, 1 thread (ms) | "
        "peer into a new image (ms) | peer / DLL |",
        "|---|---|---|---|---|---|---|---|---|",
    ]

    def ms_of(rates, name):
        return 12000.0 / rates[name] if name in rates else None

    for step in steps:
        name, peer = native.get(step), peers.get(step)
        one_ms, many_ms = ms_of(one, name), ms_of(many, name)
        peer_ms = ms_of(one, peer) if peer else None
        fresh_ms = ms_of(one, FRESH_PEERS[peer]) if peer in FRESH_PEERS else None
        dll = ms.get((step, "4000x3000"), "-")
        try:
            ratio = float(dll) / many_ms if many_ms else None
            ahead = (fresh_ms or peer_ms) / float(dll) if (fresh_ms or peer_ms) else None
        except (ValueError, ZeroDivisionError):
            ratio = ahead = None
        lines.append(f"| {step} | {dll} | {ms.get((step, '6000x4000'), '-')} | {cell(one_ms)} | "
                     f"{cell(many_ms)} | {cell(ratio, 2)} | {cell(peer_ms)} | {cell(fresh_ms)} | "
                     f"{cell(ahead, 2)} |")
    return lines


def best_counter(runs, name, counter):
    """The least value of a counter over a benchmark's repetitions."""
    values = [run[counter] for run in runs
              if run.get("run_type") != "aggregate" and run.get("run_name", run["name"]) == name
              and counter in run]
    return min(values) if values else None


def dll_ms(dll_path, step, size="4000x3000"):
    try:
        with open(dll_path) as f:
            for line in f:
                fields = line.rstrip("\n").split("\t")
                if len(fields) == 3 and fields[0] == step and fields[1] == size:
                    return float(fields[2])
    except (OSError, ValueError):
        pass
    return None


def fill_targets(one, many, one_runs, threads, dll_path):
    """The background fill's targets, each with its figure and what limits it."""
    def ms(rates, name):
        return 12000.0 / rates[name] if name in rates else None

    growth = {k: best_counter(one_runs, f"Fill/Growth/4000x3000/{k}", "ns_per_region_pixel") for k in (0, 1)}
    walk = best_counter(one_runs, "Fill/PlainWalk/4000x3000", "ns_per_region_pixel")
    region = best_counter(one_runs, "Fill/Growth/4000x3000/0", "region_pixels")
    flood = best_counter(one_runs, "Fill/OpenCV_floodFill/4000x3000", "cpu_time")  # ms
    flood_ns = flood * 1e6 / region if flood and region else None
    tool_one, tool_many = ms(one, "Fill/Fast/4000x3000/2"), ms(many, "Fill/Fast/4000x3000/2")
    growth_ms = ms(one, "Fill/Growth/4000x3000/1")  # wall-clock, as the fill's own figures
    speedup = tool_one / tool_many if tool_one and tool_many else None
    # Amdahl: the growth runs on one thread whatever the pool holds.
    bound = (tool_one / (growth_ms + (tool_one - growth_ms) / threads)
             if tool_one and growth_ms and tool_one > growth_ms else None)
    dll = dll_ms(dll_path, "background tool's fill") if dll_path else None

    def verdict(value, target, below=True):
        if value is None:
            return "not measured"
        return "met" if (value <= target if below else value >= target) else "missed"

    return [
        "",
        "## The background fill's targets",
        "",
        "The growth is the one pass bound to the breadth-first order: it runs on one thread, "
        "whatever the pool holds; the membership bits and the painting split over the pool. "
        "Figures per region pixel are the least of the repetitions, by CPU time (steadier on a "
        "shared machine); the others by the clock on the wall, as in the tables above.",
        "",
        "| target | figure | limit, measured in the same run | verdict |",
        "|---|---|---|---|",
        f"| growth alone, noise 0, ≤ 3 ns a region pixel | {cell(growth[0], 2)} ns | plain breadth-first "
        f"walk over the same bits {cell(walk, 2)} ns; floodFill {cell(flood_ns, 2)} ns | "
        f"{verdict(growth[0], 3)} |",
        f"| growth alone, noise 5, ≤ 3 ns a region pixel | {cell(growth[1], 2)} ns | the same walk "
        f"{cell(walk, 2)} ns | {verdict(growth[1], 3)} |",
        f"| background tool's fill, {threads} threads over 1, ≥ 1.7 × | {cell(speedup, 2)} × "
        f"({cell(tool_one)} → {cell(tool_many)} ms) | the growth alone {cell(growth_ms)} ms of "
        f"{cell(tool_one)}: at most {cell(bound, 2)} × on {threads} threads | {verdict(speedup, 1.7, False)} |",
        f"| background tool's fill natively on {threads} threads, ≤ 60 ms | {cell(tool_many)} ms | "
        f"the growth alone {cell(growth_ms)} ms | {verdict(tool_many, 60)} |",
        f"| background tool's fill through the DLL at 4000 x 3000, ≤ 80 ms | {cell(dll)} ms | "
        f"native on {threads} threads {cell(tool_many)} ms | {verdict(dll, 80)} |",
    ]


def gradient_target(one, many, threads, dll_path):
    """The vertical gradient through the DLL against its peer, beside what bounds it:
    the native step and a plain copy of the image on every thread."""
    def ms(rates, name):
        return 12000.0 / rates[name] if name in rates else None

    dll = dll_ms(dll_path, "gradient, vertical")
    peer = ms(one, "Gradient/OpenCV_convertTo/4000x3000/0")
    ahead = peer / dll if peer and dll else None
    verdict = "not measured" if ahead is None else ("met" if ahead > 1.0 else "missed")
    return [
        "",
        "## The vertical gradient's target",
        "",
        "| target | figure | limit, measured in the same run | verdict |",
        "|---|---|---|---|",
        f"| vertical gradient through the DLL at 4000 x 3000 ahead of convertTo per row, peer / DLL > 1.0 | "
        f"{cell(ahead, 2)} × ({cell(peer)} ms against {cell(dll)} ms) | native step on {threads} threads "
        f"{cell(ms(many, 'Gradient/Fast/Vertical/4000x3000'))} ms; memory copy of the image on {threads} threads "
        f"{cell(ms(many, COPY))} ms | {verdict} |",
    ]


def main(one_path, all_path, threads, report_path, chart_data_path, load, dll_path=""):
    one, one_runs = best_rates(one_path)
    many, _ = best_rates(all_path)
    copy = one.get(COPY)
    lines = [
        "# Every step beside its peer",
        "",
        f"4000 x 3000 pixels, one thread, then {threads} threads (ours and OpenCV alike), "
        "wall-clock time, best of the repetitions. Ratio = ours / peer in Mpx/s (above 1: ours is faster); "
        "copy = ours / the memory copy of the image. Machine load during the run: "
        f"{load}.",
        "",
        f"| step | ours (Mpx/s) | peer | peer (Mpx/s) | ratio ours/peer | fraction of copy "
        f"| ours, {threads} threads | peer, {threads} threads | ours speed-up |",
        "|---|---|---|---|---|---|---|---|---|",
    ]
    chart = []
    for step, ours_name, peer_label, peer_name, streaming in ROWS:
        ours = one.get(ours_name)
        if ours is None:
            continue
        peer = one.get(peer_name) if peer_name else None
        ratio = ours / peer if peer else None
        fraction = ours / copy if copy else None
        ours_n = many.get(ours_name)
        peer_n = many.get(peer_name) if peer_name else None
        speedup = ours_n / ours if ours_n else None
        mark = " (streaming)" if streaming else ""
        lines.append(
            f"| {step}{mark} | {cell(ours)} | {peer_label or 'none'} | {cell(peer)} | "
            f"{cell(ratio, 2)} | {cell(fraction, 2)} | {cell(ours_n)} | {cell(peer_n)} | "
            f"{cell(speedup, 2)} |")
        if ratio is not None:
            chart.append((step, ratio, ours_n / peer_n if ours_n and peer_n else 0.0))
    if copy:
        lines.append(f"| memory copy | {cell(copy)} | | | | 1.00 | {cell(many.get(COPY))} | | |")
    lines += dll_table(dll_path, one, many, threads) if dll_path else []
    lines += gradient_target(one, many, threads, dll_path) if dll_path else []
    lines += fill_targets(one, many, one_runs, int(threads), dll_path)
    lines.append("")
    with open(report_path, "w") as f:
        f.write("\n".join(lines))
    with open(chart_data_path, "w") as f:
        for step, ratio, ratio_n in chart:
            f.write(f'"{step}" {ratio:.4f} {ratio_n:.4f}\n')


if __name__ == "__main__":
    main(*sys.argv[1:])
