// The kz7 run report: builds the page from the data block the host wrote and
// draws it with Chart.js. Opened with "#selftest", it also walks the zone
// selector and writes what every chart drew into #kz7-selftest.
"use strict";
(function () {
  const data = JSON.parse(document.getElementById("kz7-data").textContent);
  const MONTHS = ["Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"];
  const HEAT = "#c0392b", COOL = "#2471a3", AIR = "#117a65", RADIANT = "#b9770e", OUTSIDE = "#7f8c8d";
  const USE_COLOURS = ["#c0392b", "#2471a3", "#7d3c98", "#b9770e", "#229954", "#7f8c8d"];
  const CARPET_LOW = 10, CARPET_HIGH = 32;  // °C at the ends of the colour scale
  const zoneCharts = {};
  const pageCharts = {};

  Chart.defaults.animation = false;
  Chart.defaults.maintainAspectRatio = false;
  Chart.defaults.font.size = 12;

  // ---- small helpers -------------------------------------------------------
  function oleDate(ole) { return new Date(Date.UTC(1899, 11, 30) + Math.round(ole * 86400000)); }
  // Day 0 is the undated design day of a heat-loss run.
  function dateText(ole) { return ole < 1 ? "design day" : oleDate(ole).toISOString().slice(0, 10); }
  function number(v, digits) {
    if (v === null || v === undefined || !isFinite(v)) return "–";
    return v.toLocaleString("en-GB", { minimumFractionDigits: digits, maximumFractionDigits: digits });
  }
  function perArea(v, area, digits) { return area ? number(v === null ? null : v / area, digits) : "–"; }
  function el(tag, className, text) {
    const node = document.createElement(tag);
    if (className) node.className = className;
    if (text !== undefined) node.textContent = text;
    return node;
  }
  function axis(title, extra) { return Object.assign({ title: { display: true, text: title } }, extra || {}); }
  function zoneLabel(z) { return z.zone === 0 ? "Building" : z.key + " " + z.name; }
  function sum(values) { return values ? values.reduce((a, b) => a + b, 0) : 0; }

  // A titled box for one chart or one empty-note.
  function card(parent, title, wide) {
    const box = el("section", wide ? "card wide" : "card");
    box.appendChild(el("h3", null, title));
    parent.appendChild(box);
    return box;
  }
  function canvasIn(box) {
    const holder = el("div", "chart");
    const canvas = document.createElement("canvas");
    holder.appendChild(canvas);
    box.appendChild(holder);
    return canvas;
  }
  function chartIn(store, id, box, config) {
    if (store[id]) store[id].destroy();
    store[id] = new Chart(canvasIn(box), config);
    return store[id];
  }
  function emptyIn(box, text) { box.appendChild(el("p", "empty", text)); }
  function kwTooltip(unit, digits) {
    return { callbacks: { label: (c) => c.dataset.label + ": " + number(c.parsed.y, digits) + " " + unit } };
  }

  // ---- the carpet: Chart.js lays out axes and tooltips, this plugin fills the cells
  function carpetColour(t) {
    const f = Math.min(1, Math.max(0, (t - CARPET_LOW) / (CARPET_HIGH - CARPET_LOW)));
    return "hsl(" + Math.round(240 - 240 * f) + ", 75%, 50%)";
  }
  const carpetPlugin = {
    id: "kz7carpet",
    beforeDatasetsDraw(chart) {
      if (!chart.options.plugins.kz7carpet || !chart.options.plugins.kz7carpet.cells) return true;
      const { ctx, chartArea, scales } = chart;
      const x = scales.x, y = scales.y;
      const w = Math.abs(x.getPixelForValue(1) - x.getPixelForValue(0));
      const h = Math.abs(y.getPixelForValue(1) - y.getPixelForValue(0));
      ctx.save();
      ctx.beginPath();
      ctx.rect(chartArea.left, chartArea.top, chartArea.right - chartArea.left, chartArea.bottom - chartArea.top);
      ctx.clip();
      let drawn = 0;
      for (const p of chart.data.datasets[0].data) {
        ctx.fillStyle = carpetColour(p.t);
        ctx.fillRect(x.getPixelForValue(p.x - 0.5), y.getPixelForValue(p.y - 0.5), Math.ceil(w), Math.ceil(h));
        ++drawn;
      }
      ctx.restore();
      chart.$kz7Drawn = drawn;
      return false;
    },
  };
  Chart.register(carpetPlugin);

  // ---- page sections -------------------------------------------------------
  const facts = data.facts;
  const layout = facts.layout;
  const zones = data.zones;  // index 0: the building
  const root = document.getElementById("report");

  function factsSection() {
    const title = layout === "annual" ? "Annual simulation" : layout === "heatloss" ? "Heat-loss design" : "Heat-gain design";
    root.appendChild(el("h1", null, title + ": " + (facts.model || "run " + facts.run)));
    if (facts.status !== "finished")
      root.appendChild(el("p", "warning", "This run is " + facts.status + (facts.note ? ": " + facts.note : "") + "; the figures cover what it stored."));
    else if (facts.note)
        root.appendChild(
            el('p', 'warning', 'This run finished despite errors: ' + facts.note + '.'));
    const list = el("dl", "facts");
    const rows = [
      ["Run", facts.run + " (" + facts.command + ", kz7 " + facts.engine_version + ")"],
      ["Model", facts.model || "–"],
      ["Weather", facts.weather || "–"],
      ["Period", !data.period ? "–" : data.period[1] < 1 ? "the design day" : dateText(data.period[0]) + " to " + dateText(data.period[1]) + " (the records' dates; a typical-year weather file gives each month its own year)"],
      ["Time step", facts.time_step_minutes ? facts.time_step_minutes + " min" : "not stored with this run"],
      ["Label", facts.label || "–"],
      ["Floor area", data.floor_area ? number(data.floor_area, 1) + " m²" : "not stored with this run"],
      ["Started", facts.started_at + (facts.finished_at ? ", finished " + facts.finished_at : "")],
    ];
    for (const p of facts.parameters) rows.push(["Parameter " + p[0], p[1]]);
    for (const [k, v] of rows) { list.appendChild(el("dt", null, k)); list.appendChild(el("dd", null, v)); }
    root.appendChild(list);
  }

  function summaryColumns() {
    const area = (z) => z.area;
    if (layout !== "annual") {
      const cooling = layout === "heatgain";
      const load = (z) => cooling ? z.fig.peak_cooling_kw : z.fig.peak_heating_kw;
      const cols = [
        ["Floor area m²", (z) => number(z.area, 1)],
        [cooling ? "Design cooling kW" : "Design heating kW", (z) => number(load(z), 2)],
        ["W/m²", (z) => perArea(load(z) === null ? null : load(z) * 1000, area(z), 0)],
      ];
      if (cooling) cols.push(["Peak month", (z) => peakMonth(z)]);
      return cols;
    }
    return [
      ["Floor area m²", (z) => number(z.area, 1)],
      ["Peak heating kW", (z) => number(z.fig.peak_heating_kw, 2)],
      ["W/m²", (z) => perArea(z.fig.peak_heating_kw === null ? null : z.fig.peak_heating_kw * 1000, area(z), 0)],
      ["Peak cooling kW", (z) => number(z.fig.peak_cooling_kw, 2)],
      ["W/m²", (z) => perArea(z.fig.peak_cooling_kw === null ? null : z.fig.peak_cooling_kw * 1000, area(z), 0)],
      ["Heating kWh", (z) => number(z.fig.heating_kwh, 0)],
      ["kWh/m²", (z) => perArea(z.fig.heating_kwh, area(z), 1)],
      ["Cooling kWh", (z) => number(z.fig.cooling_kwh, 0)],
      ["kWh/m²", (z) => perArea(z.fig.cooling_kwh, area(z), 1)],
      ["Max air °C", (z) => number(z.fig.max_air_c, 1)],
      ["Min air °C", (z) => number(z.fig.min_air_c, 1)],
      ["Hours > 25 °C", (z) => number(z.fig.hours_above_25, 0)],
      ["Hours > 28 °C", (z) => number(z.fig.hours_above_28, 0)],
    ];
  }

  function peakMonth(z) {
    if (!z.monthly_peak_cooling) return "–";
    const m = z.monthly_peak_cooling;
    const i = m.indexOf(Math.max.apply(null, m));
    return m[i] > 0 ? MONTHS[i] : "–";
  }

  function summarySection() {
    root.appendChild(el("h2", null, layout === "annual" ? "Summary" : "Design loads"));
    if (!data.floor_area)
      root.appendChild(el("p", "note", "Floor areas are not stored with this run: the per-m² columns are empty."));
    const table = el("table", "summary");
    const head = el("tr");
    head.appendChild(el("th", "text", "Zone"));
    head.appendChild(el("th", "text", "Name"));
    const cols = summaryColumns();
    for (const c of cols) head.appendChild(el("th", null, c[0]));
    table.appendChild(el("thead")).appendChild(head);
    const body = table.appendChild(el("tbody"));
    const order = zones.slice(1).concat([zones[0]]);
    for (const z of order) {
      const row = el("tr", z.zone === 0 ? "building" : null);
      row.dataset.zone = z.zone;
      row.appendChild(el("td", "text", z.zone === 0 ? "All" : z.key));
      row.appendChild(el("td", "text", z.zone === 0 ? "Building" : z.name));
      for (const c of cols) row.appendChild(el("td", null, c[1](z)));
      row.addEventListener("click", () => selectZone(zones.indexOf(z)));
      body.appendChild(row);
    }
    root.appendChild(table);
    if (layout === "annual") return;
    root.appendChild(el("p", "note", layout === "heatloss"
      ? "The building's load is the sum of the zones' design loads."
      : "The building's load is the sum of the zones' peaks, whatever their month."));
    const grid = root.appendChild(el("div", "grid"));
    const box = card(grid, "Design load by zone", true);
    const cooling = layout === "heatgain";
    const values = zones.slice(1).map((z) => cooling ? z.fig.peak_cooling_kw : z.fig.peak_heating_kw);
    chartIn(pageCharts, "design-loads", box, {
      type: "bar",
      data: { labels: zones.slice(1).map(zoneLabel), datasets: [{ label: cooling ? "Design cooling" : "Design heating", data: values, backgroundColor: cooling ? COOL : HEAT }] },
      options: { plugins: { tooltip: kwTooltip("kW", 2) }, scales: { x: axis("Zone"), y: axis("Load (kW)", { beginAtZero: true }) } },
    });
  }

  function plantSection() {
    const plant = data.plant;
    if (!plant) return;
    root.appendChild(el("h2", null, "Fuel and carbon"));
    const grid = root.appendChild(el("div", "grid"));
    const uses = card(grid, "Fuel by use, month by month");
    chartIn(pageCharts, "fuel-by-use", uses, {
      type: "bar",
      data: { labels: MONTHS, datasets: plant.uses.map((u, i) => ({ label: u.name, data: u.months, backgroundColor: USE_COLOURS[i % USE_COLOURS.length] })) },
      options: { plugins: { tooltip: kwTooltip("kWh", 0) }, scales: { x: axis("Month", { stacked: true }), y: axis("Fuel (kWh)", { stacked: true, beginAtZero: true }) } },
    });
    const fuels = plant.fuels.map((f) => f.name + " " + number(f.kwh, 0) + " kWh").join(" · ");
    uses.appendChild(el("p", "note", "By fuel over the run: " + fuels));
    const carbon = card(grid, "Carbon dioxide, month by month");
    if (!plant.carbon) { emptyIn(carbon, "The run stored no carbon dioxide."); return; }
    chartIn(pageCharts, "carbon", carbon, {
      type: "bar",
      data: { labels: MONTHS, datasets: [{ label: "Carbon dioxide", data: plant.carbon, backgroundColor: "#566573" }] },
      options: { plugins: { tooltip: kwTooltip("kg", 0) }, scales: { x: axis("Month"), y: axis("Carbon dioxide (kg)", { beginAtZero: true }) } },
    });
    carbon.appendChild(el("p", "note", "Over the run: " + number(sum(plant.carbon), 0) + " kg CO₂ (all uses; the records give carbon for the building as a whole)."));
  }

  // ---- the zone section: rebuilt for every zone chosen -------------------------
  let zoneGrid = null;
  let zoneHeading = null;
  let selector = null;

  function zoneSection() {
    root.appendChild(el("h2", null, "Zones"));
    const bar = root.appendChild(el("div", "zone-bar"));
    const label = bar.appendChild(el("label", null, "Zone "));
    selector = label.appendChild(el("select"));
    selector.id = "zone-select";
    zones.forEach((z, i) => { const o = el("option", null, zoneLabel(z)); o.value = String(i); selector.appendChild(o); });
    zoneHeading = bar.appendChild(el("strong"));
    zoneHeading.id = "zone-heading";
    selector.addEventListener("change", () => showZone(zones[Number(selector.value)]));
    zoneGrid = root.appendChild(el("div", "grid"));
  }

  function selectZone(index) {
    selector.value = String(index);
    selector.dispatchEvent(new Event("change"));
  }

  function monthlyCard(z) {
    const box = card(zoneGrid, "Monthly heating and cooling — " + zoneLabel(z));
    if (!z.monthly_heating && !z.monthly_cooling) return emptyIn(box, "The run stored no heating or cooling for this zone.");
    chartIn(zoneCharts, "monthly", box, {
      type: "bar",
      data: { labels: MONTHS, datasets: [
        { label: "Heating", data: z.monthly_heating || [], backgroundColor: HEAT },
        { label: "Cooling", data: z.monthly_cooling || [], backgroundColor: COOL }] },
      options: { plugins: { tooltip: kwTooltip("kWh", 0) }, scales: { x: axis("Month"), y: axis("Energy delivered (kWh)", { beginAtZero: true }) } },
    });
  }

  function carpetCard(z) {
    const box = card(zoneGrid, "Air temperature by day and hour — " + zoneLabel(z), true);
    const carpet = z.carpet;
    if (!carpet) return emptyIn(box, "The run stored no hourly air temperature for this zone.");
    // Columns are days of a leap year: column 0 is 1 January, 59 is 29 February.
    const cells = [];
    for (let d = 0; d < 366; ++d)
      for (let h = 0; h < 24; ++h) {
        const t = carpet.tenths[d * 24 + h];
        if (t !== null) cells.push({ x: d + 0.5, y: h + 0.5, t: t / 10 });
      }
    const monthStarts = [0, 31, 60, 91, 121, 152, 182, 213, 244, 274, 305, 335];
    const dayName = (d) => { const date = new Date(Date.UTC(2000, 0, 1 + Math.floor(d))); return date.getUTCDate() + " " + MONTHS[date.getUTCMonth()]; };
    chartIn(zoneCharts, "carpet", box, {
      type: "scatter",
      data: { datasets: [{ label: "Air temperature", data: cells, pointRadius: 0, pointHitRadius: 2 }] },
      options: {
        parsing: false,
        plugins: {
          kz7carpet: { cells: true }, legend: { display: false },
          tooltip: { callbacks: { label: (c) => {
            const p = c.raw;
            return dayName(p.x) + ", " + Math.floor(p.y) + ":00–" + (Math.floor(p.y) + 1) + ":00: " + number(p.t, 1) + " °C";
          } } },
        },
        scales: {
          x: axis("Day of the year", { type: "linear", min: 0, max: 366,
            afterBuildTicks: (a) => { a.ticks = monthStarts.map((v) => ({ value: v })); },
            ticks: { callback: (v) => dayName(v), autoSkip: true, maxRotation: 0 } }),
          y: axis("Hour of day", { type: "linear", min: 0, max: 24, reverse: true, ticks: { stepSize: 3 } }),
        },
      },
    });
    const scale = box.appendChild(el("div", "scale"));
    scale.appendChild(el("span", null, "≤ " + CARPET_LOW + " °C"));
    const bar = scale.appendChild(el("span", "bar"));
    const stops = [0, 0.25, 0.5, 0.75, 1].map((f) => carpetColour(CARPET_LOW + f * (CARPET_HIGH - CARPET_LOW)));
    bar.style.background = "linear-gradient(to right, " + stops.join(", ") + ")";
    scale.appendChild(el("span", null, "≥ " + CARPET_HIGH + " °C"));
  }

  function overheatingCard(z) {
    const box = card(zoneGrid, "Hours above 25 and 28 °C; air temperature distribution — " + zoneLabel(z));
    const figures = box.appendChild(el("div", "figures"));
    const f = z.fig;
    for (const [limit, hours] of [[25, f.hours_above_25], [28, f.hours_above_28]]) {
      const item = figures.appendChild(el("span"));
      item.appendChild(el("b", null, number(hours, 0)));
      item.appendChild(document.createTextNode(" occupied hours above " + limit + " °C"));
    }
    if (z.zone === 0) box.appendChild(el("p", "note", "For the building: the hours of its worst zone."));
    const hist = z.histogram;
    if (!hist) return emptyIn(box, "The run stored no hourly air temperature for this zone.");
    chartIn(zoneCharts, "histogram", box, {
      type: "bar",
      data: { labels: hist.hours.map((_, i) => (hist.first + i) + "–" + (hist.first + i + 1)),
              datasets: [{ label: "Hours", data: hist.hours, backgroundColor: AIR }] },
      options: { plugins: { legend: { display: false }, tooltip: kwTooltip("h", 0) },
                 scales: { x: axis("Air temperature band (°C), all hours"), y: axis("Hours", { beginAtZero: true }) } },
    });
  }

  function loadCurveCard(z) {
    const box = card(zoneGrid, "Load duration curves — " + zoneLabel(z));
    const sets = [];
    const curve = (c) => c.hours.map((h, i) => ({ x: h, y: c.load[i] }));
    if (z.heating_curve) sets.push({ label: "Heating", data: curve(z.heating_curve), borderColor: HEAT, backgroundColor: HEAT, pointRadius: 0 });
    if (z.cooling_curve) sets.push({ label: "Cooling", data: curve(z.cooling_curve), borderColor: COOL, backgroundColor: COOL, pointRadius: 0 });
    if (!sets.length) return emptyIn(box, "The run stored no hourly loads for this zone.");
    chartIn(zoneCharts, "load-curves", box, {
      type: "line",
      data: { datasets: sets },
      options: { parsing: false, interaction: { mode: "nearest", intersect: false },
                 plugins: { tooltip: { callbacks: { label: (c) => c.dataset.label + ": " + number(c.parsed.y, 2) + " kW exceeded for " + number(c.parsed.x, 0) + " h" } } },
                 scales: { x: axis("Hours the load is reached or exceeded (h)", { type: "linear", min: 0 }), y: axis("Load (kW)", { beginAtZero: true }) } },
    });
  }

  function dayCard(z, id, title, day, loadName, colour) {
    const box = card(zoneGrid, title + " — " + zoneLabel(z) + (day ? ", " + dateText(day.day) : ""));
    if (!day) return emptyIn(box, "No " + loadName.toLowerCase() + " in this zone.");
    const points = (values) => day.hour.map((h, i) => ({ x: h, y: values[i] }));
    chartIn(zoneCharts, id, box, {
      type: "line",
      data: { datasets: [
        { label: loadName, data: points(day.load), yAxisID: "load", borderColor: colour, backgroundColor: colour + "33", fill: true, pointRadius: 2 },
        { label: "Air", data: points(day.air), yAxisID: "t", borderColor: AIR, backgroundColor: AIR, pointRadius: 2 },
        { label: "Radiant", data: points(day.radiant), yAxisID: "t", borderColor: RADIANT, backgroundColor: RADIANT, pointRadius: 2 },
        { label: "Outside", data: points(day.outside), yAxisID: "t", borderColor: OUTSIDE, backgroundColor: OUTSIDE, borderDash: [4, 3], pointRadius: 2 }] },
      options: { parsing: false, interaction: { mode: "index", intersect: false },
                 plugins: { tooltip: { callbacks: { label: (c) => c.dataset.label + ": " + number(c.parsed.y, c.dataset.yAxisID === "load" ? 2 : 1) + (c.dataset.yAxisID === "load" ? " kW" : " °C") } } },
                 scales: { x: axis("Hour of day (end of interval)", { type: "linear", min: 0, max: 24, ticks: { stepSize: 2 } }),
                           t: axis("Temperature (°C)", { position: "left" }),
                           load: axis(loadName + " (kW)", { position: "right", beginAtZero: true, grid: { drawOnChartArea: false } }) } },
    });
  }

  function monthlyPeakCard(z) {
    const box = card(zoneGrid, "Peak cooling of each month's design day — " + zoneLabel(z));
    if (!z.monthly_peak_cooling) return emptyIn(box, "The run stored no cooling for this zone.");
    chartIn(zoneCharts, "monthly-peaks", box, {
      type: "bar",
      data: { labels: MONTHS, datasets: [{ label: "Peak cooling", data: z.monthly_peak_cooling, backgroundColor: COOL }] },
      options: { plugins: { tooltip: kwTooltip("kW", 2) }, scales: { x: axis("Month"), y: axis("Peak cooling (kW)", { beginAtZero: true }) } },
    });
  }

  function showZone(z) {
    for (const id of Object.keys(zoneCharts)) { zoneCharts[id].destroy(); delete zoneCharts[id]; }
    zoneGrid.textContent = "";
    zoneHeading.textContent = zoneLabel(z);
    document.querySelectorAll("table.summary tbody tr").forEach((r) => r.classList.toggle("selected", Number(r.dataset.zone) === z.zone));
    if (layout === "annual") {
      monthlyCard(z);
      overheatingCard(z);
      carpetCard(z);
      loadCurveCard(z);
      dayCard(z, "peak-heating-day", "Peak heating day", z.peak_heating_day, "Heating", HEAT);
      dayCard(z, "peak-cooling-day", "Peak cooling day", z.peak_cooling_day, "Cooling", COOL);
    } else if (layout === "heatloss") {
      dayCard(z, "design-day", "Design day", z.peak_heating_day, "Heating", HEAT);
    } else {
      monthlyPeakCard(z);
      dayCard(z, "design-day", "Peak design day", z.peak_cooling_day, "Cooling", COOL);
    }
  }

  // ---- self-test ---------------------------------------------------------------
  function counts(store) {
    return Object.keys(store).map((id) => {
      const c = store[id];
      let points = 0, sumY = 0;
      c.data.datasets.forEach((ds, i) => {
        points += c.getDatasetMeta(i).data.length;
        for (const v of ds.data) sumY += typeof v === "number" ? v : v && typeof v.y === "number" ? v.y + (v.t || 0) : 0;
      });
      return { id: id, datasets: c.data.datasets.length, points: points, cells: c.$kz7Drawn === undefined ? null : c.$kz7Drawn, sum: Math.round(sumY * 1000) / 1000 };
    });
  }
  function selftest() {
    const result = { errors: window.kz7Errors, layout: layout, page: counts(pageCharts), zones: [] };
    for (let i = 0; i < zones.length; ++i) {
      selectZone(i);
      result.zones.push({ zone: zones[i].zone, name: zoneLabel(zones[i]), heading: zoneHeading.textContent, charts: counts(zoneCharts) });
    }
    selectZone(zones.length > 1 ? 1 : 0);
    document.getElementById("kz7-selftest").textContent = JSON.stringify(result);
  }

  factsSection();
  summarySection();
  plantSection();
  zoneSection();
  selectZone(zones.length > 1 ? 1 : 0);
  if (location.hash === "#selftest") selftest();
})();
