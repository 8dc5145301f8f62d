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
    ("convolution 3x3 (Sobel)", "Convolve/Sobel/Fast/4000x3000", "filter2D",
     "Convolve/Sobel/OpenCV_filter2D/4000x3000", False),
    ("convolution 7x7 (Gauss)", "Convolve/Gauss/Fast/4000x3000", "filter2D",
     "Convolve/Gauss/OpenCV_filter2D/4000x3000", False),
    ("gradient, vertical", "Gradient/Fast/Vertical/4000x3000", "convertTo per row",
     "Gradient/OpenCV_convertTo/4000x3000/0", True),
    ("gradient, horizontal", "Gradient/Fast/Horizontal/4000x3000", "convertTo per column",
     "Gradient/OpenCV_convertTo/4000x3000/1", True),
    ("gap x1", "Gap/Fast/4000x3000/1", "absdiff + convertScaleAbs",
     "Gap/OpenCV_absdiff_convertScaleAbs/4000x3000/1", True),
    ("gap x10", "Gap/Fast/4000x3000/10", "absdiff + convertScaleAbs",
     "Gap/OpenCV_absdiff_convertScaleAbs/4000x3000/10", True),
    ("merge, maximum", "Merge/Fast/4000x3000/0", "max", "Merge/OpenCV_max/4000x3000", True),
    ("merge, transparency", "Merge/Fast/4000x3000/1", "addWeighted",
     "Merge/OpenCV_addWeighted/4000x3000", True),
    ("merge, transparency + prevalent", "Merge/Fast/4000x3000/2", "addWeighted",
     "Merge/OpenCV_addWeighted/4000x3000", True),
    ("region fill, noise 0", "Fill/Fast/4000x3000/0", "floodFill (mask)",
     "Fill/OpenCV_floodFill/4000x3000", False),
    ("region fill, noise 5", "Fill/Fast/4000x3000/1", "floodFill (mask)",
     "Fill/OpenCV_floodFill/4000x3000", False),
    ("background tool's fill", "Fill/Fast/4000x3000/2", "floodFill (mask)",
     "Fill/OpenCV_floodFill/4000x3000", False),
    ("vignetting, 4 corners of 1500", "Vignetting/Fast/4000x3000", None, None, False),
    ("preview, one image", "Preview/Fast/4000x3000/1", "resize INTER_AREA",
     "Preview/OpenCV_resize_area/4000x3000/1", False),
    ("previews, merge (two + merged)", "Preview/Fast/4000x3000/2", "2 x resize INTER_AREA",
     "Preview/OpenCV_resize_area/4000x3000/2", False),
]
COPY = "MemoryCopy/4000x3000"


def best_rates(path):
    """Mpx/s of each benchmark: its best repetition (the least disturbed)."""
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    rates = {}
    for run in runs:
        if run.get("run_type") == "aggregate" or "items_per_second" not in run:
            continue
        name = run.get("run_name", run["name"])
        rates[name] = max(rates.get(name, 0.0), run["items_per_second"] / 1e6)
    return rates, runs


def cell(value, digits=1):
    return "–" if value is None else f"{value:.{digits}f}"


def main(one_path, all_path, threads, report_path, chart_data_path, load):
    one, _ = best_rates(one_path)
    many, _ = best_rates(all_path)
    copy = one.get(COPY)
    lines = [
        "# Every step beside its peer",
        "",
        f"4000 x 3000 pixels, one thread, then {threads} threads (ours and OpenCV alike), "
        "best of the repetitions. Ratio = ours / peer in Mpx/s (above 1: ours is faster); "
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
    lines.append("")
    with open(report_path, "w") as f:
        f.write("\n".join(lines))
    with open(chart_data_path, "w") as f:
        for step, ratio, ratio_n in chart:
            f.write(f'"{step}" {ratio:.4f} {ratio_n:.4f}\n')


if __name__ == "__main__":
    main(*sys.argv[1:])
