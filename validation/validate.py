#!/usr/bin/python3
"""Runs the test-cell envelope cases and compares kz7 with the reference programs.

    validate.py [--kz7 BIN]                 run every case; write validation/results.csv,
                                            the tables of docs/validation.md and the chart
    validate.py --check 600 600FF [--kz7 BIN]
                                            run the named cases and check that every figure
                                            is within 1 % of validation/results.csv

Every case is run through the kz7 command: `kz7 simulate --json` for the run and
its annual totals, and `kz7 export-csv` for its hourly zone records. The hourly
figures are read only in `hourly_records`, so a change to how the result
database stores its records touches no line of this script.
"""
import argparse
import csv
import json
import os
import subprocess
import sys
import tempfile

ROOT = os.path.dirname(os.path.dirname(os.path.abspath(__file__)))
CASE_DIR = os.path.join(ROOT, "validation", "ashrae140")
RANGES = os.path.join(ROOT, "validation", "ashrae140-example-ranges.csv")
RESULTS = os.path.join(ROOT, "validation", "results.csv")
PAGE = os.path.join(ROOT, "docs", "validation.md")
CHART = os.path.join(ROOT, "docs", "validation.svg")

HEATED, FREE = "heated", "free-floating"

# The cases in the order of the published tables. A case whose model is None is
# not run yet: 610 and 630 need the shading of overhangs and fins.
CASES = [
    ("195", HEATED, "case195.kz7"),
    ("600", HEATED, "case600.kz7"),
    ("610", HEATED, "case610.kz7"),
    ("620", HEATED, "case620.kz7"),
    ("630", HEATED, "case630.kz7"),
    ("640", HEATED, "case640.kz7"),
    ("650", HEATED, "case650.kz7"),
    ("680", HEATED, "case680.kz7"),
    ("685", HEATED, "case685.kz7"),
    ("695", HEATED, "case695.kz7"),
    ("600FF", FREE, "case600FF.kz7"),
    ("650FF", FREE, "case650FF.kz7"),
    ("680FF", FREE, "case680FF.kz7"),
]
PENDING_NOTE = "not run yet: needs the shading of overhangs and fins"

# metric key -> (title, unit, kind of case)
METRICS = {
    "heat_mwh": ("Annual heating", "MWh", HEATED),
    "cool_mwh": ("Annual cooling", "MWh", HEATED),
    "peak_heat_kw": ("Peak hourly heating", "kW", HEATED),
    "peak_cool_kw": ("Peak hourly cooling", "kW", HEATED),
    "ff_max_c": ("Free-floating maximum hourly air temperature", "°C", FREE),
    "ff_min_c": ("Free-floating minimum hourly air temperature", "°C", FREE),
    "ff_mean_c": ("Free-floating mean hourly air temperature", "°C", FREE),
}
TOLERANCE = 0.01  # the check's relative tolerance


def run_kz7(kz7, *args):
    done = subprocess.run([kz7, *args], capture_output=True, text=True)
    if done.returncode != 0:
        sys.exit("kz7 %s failed (%d):\n%s%s" % (" ".join(args), done.returncode, done.stdout, done.stderr))
    return done.stdout


def hourly_records(kz7, database, run, folder):
    """The run's hourly records of zone 1 as a list of dicts {column: float or None}.

    Columns are named as `kz7 export-csv` heads them ("AirTemperature (°C)",
    "Heating (kWh)": the hour's energy, i.e. its mean power in kW). This is the
    one place that reads stored results."""
    run_kz7(kz7, "export-csv", database, "--run", str(run), "--interval", "hour",
            "--zone", "1", "--out", folder)
    path = os.path.join(folder, "run%d-hour-zones.csv" % run)
    with open(path, newline="", encoding="utf-8-sig") as f:
        rows = list(csv.DictReader(f))
    return [{k: (float(v) if v not in ("", None) else None) for k, v in row.items()
             if k not in ("zone", "zone_name", "time")} for row in rows]


def simulate(kz7, case, model, kind):
    """Runs one case and returns its figures {metric: value}."""
    with tempfile.TemporaryDirectory(prefix="kz7-validate-") as folder:
        database = os.path.join(folder, "results.db")
        summary = json.loads(run_kz7(kz7, "simulate", os.path.join(CASE_DIR, model),
                                     "--support", CASE_DIR, "--db", database,
                                     "--hourly", "--json", "--quiet"))
        if summary["status"] != "finished":
            sys.exit("case %s: run %s" % (case, summary["status"]))
        hours = hourly_records(kz7, database, summary["run"], folder)
    if len(hours) != 8760:
        sys.exit("case %s: %d hourly records, expected 8760" % (case, len(hours)))
    if kind == FREE:
        air = [h["AirTemperature (°C)"] for h in hours]
        return {"ff_max_c": max(air), "ff_min_c": min(air), "ff_mean_c": sum(air) / len(air)}
    zone = summary["zones"][0]
    return {
        "heat_mwh": (zone["heating_kwh"] or 0.0) / 1000.0,
        "cool_mwh": (zone["cooling_kwh"] or 0.0) / 1000.0,
        "peak_heat_kw": max(h["Heating (kWh)"] or 0.0 for h in hours),
        "peak_cool_kw": max(h["Cooling (kWh)"] or 0.0 for h in hours),
    }


