"""The storing and scaling figures of an annual run, measured as they are reported.

    /usr/bin/python3 bench/store_goals.py [--bench build/kz7_bench] [--rounds 3] [--quick]

Runs, in alternation so that a machine that slows down or speeds up weighs on
each alike, every round of:

- the hourly-stored and the unstored annual run of 100 and 1000 zones
  (BM_AnnualZonesStoredHourly, BM_AnnualZonesNoOutput: process CPU time,
  every thread of the run counted);
- the unstored run of 10, 100 and 1000 zones on ten-minute steps
  (BM_AnnualRunZonesDenver, BM_AnnualRun100ZonesDenver);
- one variable of one zone for a year of hours read back from a 10-zone
  10-minute database, by the reader and through the results view
  (BM_ReadOneVariableYear*);

and prints the medians and what they give: the CPU time of the stored run
over the unstored one (and the same of the fastest runs), the storing cost
per zone at 100 and at 1000 zones, the stored file's megabytes per
zone-year, the read-back times, the 100-zone calculation's time per zone
and step, and its cost per added zone from 10 to 100 and from 100 to 1000
zones. --quick leaves out the 1000-zone runs (a round then takes some ten
seconds rather than a minute). A benchmark whose rounds differ by more than
a tenth is named at the end: the machine changed speed meanwhile, and the
figures of that measurement are not to be trusted.
"""

import argparse
import json
import pathlib
import statistics
import subprocess
import sys

ROOT = pathlib.Path(__file__).resolve().parents[1]


# Runs of one benchmark further apart than this (slowest over fastest, less
# one) say that the machine changed speed during the measurement: on a
# virtual machine a busy neighbour can slow every run by half for minutes.
# Runs shorter than SHORTEST_MS are left out of the test: a millisecond's
# jitter would be a large share of them.
UNSTEADY = 0.10
SHORTEST_MS = 20.0


def spread(values):
    """How much longer the slowest of `values` took than the fastest, as a fraction."""
    if len(values) < 2 or min(values) < SHORTEST_MS:
        return 0.0
    return max(values) / min(values) - 1


def run(bench, pattern, counters):
    """Each benchmark matching `pattern`, run once: {name: milliseconds}.
    Its counters go into `counters`, as {name: {counter: value}}."""
    out = subprocess.run(
        [bench, f"--benchmark_filter={pattern}", "--benchmark_format=json"],
        check=True, capture_output=True, text=True).stdout
    times = {}
    for entry in json.loads(out)["benchmarks"]:
        if entry.get("error_occurred"):
            sys.exit(f"{entry['name']}: {entry.get('error_message', 'failed')}")
        name = entry["run_name"].split("/iterations")[0]
        scale = {"ms": 1.0, "us": 1e-3, "ns": 1e-6, "s": 1e3}[entry["time_unit"]]
        # The stored runs are timed in process CPU time, the rest per thread:
        # both are in cpu_time.
        times[name] = entry["cpu_time"] * scale
        counters[name] = {key: value for key, value in entry.items()
                          if key in ("MB_per_zone_year", "zone_steps")}
    return times


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--bench", default=str(ROOT / "build" / "kz7_bench"))
    parser.add_argument("--rounds", type=int, default=3)
    parser.add_argument("--quick", action="store_true")
    args = parser.parse_args()
    zones = "100" if args.quick else "(100|1000)"
    patterns = [f"BM_AnnualZones(StoredHourly|NoOutput)/{zones}/",
                "BM_AnnualRunZonesDenver/10/" if args.quick else "BM_AnnualRunZonesDenver/",
                "BM_AnnualRun100ZonesDenver", "BM_ReadOneVariableYear"]
    samples = {}
    counters = {}
    for round_number in range(args.rounds):
        for pattern in patterns:
            for name, ms in run(args.bench, pattern, counters).items():
                samples.setdefault(name, []).append(ms)
        print(f"round {round_number + 1} of {args.rounds} done", file=sys.stderr)

    median = {name: statistics.median(values) for name, values in samples.items()}
    for name in sorted(median):
        values = ", ".join(f"{v:.0f}" for v in samples[name])
        print(f"{name:40} median {median[name]:9.1f} ms   ({values})")

    print()
    stored = median["BM_AnnualZonesStoredHourly/100"]
    unstored = median["BM_AnnualZonesNoOutput/100"]
    print(f"stored ÷ unstored, 100 zones: {stored / unstored:.2f} (goal: at most 2)")
    # The fastest runs are the least disturbed by a busy machine; with few
    # rounds they show how far the medians are from the intrinsic cost.
    fastest = (min(samples["BM_AnnualZonesStoredHourly/100"]) /
               min(samples["BM_AnnualZonesNoOutput/100"]))
    print(f"  the same of the fastest runs: {fastest:.2f}")
    per_zone = (stored - unstored) / 100
    print(f"storing cost per zone, 100 zones: {per_zone:.2f} ms")
    if median.get("BM_AnnualZonesStoredHourly/1000"):
        per_zone_1000 = (median["BM_AnnualZonesStoredHourly/1000"] -
                         median["BM_AnnualZonesNoOutput/1000"]) / 1000
        print(f"storing cost per zone, 1000 zones: {per_zone_1000:.2f} ms "
              f"({100 * (per_zone_1000 / per_zone - 1):+.0f} %, goal: within 20 %)")
    hundred = median["BM_AnnualRun100ZonesDenver"]
    megabytes = counters["BM_AnnualZonesStoredHourly/100"]["MB_per_zone_year"]
    print(f"stored hourly records: {megabytes:.2f} MB per zone-year (goal: at most 2)")
    print(f"one variable of one zone for a year of hours read back: "
          f"{median['BM_ReadOneVariableYear']:.1f} ms, through the results view "
          f"{median['BM_ReadOneVariableYearThroughResultsView']:.1f} ms (goal: under 50)")
    zone_step = 1e6 * hundred / counters["BM_AnnualRun100ZonesDenver"]["zone_steps"]
    print(f"100-zone calculation: {zone_step:.0f} ns per zone and step (goal: under 100)")
    ten = median["BM_AnnualRunZonesDenver/10"]
    first = (hundred - ten) / 90
    print(f"calculation per added zone, 10 to 100 zones: {first:.2f} ms")
    if median.get("BM_AnnualRunZonesDenver/1000"):
        second = (median["BM_AnnualRunZonesDenver/1000"] - hundred) / 900
        print(f"calculation per added zone, 100 to 1000 zones: {second:.2f} ms "
              f"({100 * (second / first - 1):+.0f} %, goal: within 20 %)")
    unsteady = sorted(name for name, values in samples.items() if spread(values) > UNSTEADY)
    if unsteady:
        print(f"\nnot steady: {', '.join(unsteady)} took more than "
              f"{100 * UNSTEADY:.0f} % longer in one round than in another; the machine's "
              "speed changed while it was measured, and the figures above are not to be "
              "trusted: measure again in a quiet spell.")


if __name__ == "__main__":
    main()
