#!/usr/bin/python3
"""Opens kz7's HTML reports in headless Chromium and checks what they drew.

Runs of the shipped examples (an annual run with plant, the heat-loss and
heat-gain runs, and an annual run of a model without plant) are reported; each page is
opened with "#selftest", which makes it walk its zone selector and write the
counts of every chart into #kz7-selftest. A screenshot of each page is saved.

Usage: html_report_test.py KZ7 SOURCE_DIR OUT_DIR
Exit 0 when every check passes, 1 on a failure, 77 (skipped) without chromium.
"""
import html
import json
import os
import re
import shutil
import subprocess
import sys
import tempfile

SKIPPED = 77
CHROMIUM_FLAGS = [
    "--headless", "--no-sandbox", "--disable-gpu", "--disable-quic", "--no-first-run",
    "--disable-background-networking", "--disable-component-update", "--disable-sync",
    "--hide-scrollbars",
]

# Charts every zone of a layout draws when it has the data; the carpet must
# also have painted its cells.
ZONE_CHARTS = {
    "annual": {"monthly", "histogram", "carpet", "load-curves"},
    "heatloss": {"design-day"},
    "heatgain": {"monthly-peaks"},
}


def chromium():
    for name in ("chromium", "chromium-browser"):
        path = shutil.which(name)
        if path:
            return path
    return None


def run(command):
    result = subprocess.run(command, capture_output=True, text=True, timeout=300)
    if result.returncode != 0:
        raise AssertionError(f"{' '.join(command)} failed ({result.returncode}): {result.stderr}")
    return result.stdout


def browse(browser, page, extra):
    with tempfile.TemporaryDirectory(prefix="kz7-chromium-") as profile:
        return run([browser, *CHROMIUM_FLAGS, f"--user-data-dir={profile}", *extra,
                    "file://" + os.path.abspath(page)])


def selftest(browser, page):
    dom = browse(browser, page + "#selftest", ["--virtual-time-budget=20000", "--dump-dom"])
    found = re.search(r'<pre id="kz7-selftest">(.*?)</pre>', dom, re.S)
    if not found or not found.group(1):
        raise AssertionError(f"{page}: the page wrote no self-test result")
    return json.loads(html.unescape(found.group(1)))


def check(name, verdict, layout, plant, no_loads):
    problems = []
    if verdict["errors"]:
        problems.append(f"console errors: {verdict['errors']}")
    if verdict["layout"] != layout:
        problems.append(f"layout {verdict['layout']}, expected {layout}")
    page_ids = {chart["id"] for chart in verdict["page"]}
    if plant and not {"fuel-by-use", "carbon"} <= page_ids:
        problems.append(f"fuel and carbon charts missing: {sorted(page_ids)}")
    zones = verdict["zones"]
    if len(zones) < 2:
        problems.append("the selector offers no zones")
    for zone in zones:
        if zone["heading"] != zone["name"]:
            problems.append(f"selecting {zone['name']} shows {zone['heading']}")
        ids = {chart["id"] for chart in zone["charts"]}
        if not ZONE_CHARTS[layout] <= ids:
            problems.append(f"{zone['name']}: missing {sorted(ZONE_CHARTS[layout] - ids)}")
    for chart in verdict["page"] + [c for zone in zones for c in zone["charts"]]:
        if chart["datasets"] == 0 or chart["points"] == 0:
            problems.append(f"chart {chart['id']} drew nothing: {chart}")
        if chart["id"] == "carpet" and chart["cells"] != chart["points"]:
            problems.append(f"carpet painted {chart['cells']} of {chart['points']} cells")
    # Switching zones must change what is drawn, not only the heading (with
    # one zone, the building's values are the zone's).
    signatures = {json.dumps([c["sum"] for c in zone["charts"]]) for zone in zones}
    if len(zones) > 2 and len(signatures) < 2:
        problems.append("every zone draws the same data")
    if no_loads and any(c["id"].startswith("peak-") for z in zones for c in z["charts"]):
        problems.append("peak-day charts drawn for a zone without heating or cooling")
    return [f"{name}: {problem}" for problem in problems]


def main():
    kz7, source, out = sys.argv[1:4]
    browser = chromium()
    if not browser:
        print("chromium is not installed (scripts/install-deps.sh installs it): skipped")
        return SKIPPED
    os.makedirs(out, exist_ok=True)
    support = os.path.join(source, "support")
    # name, command, model, layout, fuel charts expected, no heating or cooling
    cases = [
        ("annual", "simulate", "small-office.kz7", "annual", True, False),
        ("heatloss", "heatloss", "small-office.kz7", "heatloss", False, False),
        ("heatgain", "heatgain", "small-office.kz7", "heatgain", False, False),
        # No boiler, chiller or emitter: only the gains use fuel.
        ("no-plant", "simulate", "test-cell.kz7", "annual", True, True),
    ]
    failures = []
    for name, command, model, layout, plant, no_loads in cases:
        database = os.path.join(out, f"{name}.db")
        page = os.path.join(out, f"{name}.html")
        if os.path.exists(database):
            os.remove(database)
        run([kz7, command, os.path.join(source, "examples", model), "--support", support,
             "--db", database, "--quiet"])
        run([kz7, "report-html", database, "-o", page])
        verdict = selftest(browser, page)
        failures += check(name, verdict, layout, plant, no_loads)
        browse(browser, page, ["--window-size=1280,2600", f"--screenshot={page[:-5]}.png"])
        print(f"{name}: {len(verdict['zones'])} zone views checked, screenshot {page[:-5]}.png")
    for failure in failures:
        print("FAILED", failure)
    return 1 if failures else 0


if __name__ == "__main__":
    sys.exit(main())
