"""kz7 for analysts: run the engine in-process and read its results as pandas objects.

    import kz7
    run = kz7.simulate("examples/small-office.kz7", support="support", db="results.db")
    run.summary()                                   # one row per zone and the building
    run.series("AirTemperature", zone=1)            # hourly, DatetimeIndex
    kz7.open("results.db")                          # every run of a database

See docs/python.md.
"""

from ._core import Error
from .results import Database, Run, open
from .runs import check, heatgain, heatloss, inspect, simulate

__all__ = [
    "Database",
    "Error",
    "Run",
    "check",
    "heatgain",
    "heatloss",
    "inspect",
    "open",
    "simulate",
]

# Batch runs of model variants, kz7.batch(plan, client=None) with an optional
# Dask client, will live in kz7/batch.py and be imported here.
