#!/usr/bin/env python3
"""Summarises a JSON run of inkvista_bench as the ratios of docs/performance.md:
the page tables when the page benchmarks ran (the fit tables alone when only
the fit ones did), the registry table when the registry ones did.

    build/bench/inkvista_bench --benchmark_repetitions=5 \
        --benchmark_out=bench.json --benchmark_out_format=json
    python3 bench/ratios.py bench.json

Uses the fastest of repeated runs, CPU time throughout.
"""
import json
import sys


def read_times(path):
    """CPU seconds per iteration of every benchmark: the fastest of its
    repetitions. On a shared machine other work only ever adds time, so the
    fastest run is the closest to the code's own cost."""
    with open(path) as f:
        runs = json.load(f)["benchmarks"]
    times = {}
    for r in runs:
        if r.get("run_type") == "aggregate":
            continue
        unit = {"ns": 1e-9, "us": 1e-6, "ms": 1e-3, "s": 1.0}[r.get("time_unit", "ns")]
        t = r["cpu_time"] * unit
        name = r["run_name"]
        times[name] = min(t, times.get(name, t))
    return times


def page_tables(t):
    sizes = ["240x320", "600x900", "1200x1800"]
    ms = lambda s: f"{s * 1e3:.3f}"
    print("| page | view | LoadPage ms | decode only ms | LZO + memcpy ms | PNG ms | ratio | aim |")
    print("|---|---|---|---|---|---|---|---|")
    for kind in ("colour", "grey"):
        for size in sizes:
            page = f"{kind}/{size}"
            base = t[f"Baseline/lzo/{page}"] + t[f"Baseline/memcpy/{page}"]
            png = t[f"Baseline/png/{page}"]
            for view in ("portrait", "landscape"):
                load = t[f"LoadPage/{page}/{view}"]
                decode = t[f"Decode/{page}/{view}"]
                if kind == "colour":
                    ratio = f"{load / base:.2f}x of LZO+memcpy ({decode / base:.2f}x decode only)"
                    aim = "<= 2x"
                else:
                    ratio = f"PNG takes {png / load:.2f}x ({png / decode:.2f}x decode only)"
                    aim = ">= 3x"
                print(f"| {kind} {size} | {view} | {ms(load)} | {ms(decode)} | {ms(base)} | "
                      f"{ms(png)} | {ratio} | {aim} |")
    print()
    fit_tables(t, sizes[1:])


def fit_tables(t, sizes):
    """LoadPage with the fit against the baseline scaler, where the time goes,
    and the resampling with each set of kernels."""
    ms = lambda s: f"{s * 1e3:.2f}"
    print("| page | view | LoadPage + fit, baseline ms | LoadPage + fit ms | ratio | "
          "file steps ms | decode ms | fit ms | fit, baseline ms | fit ratio |")
    print("|---|---|---|---|---|---|---|---|---|---|")
    for kind in ("grey", "colour"):
        for size in sizes:
            for view in ("portrait", "landscape"):
                at = f"{kind}/{size}/{view}"
                before, now = t[f"LoadPageBaseline/{at}/fit"], t[f"LoadPage/{at}/fit"]
                fit, fit_before = t[f"Fit/{at}"], t[f"FitBaseline/{at}"]
                print(f"| {kind} {size} | {view} | {ms(before)} | {ms(now)} | "
                      f"{before / now:.1f}x | {ms(t[f'Read/{at}'])} | {ms(t[f'Decode/{at}'])} | "
                      f"{ms(fit)} | {ms(fit_before)} | {fit_before / fit:.1f}x |")
    sets = sorted({name.split("/")[1] for name in t if name.startswith("Resample/")},
                  key=lambda s: {"plain": 0, "sse": 1, "avx2": 2}.get(s, 3))
    if not sets:
        return
    print()
    print("| page | view | " + " | ".join(f"{s} ms" for s in sets) + " |")
    print("|---|---|" + "---|" * len(sets))
    for kind in ("grey", "colour"):
        for size in sizes:
            for view in ("portrait", "landscape"):
                at = f"{kind}/{size}/{view}"
                cells = " | ".join(ms(t[f"Resample/{s}/{at}"]) for s in sets)
                print(f"| {kind} {size} | {view} | {cells} |")


REGISTRY_FILES = ["mixed", "long", "small"]


def registry_table(t, counters):
    print("| file | size | plain read ms | load ms | ratio | aim |")
    print("|---|---|---|---|---|---|")
    for index, name in enumerate(REGISTRY_FILES):
        load = t[f"Registry/load/file:{index}"]
        read = t[f"Registry/read/file:{index}"]
        size = counters[f"Registry/load/file:{index}"]["bytes"]
        print(f"| {name} | {size / 2**20:.1f} MiB | {read * 1e3:.2f} | {load * 1e3:.2f} | "
              f"{load / read:.1f}x | <= 10x |")


def library_table(t):
    refresh, bare = t.get("LibraryRefresh"), t.get("LibraryBareReads")
    if refresh is None or bare is None:
        return
    print("| books | bare open/read/close ms | refresh ms | ratio | aim |")
    print("|---|---|---|---|---|")
    print(f"| 10,000 in 5 folders | {bare * 1e3:.1f} | {refresh * 1e3:.1f} | "
          f"{refresh / bare:.1f}× | ≤ 1.5× |")


def main():
    t = read_times(sys.argv[1])
    with open(sys.argv[1]) as f:
        counters = {r["run_name"]: r for r in json.load(f)["benchmarks"]
                    if r.get("run_type") != "aggregate"}
    if any(name.startswith("Baseline/") for name in t):
        page_tables(t)
    elif any(name.startswith("FitBaseline/") for name in t):
        fit_tables(t, ["600x900", "1200x1800"])
    if any(name.startswith("Registry/") for name in t):
        registry_table(t, counters)
    if "LibraryRefresh" in t:
        library_table(t)


if __name__ == "__main__":
    main()
