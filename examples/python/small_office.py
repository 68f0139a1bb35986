"""Simulate the small office, then plot a summer week of zone temperatures and the monthly loads.

    PYTHONPATH=build/python /usr/bin/python3 examples/python/small_office.py --out plots

Writes week-temperatures.png and monthly-loads.png (and the result database
small-office.db) into the --out folder.
"""

import argparse
import pathlib

import matplotlib

matplotlib.use("Agg")  # files only, no window
import matplotlib.pyplot as plt  # noqa: E402
import pandas as pd  # noqa: E402

import kz7  # noqa: E402

ROOT = pathlib.Path(__file__).resolve().parents[2]


def plot_week(run, out):
    temperatures = run.frame(variables=["AirTemperature"]).droplevel("variable", axis=1)
    names = run.zones()["name"]
    start = temperatures.index[temperatures.index.month == 7][0].normalize()
    week = temperatures.loc[start : start + pd.Timedelta(days=7)]
    outside = run.series("OutsideAirTemperature").loc[week.index[0] : week.index[-1]]

    fig, ax = plt.subplots(figsize=(10, 4.5))
    for zone in week.columns:
        ax.plot(week.index, week[zone], label=names[zone])
    ax.plot(outside.index, outside, color="grey", linestyle="--", label="Outside")
    ax.set_ylabel("Air temperature (°C)")
    ax.set_title(f"{run.label}: the first week of July")
    ax.legend(ncol=3, fontsize="small")
    fig.autofmt_xdate()
    fig.tight_layout()
    fig.savefig(out / "week-temperatures.png", dpi=100)
    plt.close(fig)


def plot_monthly_loads(run, out):
    # Hourly energies (kWh) summed by month; each hour is filed under its start.
    hourly = run.frame(zones=[0], variables=["Heating", "Cooling"])[0].astype(float)
    hourly.index = hourly.index - pd.Timedelta(hours=1)
    monthly = hourly.resample("MS").sum() / run.floor_area

    fig, ax = plt.subplots(figsize=(8, 4.5))
    monthly.set_axis(monthly.index.strftime("%b")).plot.bar(ax=ax, color=["tab:red", "tab:blue"])
    ax.set_xlabel("")
    ax.set_ylabel("kWh/m² of floor")
    ax.legend(title=None)
    ax.set_title(f"{run.label}: monthly heating and cooling delivered")
    fig.tight_layout()
    fig.savefig(out / "monthly-loads.png", dpi=100)
    plt.close(fig)


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--out", type=pathlib.Path, default=pathlib.Path("."), help="folder for the files")
    args = parser.parse_args()
    args.out.mkdir(parents=True, exist_ok=True)

    run = kz7.simulate(
        ROOT / "examples" / "small-office.kz7",
        support=ROOT / "support",
        db=args.out / "small-office.db",
        label="Small office",
    )
    columns = ["name", "floor_area_m2", "heating_kwh", "heating_kwh_m2", "cooling_kwh", "cooling_kwh_m2"]
    print(run.summary()[columns].round(1).to_string())
    plot_week(run, args.out)
    plot_monthly_loads(run, args.out)


if __name__ == "__main__":
    main()
