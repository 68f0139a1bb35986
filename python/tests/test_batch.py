"""kz7.batch on a Dask cluster against kz7 batch on threads, and the copy of runs between databases."""

import os
import shutil
import subprocess

import distributed
import numpy as np
import pytest

import kz7
from conftest import SOURCE, SUPPORT, WEATHER
from kz7 import _core
from kz7.parametric import comparison_frame

STUDY = SOURCE / "examples" / "insulation-study"
# The kz7 program of the build under test (ctest says which).
KZ7 = os.environ.get("KZ7_PROGRAM", str(SOURCE / "build" / "kz7"))


@pytest.fixture(scope="module")
def study(tmp_path_factory):
    """The insulation study with a row the template cannot take, run once by `kz7 batch`."""
    folder = tmp_path_factory.mktemp("study")
    shutil.copy(STUDY / "cell.kz7", folder)
    denver = (WEATHER / "USA_CO_Denver.Intl.AP.725650_TMY3.epw").resolve()
    rows = ["thin,0.05,12", 'bad,"0.1,5",12', "thick,0.20,12", "small,0.20,6"]
    (folder / "variants.csv").write_text("label,insulation,window,weather\n" + "".join(f"{r},{denver}\n" for r in rows))
    plan = folder / "study.plan"
    plan.write_text(f"template = cell.kz7\nvariants = variants.csv\nsupport = {SUPPORT.resolve()}\n")
    db = folder / "threads.db"
    done = subprocess.run(
        [KZ7, "batch", str(plan), "--db", str(db), "--jobs", "2", "--csv", "--quiet"],
        capture_output=True,
        text=True,
    )
    assert done.returncode == 1, done.stderr  # the bad row failed
    return plan, db, comparison_frame(done.stdout)


def test_dask_gives_the_table_of_kz7_batch(study, tmp_path):
    plan, threads_db, expected = study
    db = tmp_path / "dask.db"
    with distributed.LocalCluster(n_workers=2, threads_per_worker=1, processes=True) as cluster:
        with distributed.Client(cluster) as client:
            table = kz7.batch(plan, client=client, db=db)

    # The same runs, figures bit for bit; only the run numbers follow each database's order.
    assert table.drop(columns="run").equals(expected.drop(columns="run"))
    assert list(table["status"]) == ["finished", "failed", "finished", "finished"]
    assert "holds a comma" in table.at[1, "note"]
    assert [label for label, _ in table.attrs["failed"]] == ["bad"]
    # Each run was copied whole: facts, parameters and series equal those of the threads' run.
    dask_runs = {run.label: run for run in kz7.open(db)}
    thread_runs = {run.label: run for run in kz7.open(threads_db)}
    assert sorted(dask_runs) == sorted(thread_runs) and list(table["run"]) == [dask_runs[l].id for l in table["label"]]
    for label in ("thin", "small"):
        mine, theirs = dask_runs[label], thread_runs[label]
        assert (mine.params, mine.model_sha256, mine.weather_file) == (theirs.params, theirs.model_sha256, theirs.weather_file)
        assert mine.series("AirTemperature", zone=1).equals(theirs.series("AirTemperature", zone=1))
        assert mine.summary().equals(theirs.summary())


def test_copying_a_run_refuses_what_is_not_one_and_leaves_the_target(study, tmp_path):
    _, threads_db, _ = study
    target = tmp_path / "target.db"
    (thick,) = [run for run in kz7.open(threads_db) if run.label == "thick"]
    first = _core.copy_run(db=str(target), source=str(threads_db), run=thick.id)
    second = _core.copy_run(db=str(target), source=str(threads_db), run=thick.id)
    assert (first, second) == (1, 2)
    np.testing.assert_array_equal(
        kz7.open(target)[2].series("Heating", zone=0).to_numpy(), thick.series("Heating", zone=0).to_numpy()
    )
    notes = tmp_path / "notes.db"
    notes.write_text("not a database")
    with pytest.raises(kz7.Error, match="notes.db"):
        _core.copy_run(db=str(target), source=str(notes), run=1)
    with pytest.raises(kz7.Error, match="no run 99"):
        _core.copy_run(db=str(target), source=str(threads_db), run=99)
    assert len(kz7.open(target)) == 2
    with pytest.raises(kz7.Error, match="missing.plan"):
        kz7.batch(tmp_path / "missing.plan", db=tmp_path / "none.db")
