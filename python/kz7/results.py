"""A kz7 result database as pandas objects: its runs, their summaries and their series."""

import difflib
import os

import numpy as np
import pandas as pd

from . import _core

# The intervals a series can be read at, as the database names them; "summary"
# holds each zone's summary record (peaks and extremes), one value per run.
INTERVALS = ("step", "hour", "day", "month", "summary")
BUILDING = 0  # the zone number of the building-and-plant record
WEATHER = -1  # the zone number of weather rows


def open(db):  # noqa: A001 - kz7.open, as the package's users call it
    """The result database `db` (read only): iterate it for its runs, `db[id]` for one."""
    return Database(db)


class Database:
    """A result database opened for reading. Iterating gives its runs in the order they ran."""

    def __init__(self, path):
        self._core = _core.Database(os.fspath(path))
        self.path = self._core.path

    def runs(self):
        """Every run of the database, oldest first."""
        return [Run(self, facts) for facts in self._core.runs()]

    def run(self, run_id):
        """The run numbered `run_id`."""
        for facts in self._core.runs():
            if facts["id"] == run_id:
                return Run(self, facts)
        raise _core.Error(f"result database {self.path}: there is no run {run_id}")

    def table(self):
        """The runs as a DataFrame indexed by run number, parameters as columns `param.<name>`."""
        rows = []
        for facts in self._core.runs():
            row = {k: v for k, v in facts.items() if k != "params"}
            row.update({f"param.{k}": v for k, v in facts["params"].items()})
            rows.append(row)
        frame = pd.DataFrame(rows)
        return frame.set_index("id") if rows else frame

    def __iter__(self):
        return iter(self.runs())

    def __len__(self):
        return len(self._core.runs())

    def __getitem__(self, run_id):
        return self.run(run_id)

    def __repr__(self):
        return f"<kz7.Database {self.path!r}: {len(self)} runs>"


