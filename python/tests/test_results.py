"""Reading a run back: the pandas objects against what the database holds."""

import sqlite3

import numpy as np
import pandas as pd
import pytest

import kz7

OLE_EPOCH = pd.Timestamp("1899-12-30")


def stored_values(db, run, interval, zone, position):
    """The stored float32 values and OLE times of one series, straight from the file."""
    with sqlite3.connect(db) as connection:
        code = connection.execute("SELECT code FROM intervals WHERE name = ?", (interval,)).fetchone()[0]
        times = connection.execute(
            "SELECT time FROM times WHERE run = ? AND interval = ? ORDER BY step", (run, code)
        ).fetchall()
        values = np.full(len(times), np.nan, dtype=np.float32)
        for first, steps, blob in connection.execute(
            "SELECT first_step, steps, vals FROM series WHERE run = ? AND interval = ? AND zone = ? "
            "AND position = ?",
            (run, code, zone, position),
        ):
            chunk = np.frombuffer(blob, dtype="<f4")
            values[first : first + steps] = chunk if len(chunk) == steps else chunk[0]
    return np.array([t for (t,) in times]), values


def test_series_is_the_stored_values_on_the_run_calendar(office_run):
    run = office_run
    series = run.series("AirTemperature", zone=3)
    position = int(run.variables().at["AirTemperature", "position"])
    times, values = stored_values(run.database.path, run.id, "hour", 3, position)

    np.testing.assert_array_equal(series.to_numpy(), values)
    expected = OLE_EPOCH + pd.to_timedelta(np.round(times * 86400), unit="s")
    assert (series.index == expected).all()
    assert series.name == "AirTemperature [°C]" and series.attrs["zone"] == 3
    # A year of hours, each the end of its hour, one hour apart, except that a
    # typical year's file holds no 29 February where the run's calendar has one.
    assert len(series) == 8760 and series.index.is_monotonic_increasing
    steps = np.diff(series.index.to_numpy())
    assert all(t.month == 3 and t.day == 1 for t in series.index[1:][steps != np.timedelta64(1, "h")])
    assert 10.0 < series.mean() < 30.0

    # The same zone by key and by name, and the frame's column, are the same series.
    assert series.equals(run.series("AirTemperature", zone="3"))
    assert series.equals(run.series("AirTemperature", zone="East perimeter"))
    frame = run.frame(zones=[3, 0], variables=["AirTemperature", "Heating"])
    assert list(frame.columns) == [(3, "AirTemperature"), (3, "Heating"), (0, "AirTemperature"), (0, "Heating")]
    np.testing.assert_array_equal(frame[(3, "AirTemperature")].to_numpy(), values)
    assert frame.attrs["units"]["Heating"] == "kWh"
    # Step values of a summed variable are powers.
    assert [kz7._core.unit_at("kWh", "sum", i) for i in ("step", "hour")] == ["kW", "kWh"]


def test_summary_facts_and_weather(office_run):
    run = office_run
    assert run.status == "finished" and run.label == "base" and run.params == {"case": "1"}
    assert len(run.model_sha256) == 64

    zones = run.zones()
    summary = run.summary()
    assert list(summary.index) == [1, 2, 3, 4, 5, 0]
    assert summary.at[0, "name"] == "Building" and summary.at[2, "name"] == "North perimeter"
    # Per-m² figures stand beside the totals, over each row's own floor area.
    assert summary.loc[1:5, "floor_area_m2"].tolist() == zones["floor_area"].tolist()
    assert summary.at[0, "floor_area_m2"] == pytest.approx(zones["floor_area"].sum())
    assert run.floor_area == pytest.approx(zones["floor_area"].sum())
    np.testing.assert_allclose(summary["heating_kwh_m2"], summary["heating_kwh"] / summary["floor_area_m2"])
    # The summary's annual heating is what the hourly series add up to.
    for zone in (1, 4):
        hourly = run.series("Heating", zone=zone).astype(float).sum()
        assert summary.at[zone, "heating_kwh"] == pytest.approx(hourly, rel=1e-4)

    weather = run.weather()
    assert weather.index.equals(run.series("AirTemperature", zone=1).index)
    assert weather["DryBulbTemperature"].between(-30, 45).all()
    assert weather.attrs["units"]["DryBulbTemperature"] == "°C"

    # The runs of the database, with their parameters as columns.
    database = kz7.open(run.database.path)
    assert len(database) == 1 and database[run.id].label == "base"
    assert database.table().at[run.id, "param.case"] == "1"


def test_bad_questions_raise_errors_naming_what_is_wrong(office_run, tmp_path):
    run = office_run
    with pytest.raises(kz7.Error, match=r"no zone 'Attic'.*1 \(Core\)"):
        run.series("AirTemperature", zone="Attic")
    with pytest.raises(kz7.Error, match="did you mean AirTemperature"):
        run.series("AirTemperatur", zone=1)
    with pytest.raises(kz7.Error, match="stored no step values; it has hour"):
        run.series("AirTemperature", zone=1, interval="step")
    with pytest.raises(ValueError, match="interval"):
        run.frame(interval="hourly")
    with pytest.raises(kz7.Error, match="there is no run 99"):
        kz7.open(run.database.path)[99]
    with pytest.raises(kz7.Error, match="missing.db"):
        kz7.open(tmp_path / "missing.db")
    not_a_database = tmp_path / "notes.db"
    not_a_database.write_text("not a database")
    with pytest.raises(kz7.Error, match="notes.db"):
        kz7.open(not_a_database)
