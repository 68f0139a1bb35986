"""How long the Python package takes to read one variable of one zone into a pandas Series.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_series.py [--db FILE]

The database is an annual run of a ten-zone office (the small office twice
over) on ten-minute steps, storing step and hourly records; it is made once
and kept at --db. Prints the best and median of many reads
of a year of hours, and of a year of steps.
"""

import argparse
import pathlib
import re
import statistics
import tempfile
import time

import kz7

ROOT = pathlib.Path(__file__).resolve().parents[1]


def ten_zone_model(folder):
    """The small office with a copy of its five zones keyed 6 to 10, on ten-minute steps."""
    text = (ROOT / "examples" / "small-office.kz7").read_text()
    text = re.sub(r"^SimulationOptions\n\d+,", "SimulationOptions\n10,", text, count=1, flags=re.M)
    text = text.replace("weather/", str(ROOT / "examples" / "weather") + "/")
    zones = text[text.index("Zone,1\n") :]

    def shifted(line):
        # Zone keys, and the adjacent zone of partitions (7th field), move up by five.
        if line.startswith("Zone,"):
            return f"Zone,{int(line[5:]) + 5}"
        if line.startswith("P,"):
            fields = line.split(",")
            fields[6] = str(int(fields[6]) + 5)
            return ",".join(fields)
        return line

    copy = "\n".join(shifted(line) for line in zones.splitlines())
    model = folder / "ten-zone-office.kz7"
    model.write_text(text.rstrip("\n") + "\n" + copy + "\n")
    return model


def timed(read, repeat):
    times = []
    for _ in range(repeat):
        start = time.perf_counter()
        read()
        times.append(time.perf_counter() - start)
    return min(times) * 1000, statistics.median(times) * 1000


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--db", type=pathlib.Path, default=pathlib.Path(tempfile.gettempdir()) / "kz7-ten-zone.db")
    parser.add_argument("--repeat", type=int, default=50)
    args = parser.parse_args()
    if not args.db.exists():
        with tempfile.TemporaryDirectory() as folder:
            start = time.perf_counter()
            kz7.simulate(ten_zone_model(pathlib.Path(folder)), support=ROOT / "support", db=args.db, interval="step")
            print(f"made {args.db} in {time.perf_counter() - start:.0f} s")
    run = kz7.open(args.db).runs()[-1]
    assert len(run.zones()) == 10, "the database should hold a ten-zone run"
    for interval, expected in (("hour", 8760), ("step", 52560)):
        series = run.series("AirTemperature", zone=7, interval=interval)
        assert len(series) == expected, (interval, len(series))
        best, median = timed(lambda: run.series("AirTemperature", zone=7, interval=interval), args.repeat)
        print(f"series of a year of {interval}s ({expected} values): best {best:.1f} ms, median {median:.1f} ms")
    # A fresh open each time: what a notebook's first read costs.
    best, median = timed(lambda: kz7.open(args.db).runs()[-1].series("AirTemperature", zone=7), args.repeat)
    print(f"open + series of a year of hours: best {best:.1f} ms, median {median:.1f} ms")


if __name__ == "__main__":
    main()
