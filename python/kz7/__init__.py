"""kz7 for analysts: run the engine in-process and read its results as pandas objects.

    import kz7
    run = kz7.simulate("examples/small-office.kz7", support="support", db="results.db")
    run.summary()                                   # one row per zone and the building
    run.series("AirTemperature", zone=1)            # hourly, DatetimeIndex
    kz7.open("results.db")                          # every run of a database
    kz7.batch("study.plan")                         # a parametric study on Dask

See docs/python.md.
"""

from ._core import Error
from .parametric import batch
from .results import Database, Run, open
from .runs import check, heatgain, heatloss, inspect, simulate

__all__ = [
    "Database",
    "Error",
    "Run",
    "batch",
    "check",
    "heatgain",
    "heatloss",
    "inspect",
    "open",
    "simulate",
]