def read_ranges():
    ranges = {}
    with open(RANGES, newline="") as f:
        for row in csv.DictReader(f):
            ranges[(row["case"], row["metric"])] = (float(row["min"]), float(row["max"]))
    return ranges


def inside(value, low, high):
    # The published range is given to four or five significant digits.
    return low - 5e-5 <= round(value, 4) <= high + 5e-5


def write_results(rows):
    with open(RESULTS, "w", newline="") as f:
        out = csv.writer(f, lineterminator="\n")
        out.writerow(["case", "metric", "kz7", "min", "max", "inside"])
        for case, metric, value, low, high in rows:
            out.writerow([case, metric, "%.4f" % value, low, high,
                          "yes" if inside(value, low, high) else "no"])


def read_results():
    published = {}
    with open(RESULTS, newline="") as f:
        for row in csv.DictReader(f):
            published[(row["case"], row["metric"])] = float(row["kz7"])
    return published


def results_tables(rows, ranges):
    lines = []
    done = {case for case, _, _, _, _ in rows}
    for metric, (title, unit, kind) in METRICS.items():
        lines += ["### %s (%s)" % (title, unit), "",
                  "| Case | kz7 | Reference min | Reference max | Inside |", "|---|---|---|---|---|"]
        for case, case_kind, model in CASES:
            if case_kind != kind or (case, metric) not in ranges:
                continue
            low, high = ranges[(case, metric)]
            if case not in done:
                lines.append("| %s | – | %g | %g | %s |" % (case, low, high, PENDING_NOTE))
                continue
            value = next(v for c, m, v, _, _ in rows if c == case and m == metric)
            lines.append("| %s | %.3f | %g | %g | %s |" % (
                case, value, low, high, "yes" if inside(value, low, high) else "**no**"))
        lines.append("")
    outside = [(c, m) for c, m, v, lo, hi in rows if not inside(v, lo, hi)]
    lines.append("%d of %d figures are inside the reference range; outside: %s." % (
        len(rows) - len(outside), len(rows),
        ", ".join("%s %s" % (c, METRICS[m][0].lower()) for c, m in outside) or "none"))
    return "\n".join(lines)


def write_page(tables):
    begin, end = "<!-- results: begin (written by make validate) -->", "<!-- results: end -->"
    with open(PAGE, encoding="utf-8") as f:
        page = f.read()
    if begin not in page or end not in page:
        sys.exit("%s has no results markers" % PAGE)
    head, rest = page.split(begin, 1)
    _, tail = rest.split(end, 1)
    with open(PAGE, "w", encoding="utf-8") as f:
        f.write(head + begin + "\n" + tables + "\n" + end + tail)


def svg_panel(x0, y0, width, height, metric, rows, ranges):
    """One chart panel: the reference range as a grey bar behind kz7's marker, per case."""
    title, unit, kind = METRICS[metric]
    cases = [c for c, k, _ in CASES if k == kind and (c, metric) in ranges]
    values = {c: v for c, m, v, _, _ in rows if m == metric}
    numbers = [x for c in cases for x in ranges[(c, metric)]] + [values[c] for c in cases if c in values]
    low, high = min(numbers + [0.0]), max(numbers)
    span = (high - low) * 1.1 or 1.0
    top = low + span
    plot_top, plot_height = y0 + 28, height - 58
    def y(v):
        return plot_top + (top - v) / span * plot_height
    out = ['<text x="%g" y="%g" class="title">%s (%s)</text>' % (x0 + width / 2, y0 + 14, title, unit),
           '<line x1="%g" y1="%g" x2="%g" y2="%g" class="axis"/>' % (x0 + 40, y(0), x0 + width, y(0))]
    for i in range(5):
        v = low + span * i / 4
        out.append('<text x="%g" y="%g" class="tick">%.3g</text>' % (x0 + 36, y(v) + 4, v))
    step = (width - 50) / max(len(cases), 1)
    for i, case in enumerate(cases):
        cx = x0 + 50 + step * (i + 0.5)
        lo, hi = ranges[(case, metric)]
        out.append('<rect x="%g" y="%g" width="%g" height="%g" class="range"/>' % (
            cx - step * 0.3, y(hi), step * 0.6, max(y(lo) - y(hi), 1.5)))
        if case in values:
            v = values[case]
            cls = "in" if inside(v, lo, hi) else "out"
            out.append('<rect x="%g" y="%g" width="%g" height="%g" class="%s"/>' % (
                cx - step * 0.12, min(y(v), y(0)), step * 0.24, abs(y(0) - y(v)) or 1, cls))
        else:
            out.append('<text x="%g" y="%g" class="tick-c">n/a</text>' % (cx, y(0) - 4))
        out.append('<text x="%g" y="%g" class="tick-c">%s</text>' % (cx, y0 + height - 12, case))
    return out


