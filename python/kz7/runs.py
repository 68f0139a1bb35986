"""Engine runs from Python: the same runs as the kz7 command, in-process."""

import json
import os

from . import _core
from .results import Database

# The command line's default result database.
DEFAULT_DB = "results.db"


def _path(value):
    return "" if value is None else os.fspath(value)


def _parameter_texts(params):
    """The run's parameters as the command line's key=value texts."""
    if params is None:
        return []
    texts = []
    for key, value in dict(params).items():
        key = str(key)
        if not key or "=" in key:
            raise ValueError(f"parameter name {key!r} must be non-empty and hold no '='")
        texts.append(f"{key}={value}")
    return texts


def _run(command, model, support, weather, db, interval, label, params, strict):
    db = DEFAULT_DB if db is None else os.fspath(db)
    outcome = _core.run(
        command=command,
        model=_path(model),
        support=_path(support),
        weather=_path(weather),
        db=db,
        interval=interval,
        label="" if label is None else str(label),
        parameters=_parameter_texts(params),
        strict=bool(strict),
    )
    run = Database(db).run(outcome["run"])
    run.messages = list(outcome["messages"])
    return run


def simulate(model, support=None, weather=None, db=None, interval="hour", label=None, params=None,
             strict=False):
    """The annual simulation of `model`, stored in `db` (default "results.db"); returns its Run.

    `support` is the folder holding Dbs.KZ7; `weather` an EPW file to use instead of the
    model's; `interval` what is stored besides the model's own output options: "step"
    (time steps and hours), "hour" or "day"; `label` and `params` (a dict) are stored with
    the run. Ctrl-C cancels the run (stored as 'cancelled') and raises KeyboardInterrupt;
    a failed run raises kz7.Error with the engine's reason. A model with errors runs all the
    same, its messages in `Run.messages`; with `strict` it raises kz7.Error instead, unrun.
    """
    return _run("simulate", model, support, weather, db, interval, label, params, strict)


def heatloss(model, support=None, db=None, label=None, params=None, strict=False):
    """The heating design run of `model`; returns its Run (time-step records of the design day)."""
    return _run("heatloss", model, support, None, db, "step", label, params, strict)


def heatgain(model, support=None, db=None, label=None, params=None, strict=False):
    """The cooling design run of `model`; returns its Run (time-step records of the design days)."""
    return _run("heatgain", model, support, None, db, "step", label, params, strict)


def inspect(model, support=None):
    """The model as read, with its derived values: what `kz7 inspect --json` prints."""
    return json.loads(_core.inspect_json(_path(model), _path(support)))


def check(model, support=None):
    """The model's messages: problems found reading it and what makes it unfit to run.

    An empty list means none were found; a model that cannot be read raises kz7.Error.
    """
    return list(_core.check(_path(model), _path(support)))
