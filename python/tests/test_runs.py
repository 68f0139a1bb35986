"""Engine runs from Python: failures, interruption, weather files, the design runs and the example."""

import os
import re
import signal
import sqlite3
import subprocess
import sys
import threading

import pytest

import kz7
from conftest import SMALL_OFFICE, SOURCE, SUPPORT, WEATHER

BOSTON = "USA_MA_Boston-Logan.Intl.AP.725090_TMY3.epw"


def office_text(**changes):
    """The small office's text with records replaced: {"SimulationOptions": "line"}."""
    text = SMALL_OFFICE.read_text()
    for record, line in changes.items():
        text = re.sub(rf"^{record}\n[^\n]*\n", f"{record}\n{line}\n", text, count=1, flags=re.M)
    return text


def test_failures_become_errors_with_the_engines_reason(tmp_path):
    db = tmp_path / "results.db"
    with pytest.raises(kz7.Error, match="nowhere.kz7: model file not found"):
        kz7.simulate(tmp_path / "nowhere.kz7", db=db)
    moved = tmp_path / "office.kz7"
    moved.write_text(office_text(SimulationWeather="weather/missing.epw,4"))
    with pytest.raises(kz7.Error, match=r"office\.kz7: weather file \"weather/missing\.epw\" not found; looked for "):
        kz7.simulate(moved, support=SUPPORT, db=db)
    with pytest.raises(kz7.Error, match="not an EPW weather file"):
        kz7.simulate(SMALL_OFFICE, support=SUPPORT, db=db, weather=SMALL_OFFICE)
    with pytest.raises(ValueError, match="must be non-empty and hold no '='"):
        kz7.simulate(SMALL_OFFICE, support=SUPPORT, db=db, params={"a=b": 1})
    with pytest.raises(ValueError, match="interval"):
        kz7.simulate(SMALL_OFFICE, support=SUPPORT, db=db, interval="fortnight")
    # An error that stops the engine is the exception's message and the stored run's note.
    flat = tmp_path / "flat.kz7"
    flat.write_text(re.sub(r"^([RSPWG]),([^,]+),[0-9.]+,", r"\1,\2,0,", office_text(), flags=re.M))
    with pytest.raises(kz7.Error, match="^Zero area setting up KZ7 circuits$"):
        kz7.simulate(flat, support=SUPPORT, db=tmp_path / "flat.db", weather=WEATHER / BOSTON)
    (failed,) = kz7.open(tmp_path / "flat.db")
    assert (failed.status, failed.note) == ("failed", "Zero area setting up KZ7 circuits")
    # A database that is not one is refused before anything runs.
    (tmp_path / "text.db").write_text("text")
    with pytest.raises(kz7.Error, match="text.db"):
        kz7.simulate(SMALL_OFFICE, support=SUPPORT, db=tmp_path / "text.db")
    # None of these left a run behind.
    assert not db.exists() or len(kz7.open(db)) == 0


def interrupt_when_running(db, stop):
    """Sends Ctrl-C to this process once `db` holds a running run."""
    while not stop.is_set():
        if db.exists():
            with sqlite3.connect(db) as connection:
                if connection.execute("SELECT count(*) FROM runs WHERE status = 'running'").fetchone()[0]:
                    os.kill(os.getpid(), signal.SIGINT)
                    return
        stop.wait(0.02)


def test_ctrl_c_cancels_the_run_and_raises_keyboard_interrupt(tmp_path):
    db = tmp_path / "results.db"
    model = tmp_path / "office.kz7"
    # One-minute steps: a run long enough to be caught in the middle.
    model.write_text(office_text(SimulationOptions="1,1,1,31,12,18,0.5,0"))
    stop = threading.Event()
    watcher = threading.Thread(target=interrupt_when_running, args=(db, stop))
    watcher.start()
    try:
        with pytest.raises(KeyboardInterrupt):
            kz7.simulate(model, support=SUPPORT, db=db, weather=WEATHER / BOSTON)
    finally:
        stop.set()
        watcher.join()
    (run,) = kz7.open(db)
    assert run.status == "cancelled" and run.finished_at


