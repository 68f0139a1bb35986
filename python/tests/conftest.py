import os
import pathlib

import pytest

import kz7

SOURCE = pathlib.Path(os.environ.get("KZ7_SOURCE_DIR", pathlib.Path(__file__).resolve().parents[2]))
SMALL_OFFICE = SOURCE / "examples" / "small-office.kz7"
SUPPORT = SOURCE / "support"
WEATHER = SOURCE / "examples" / "weather"


@pytest.fixture(scope="session")
def office_run(tmp_path_factory):
    """One hourly annual run of the small office, shared by the tests that only read it."""
    db = tmp_path_factory.mktemp("office") / "results.db"
    return kz7.simulate(SMALL_OFFICE, support=SUPPORT, db=db, label="base", params={"case": 1})