def write_chart(rows, ranges):
    panels = list(METRICS)
    width, height, columns = 460, 260, 2
    total_height = height * ((len(panels) + columns - 1) // columns) + 30
    out = ['<svg xmlns="http://www.w3.org/2000/svg" width="%d" height="%d" font-family="sans-serif">'
           % (width * columns, total_height),
           "<style>.title{font-size:13px;text-anchor:middle}.tick{font-size:10px;text-anchor:end}"
           ".tick-c{font-size:10px;text-anchor:middle}.axis{stroke:#444}.range{fill:#c8c8c8}"
           ".in{fill:#2a6fb0}.out{fill:#d0402b}.legend{font-size:11px}</style>",
           '<rect width="100%" height="100%" fill="white"/>']
    for i, metric in enumerate(panels):
        out += svg_panel((i % columns) * width, (i // columns) * height, width - 10, height,
                         metric, rows, ranges)
    ly = total_height - 14
    out += ['<rect x="20" y="%d" width="14" height="10" class="range"/>' % (ly - 9),
            '<text x="40" y="%d" class="legend">range of the reference programs</text>' % ly,
            '<rect x="230" y="%d" width="14" height="10" class="in"/>' % (ly - 9),
            '<text x="250" y="%d" class="legend">kz7, inside</text>' % ly,
            '<rect x="340" y="%d" width="14" height="10" class="out"/>' % (ly - 9),
            '<text x="360" y="%d" class="legend">kz7, outside</text>' % ly, "</svg>"]
    with open(CHART, "w", encoding="utf-8") as f:
        f.write("\n".join(out) + "\n")


def run_cases(kz7, names):
    ranges = read_ranges()
    rows = []
    for case, kind, model in CASES:
        if model is None or (names and case not in names):
            continue
        for metric, value in simulate(kz7, case, model, kind).items():
            if (case, metric) in ranges:
                rows.append((case, metric, value) + ranges[(case, metric)])
    return rows, ranges


def check(kz7, names):
    known = {c for c, _, m in CASES if m is not None}
    if not set(names) <= known:
        sys.exit("unknown or pending cases: %s" % ", ".join(sorted(set(names) - known)))
    published = read_results()
    rows, _ = run_cases(kz7, names)
    failed = 0
    for case, metric, value, _, _ in rows:
        expected = published.get((case, metric))
        if expected is None:
            print("%s %s: not published in %s" % (case, metric, RESULTS))
            failed += 1
            continue
        ok = abs(value - expected) <= TOLERANCE * abs(expected) + 1e-4
        print("%-6s %-13s kz7 %10.4f  published %10.4f  %s" % (case, metric, value, expected,
                                                               "ok" if ok else "MOVED"))
        failed += not ok
    if failed:
        print("%d figure(s) moved more than 1 %% from the published table: rerun `make validate` "
              "and explain the change in docs/validation.md" % failed)
    return 1 if failed else 0


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kz7", default=os.path.join(ROOT, "build", "kz7"))
    parser.add_argument("--check", nargs="+", metavar="CASE")
    args = parser.parse_args()
    if not os.access(args.kz7, os.X_OK):
        sys.exit("kz7 binary not found: %s (build it first)" % args.kz7)
    if args.check:
        return check(args.kz7, args.check)
    rows, ranges = run_cases(args.kz7, None)
    write_results(rows)
    write_page(results_tables(rows, ranges))
    write_chart(rows, ranges)
    outside = sum(not inside(v, lo, hi) for _, _, v, lo, hi in rows)
    print("%d figures, %d outside the reference range; wrote %s, %s, %s" % (
        len(rows), outside, os.path.relpath(RESULTS, ROOT), os.path.relpath(PAGE, ROOT),
        os.path.relpath(CHART, ROOT)))
    return 0


if __name__ == "__main__":
    sys.exit(main())
