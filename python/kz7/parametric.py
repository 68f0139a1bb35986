"""Parametric studies on a Dask cluster: the plan of `kz7 batch`, one task per variant.

Each worker runs its variant with the engine in its own process, into a result database of
its own in its temporary folder, and sends that database back; the client copies the run
into the study's database as it arrives. Workers therefore need no shared folder for results,
only the plan's files (template, table, weather files) and the support folder at the paths
the plan names.
"""

import io
import os
import pathlib
import tempfile

import pandas as pd

from . import _core
from .runs import DEFAULT_DB


def _run_variant(plan, support, index):
    """On a worker: variant `index` of `plan` into a fresh database; (outcome, its bytes)."""
    with tempfile.TemporaryDirectory(prefix="kz7-variant-") as folder:
        shard = os.path.join(folder, "variant.db")
        outcome = _core.run_plan_variant(plan=plan, support=support, index=index, db=shard)
        data = pathlib.Path(shard).read_bytes() if outcome["run"] else b""
    return outcome, data


def _store(db, outcome, data):
    """On the client: the worker's run copied into `db`; its number there (0 when none)."""
    if not outcome["run"]:
        return 0
    with tempfile.TemporaryDirectory(prefix="kz7-variant-") as folder:
        shard = pathlib.Path(folder) / "variant.db"
        shard.write_bytes(data)
        return _core.copy_run(db=db, source=str(shard), run=outcome["run"])


def _local_client():
    from distributed import Client, LocalCluster

    # One single-threaded worker process per core: the engine holds the GIL only
    # between its calls, but a process each keeps the workers' engines apart.
    cluster = LocalCluster(n_workers=os.cpu_count() or 1, threads_per_worker=1, processes=True)
    return Client(cluster), cluster


def batch(plan, client=None, db=None, support=None):
    """Runs every variant of the plan file `plan` on a Dask cluster; the comparison as a DataFrame.

    The plan is the one `kz7 batch` reads. `client` is a `distributed.Client`; without one a
    `LocalCluster` with one worker process per core is started for the call and closed after
    it. Every variant becomes one run of `db` (default "results.db") with its label and
    parameters; a bad variant is stored as a failed run with its reason, as `kz7 batch` does.
    The DataFrame is the table `kz7 batch --csv` prints, in the plan's order, with the runs'
    numbers in `db`; `.attrs["failed"]` lists the labels and reasons of failed variants.
    """
    plan = os.path.abspath(os.fspath(plan))
    support = "" if support is None else os.path.abspath(os.fspath(support))
    db = os.path.abspath(DEFAULT_DB if db is None else os.fspath(db))
    facts = _core.plan_facts(plan=plan, support=support)
    if facts["support"] and not os.path.isdir(facts["support"]):
        raise _core.Error(f"{facts['support']}: support folder not found")
    _core.make_database(db)  # made or checked before any variant runs

    from distributed import as_completed

    own = None
    if client is None:
        client, own = _local_client()
    try:
        futures = [
            client.submit(_run_variant, plan, support, index, pure=False)
            for index in range(len(facts["labels"]))
        ]
        runs = [0] * len(futures)
        failed = []
        try:
            for future in as_completed(futures):
                outcome, data = future.result()
                runs[outcome["index"]] = _store(db, outcome, data)
                if outcome["status"] == "failed":
                    failed.append((outcome["index"], outcome["message"]))
        except BaseException:
            # Ctrl-C or a lost worker: nothing more starts; the runs stored so far stay.
            client.cancel(futures)
            raise
    finally:
        if own is not None:
            client.close()
            own.close()
    stored = [run for run in runs if run]
    csv = _core.comparison_csv(db=db, runs=stored, parameters=facts["parameters"])
    table = comparison_frame(csv)
    table.attrs.update(database=db, plan=plan, failed=[(facts["labels"][i], m) for i, m in sorted(failed)])
    return table


def comparison_frame(csv):
    """The comparison table of `kz7 batch --csv` as a DataFrame (no value: NaN; no note: "")."""
    table = pd.read_csv(
        io.StringIO(csv), dtype={"label": str, "status": str, "note": str}, keep_default_na=False, na_values=[""]
    )
    table["note"] = table["note"].fillna("")
    return table
