"""Variants per second of one plan through `kz7 batch` (1 and 2 threads) and through kz7.batch on Dask.

    PYTHONPATH=build/python /usr/bin/python3 bench/python_batch.py [--kz7 build/kz7] [--variants 16]

The plan is the one-zone test cell of examples/insulation-study (annual, hourly records
stored) with an insulation sweep. Dask runs on a LocalCluster of two single-threaded worker
processes, started before the timing (its start is printed apart). Each way runs --repeat
times into a fresh database; the best and median rates are printed with the load average,
since the machine may be shared.
"""

import argparse
import os
import pathlib
import statistics
import subprocess
import tempfile
import time

import kz7

ROOT = pathlib.Path(__file__).resolve().parents[1]
STUDY = ROOT / "examples" / "insulation-study"


def make_plan(folder, variants):
    table = "label,insulation,window\n" + "".join(f"v{i},{0.02 * i:.2f},12\n" for i in range(1, variants + 1))
    (folder / "variants.csv").write_text(table)
    plan = folder / "study.plan"
    plan.write_text(f"template = {STUDY / 'cell.kz7'}\nvariants = variants.csv\nsupport = {ROOT / 'support'}\n")
    return plan


def rates(run, variants, repeat, folder, name):
    seconds = []
    for attempt in range(repeat):
        db = folder / f"{name}-{attempt}.db"
        start = time.perf_counter()
        run(db)
        seconds.append(time.perf_counter() - start)
    return variants / min(seconds), variants / statistics.median(seconds)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--kz7", default=str(ROOT / "build" / "kz7"))
    parser.add_argument("--variants", type=int, default=16)
    parser.add_argument("--repeat", type=int, default=3)
    args = parser.parse_args()
    from distributed import Client, LocalCluster

    with tempfile.TemporaryDirectory() as name:
        folder = pathlib.Path(name)
        plan = make_plan(folder, args.variants)

        def command(jobs):
            def run(db):
                subprocess.run([args.kz7, "batch", str(plan), "--db", str(db), "--jobs", str(jobs), "--quiet"],
                               check=True, stdout=subprocess.DEVNULL)
            return run

        results = {}
        print(f"load average before: {' '.join(f'{x:.2f}' for x in os.getloadavg())}")
        for jobs in (1, 2):
            results[f"kz7 batch --jobs {jobs}"] = rates(command(jobs), args.variants, args.repeat, folder, f"jobs{jobs}")
        start = time.perf_counter()
        with LocalCluster(n_workers=2, threads_per_worker=1, processes=True) as cluster, Client(cluster) as client:
            client.run(lambda: __import__("kz7"))  # the workers import the package before the timing
            print(f"LocalCluster of 2 workers started in {time.perf_counter() - start:.1f} s")
            results["kz7.batch on Dask, 2 workers"] = rates(
                lambda db: kz7.batch(plan, client=client, db=db), args.variants, args.repeat, folder, "dask"
            )
        print(f"load average after: {' '.join(f'{x:.2f}' for x in os.getloadavg())}")
        for way, (best, median) in results.items():
            print(f"{way:32} best {best:6.2f} variants/s, median {median:6.2f} variants/s ({args.variants} variants)")


if __name__ == "__main__":
    main()