class Run:
    """One run of a result database: its facts as attributes, its results as pandas objects."""

    def __init__(self, database, facts):
        self.database = database
        self.id = facts["id"]
        self.command = facts["command"]
        self.model = facts["model"]
        self.weather_file = facts["weather"]
        self.label = facts["label"]
        self.params = dict(facts["params"])
        self.model_sha256 = facts["model_sha256"]
        self.status = facts["status"]
        self.started_at = facts["started_at"]
        self.finished_at = facts["finished_at"]
        self.engine_version = facts["engine_version"]
        self.floor_area = facts["floor_area"]
        self.volume = facts["volume"]
        self.note = facts["note"]
        self.messages = []  # the engine's messages, for a run made in this session
        self._zones = None
        self._variables = None

    def __repr__(self):
        label = f" {self.label!r}" if self.label else ""
        return f"<kz7.Run {self.id}{label}: {self.command} {self.model!r}, {self.status}>"

    @property
    def _reader(self):
        return self.database._core

    def zones(self):
        """The run's zones: index the zone number, columns key, name, floor_area (m²), volume (m³)."""
        frame = pd.DataFrame(self._zone_rows(), columns=["zone", "key", "name", "floor_area", "volume"])
        return frame.set_index("zone")

    def variables(self, record="zone"):
        """What the positions of `record` ("zone", "building", "summary", "weather") hold."""
        rows = [(name, *facts) for name, facts in self._variable_table(record).items()]
        return pd.DataFrame(rows, columns=["name", "position", "unit", "aggregation"]).set_index("name")

    # Plain lists and dicts behind zones() and variables(): a series read looks up a
    # zone and a variable, and building DataFrames for that would cost more than the read.
    def _zone_rows(self):
        if self._zones is None:
            self._zones = [tuple(row) for row in self._reader.zones(self.id)]
        return self._zones

    def _variable_table(self, record):
        """{name: (position, unit, aggregation)} of one record kind."""
        if self._variables is None:
            self._variables = {}
            for kind, position, name, unit, aggregation in self._reader.variables(self.id):
                self._variables.setdefault(kind, {})[name] = (position, unit, aggregation)
        return self._variables.get(record, {})

    def summary(self):
        """One row per zone and one for the building (zone 0, last), with per-m² figures."""
        rows = []
        names = {row[0]: (row[1], row[2]) for row in self._zone_rows()}
        names[BUILDING] = ("", "Building")
        for zone, figures in self._reader.summary(self.id):
            row = {"zone": zone}
            if zone in names:
                row.update(key=names[zone][0], name=names[zone][1])
            row.update({name: np.nan if value is None else value for name, value in figures})
            rows.append(row)
        if not rows:
            raise _core.Error(
                f"run {self.id} ({self.command}, {self.status}) stored no summary; the zones' "
                "summary records are read with series(..., interval=\"summary\")"
            )
        return pd.DataFrame(rows).set_index("zone")

    def series(self, variable, zone=BUILDING, interval="hour"):
        """One variable of one zone on the run's time axis.

        `zone` is the zone number (0 the building), or its key or name as a text. The Series
        has a DatetimeIndex (the end of each interval), is named "<variable> [<unit>]" and
        carries variable, unit, zone, interval and run in `.attrs`.
        """
        number = self.zone_number(zone)
        _check_interval(interval)
        position, unit = self._position(_record(interval, number), variable, interval)
        times, values = self._reader.series(self.id, interval, number, position)
        series = pd.Series(values, index=self._index(interval, times), name=_label(variable, unit))
        series.attrs.update(variable=variable, unit=unit, zone=number, interval=interval, run=self.id)
        return series

    def frame(self, interval="hour", zones=None, variables=None):
        """Variables of zones as a DataFrame with (zone, variable) columns.

        `zones`: numbers, keys or names (0 the building); by default every zone of the run.
        `variables`: names; by default every zone variable that holds values in `interval`.
        Units are in `.attrs["units"]`.
        """
        numbers = [row[0] for row in self._zone_rows()] if zones is None else [self.zone_number(z) for z in zones]
        index = self._index(interval)
        columns, data, units = [], [], {}
        for number in numbers:
            record = _record(interval, number)
            if variables is None:
                held = set(self._reader.positions(self.id, interval, number))
                names = [n for n, (p, _, _) in self._variable_table(record).items() if p in held]
            else:
                names = list(variables)
            for name in names:
                position, unit = self._position(record, name, interval)
                columns.append((number, name))
                data.append(self._reader.values(self.id, interval, number, position, len(index)))
                units[name] = unit
        frame = pd.DataFrame(
            dict(enumerate(data)) if data else {},
            index=index,
        )
        frame.columns = pd.MultiIndex.from_tuples(columns, names=["zone", "variable"])
        frame.attrs.update(units=units, interval=interval, run=self.id)
        return frame

    def weather(self, interval="hour"):
        """The weather of the run, one column per quantity (units in `.attrs["units"]`).

        A run that stored weather rows (`kz7 weather`) gives them; a simulation gives the
        hourly rows of its EPW file, read again now, on the run's own hours.
        """
        table = self._variable_table("weather")
        index = self._index(interval)
        held = set(self._reader.positions(self.id, interval, WEATHER))
        if held:
            columns = {
                name: self._reader.values(self.id, interval, WEATHER, position, len(index))
                for name, (position, _, _) in table.items()
                if position in held
            }
        elif interval == "hour" and self.weather_file.lower().endswith(".epw"):
            columns = self._weather_file_hours(table)
        else:
            raise _core.Error(f"run {self.id} stored no {interval} weather rows")
        frame = pd.DataFrame(columns, index=index)
        frame.attrs.update(units={name: unit for name, (_, unit, _) in table.items()}, interval=interval, run=self.id)
        return frame

    def _weather_file_hours(self, table):
        """The rows of the run's EPW file for each of the run's hours, matched on the file's dates."""
        dates, rows = _core.epw_hours(self.weather_file)
        wanted = _seconds(np.asarray(self._reader.source_times(self.id, "hour")))
        found = pd.Index(_seconds(dates)).get_indexer(wanted)
        columns = {}
        for name, (position, _, _) in table.items():
            column = rows[found, position]
            column[found < 0] = np.nan
            columns[name] = column
        return columns

    def zone_number(self, zone):
        """The number of `zone`, given as a number, a key or a name; 0 is the building."""
        rows = self._zone_rows()
        if isinstance(zone, (int, np.integer)) and not isinstance(zone, bool):
            if zone == BUILDING or any(row[0] == zone for row in rows):
                return int(zone)
        elif isinstance(zone, str):
            for column, what in ((1, "key"), (2, "name")):
                found = [row[0] for row in rows if row[column] == zone]
                if len(found) == 1:
                    return found[0]
                if len(found) > 1:
                    raise _core.Error(f"run {self.id}: {len(found)} zones have the {what} {zone!r}")
        known = ", ".join(f"{row[1]} ({row[2]})" for row in rows)
        raise _core.Error(f"run {self.id} has no zone {zone!r}; its zones: {known}")

    def _position(self, record, variable, interval):
        """The position of `variable` in `record` and the unit of its values at `interval`."""
        table = self._variable_table(record)
        if variable not in table:
            near = difflib.get_close_matches(str(variable), list(table), n=3)
            hint = f"; did you mean {', '.join(near)}?" if near else ""
            raise _core.Error(f"run {self.id} has no {record} variable {variable!r}{hint}")
        position, unit, aggregation = table[variable]
        return position, _core.unit_at(unit, aggregation, interval)

    def _index(self, interval, times=None):
        """The run's time axis at `interval` (`times` when already read) as a DatetimeIndex."""
        _check_interval(interval)
        if times is None:
            times = self._reader.times(self.id, interval)
        if len(times) == 0:
            held = [i for i in INTERVALS if len(self._reader.times(self.id, i))]
            raise _core.Error(
                f"run {self.id} stored no {interval} values"
                + (f"; it has {', '.join(held)}" if held else "")
            )
        return pd.DatetimeIndex(times.view("datetime64[ns]"), name="time")



def _seconds(ole_dates):
    """OLE dates to whole seconds, to match dates that went through different sums."""
    return np.round(ole_dates * 86400.0).astype(np.int64)


def _record(interval, zone):
    """The record kind whose positions the values of `zone` at `interval` follow."""
    if interval == "summary":
        return "summary"
    return "building" if zone == BUILDING else "zone"


def _check_interval(interval):
    if interval not in INTERVALS:
        raise ValueError(f"interval must be one of {', '.join(INTERVALS)}, not {interval!r}")


def _label(variable, unit):
    return f"{variable} [{unit}]" if unit and unit != "-" else variable