@pytest.mark.parametrize("epw", sorted(WEATHER.glob("*.epw")), ids=lambda p: p.name.split("_")[2])
def test_every_shipped_weather_file_gives_a_monotonic_hourly_axis(tmp_path, epw):
    # Year-end is where typical-year files jump between years: run across it.
    text = office_text(SimulationOptions="60,20,12,10,1,18,0.5,0")
    model = tmp_path / "office.kz7"
    model.write_text(text)
    run = kz7.simulate(model, support=SUPPORT, db=tmp_path / "r.db", weather=epw)
    assert run.weather_file == str(epw.absolute())
    for index in (run.series("AirTemperature", zone=2).index, run.weather().index):
        assert index.is_monotonic_increasing and index.is_unique and not index.hasnans
        assert len(index) == 22 * 24


def test_inspect_check_and_design_runs(tmp_path):
    model = kz7.inspect(SMALL_OFFICE, support=SUPPORT)
    assert [zone["key"] for zone in model["zones"]] == ["1", "2", "3", "4", "5"]
    assert kz7.check(SMALL_OFFICE, support=SUPPORT) == []
    broken = tmp_path / "broken.kz7"
    broken.write_text(office_text() + "Zone,9\nEmpty\n84,252,0.05,1,0,1002,Office,1,4,0,8,-,3,0,0,0,-,0\n1,21\n1,24\n}\n")
    # Said once, where the reading found it, not again by the checks after it.
    said = [m for m in kz7.check(broken, support=SUPPORT) if "zone 9 has no elements" in m.lower()]
    assert len(said) == 1 and said[0].startswith('Zone "9" at line ')
    with pytest.raises(kz7.Error, match="model file not found"):
        kz7.inspect(tmp_path / "none.kz7")
    # A model with errors is listed, and still runs with them counted, as on the command line.
    cell = SOURCE / "examples" / "test-cell.kz7"
    assert kz7.inspect(cell)["errors"] == 8
    assert any("add --support DIR" in message for message in kz7.check(cell))
    run = kz7.heatloss(cell, db=tmp_path / "errors.db")
    assert run.messages[-1].endswith("8 errors, 0 warnings; it ran all the same (--strict stops it)")
    with pytest.raises(kz7.Error, match="8 errors"):
        kz7.heatloss(cell, db=tmp_path / "strict.db", strict=True)
    assert not (tmp_path / "strict.db").exists() or kz7.open(tmp_path / "strict.db").runs().empty

    db = tmp_path / "design.db"
    loss = kz7.heatloss(SMALL_OFFICE, support=SUPPORT, db=db, label="design")
    gain = kz7.heatgain(SMALL_OFFICE, support=SUPPORT, db=db)
    assert (loss.command, gain.command) == ("heatloss", "heatgain")
    peak = loss.series("PeakHeatingLoad", zone=1, interval="summary")
    assert len(peak) == 1 and peak.iloc[0] > 0
    # The design day's step heating peaks at the zone's design load.
    assert loss.series("Heating", zone=1, interval="step").max() == pytest.approx(peak.iloc[0], rel=0.01)
    assert gain.series("PeakCoolingLoad", zone=2, interval="summary").iloc[0] > 0


def test_the_example_script_writes_its_plots(tmp_path):
    script = SOURCE / "examples" / "python" / "small_office.py"
    env = dict(os.environ, MPLBACKEND="Agg")
    done = subprocess.run(
        [sys.executable, str(script), "--out", str(tmp_path)], env=env, capture_output=True, text=True
    )
    assert done.returncode == 0, done.stderr
    for name in ("week-temperatures.png", "monthly-loads.png"):
        png = (tmp_path / name).read_bytes()
        assert png.startswith(b"\x89PNG") and len(png) > 10000
