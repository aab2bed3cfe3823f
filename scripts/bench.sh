#!/usr/bin/env bash
# Builds and runs the benchmarks and prints a summary table with each
# target. The figures are medians of 5 repetitions on this machine. The
# norm database is loaded at 25, 50 and 100 per cent of the full size, so
# that linear growth shows; whole processes of verdin-batch are timed with
# hyperfine, beside /bin/true for the cost of starting any process.
#   scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo -DVERDIN_BUILD_BENCH=ON >/dev/null
cmake --build build -j2 --target verdin_bench verdin verdin-batch verdin_estimate_of_items >/dev/null

json=$(mktemp)
processes=$(mktemp)
database=$(mktemp -d)
trap 'rm -rf "$json" "$processes" "$database"' EXIT
build/verdin_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$json" --benchmark_out_format=json >/dev/null

# The full-size norm database for the whole-process runs: the demo data
# folder with its four norm files replaced by ones of the full size (200
# tables of 30 rows of 30 points, as the load benchmark uses).
cp -r data/. "$database/"
/usr/bin/env python3 - "$database" <<'PY'
import math
import os
import sys

folder = sys.argv[1]

def general(value):
    text = f"{value:.15g}".replace(".", ",")
    return text

def write(name, lines):
    with open(os.path.join(folder, name), "wb") as out:
        out.write("".join(line + "\r\n" for line in lines).encode("cp1251"))

tables = ["* Полноразмерная база для замера загрузки"]
for t in range(1, 201):
    tables.append(f"\\{t}.1. Таблица базовых цен на проектирование зданий № {t}")
    for r in range(1, 31):
        tables.append(f"/{r}. Здания и сооружения, пункт {r}")
        for p in range(1, 31):
            x = 100.0 * p * p
            price = math.floor(1850.25 * x ** 0.62 * 100) / 100
            tables.append(f"{general(x)}; {general(price)}; общая площадь, м2")
    if t % 2 == 0 and t < 200:
        tables.append("*")
tables.append("\\END")
write("ВердинПИР_Таблицы.txt", tables)
write("ВердинПИР_Котраслевой.txt", [f"Отрасль {n}; 1,0{n % 10}" for n in range(1, 51)])
notes = []
for k in range(1, 201):
    notes += [f"\\Примечание к таблице {k}", "Цены демонстрационные, приведены для примера.",
              "При проектировании в сложных условиях применяется коэффициент 1,1."]
write("ВердинПИР_Примечания.txt", notes + ["\\END"])
write("Вердина ПИР СМР.dat", [f"{i}.5;4.2;4.8;5.5;6.3;7.2" for i in range(1, 51)])
PY
build/verdin-batch --data "$database" tables >/dev/null
# A 50-item estimate: the demo estimate's items repeated.
build/verdin_estimate_of_items examples/demo.isx 50 "$database/полная.isx"
hyperfine --style none -N --warmup 3 --runs 30 --export-json "$processes" \
  -n true /bin/true \
  -n tables "build/verdin-batch --data $database tables" \
  -n words "build/verdin-batch words 5" \
  -n demo-xls "build/verdin-batch --data data estimate examples/demo.isx $database/демо.xls" \
  -n items50-xls "build/verdin-batch --data data estimate $database/полная.isx $database/полная.xls" \
  -n items50-pdf "build/verdin-batch --data data estimate $database/полная.isx $database/полная.pdf" \
  >/dev/null

/usr/bin/env python3 - "$json" "$processes" <<'PY'
import json
import statistics
import sys

targets = {
    "BM_ZagrBazFullSize": ("full-size norm database load", 15, "ms"),
    "BM_ZagrBazShare/25": ("norm database load, 25 % of the full size", 4, "ms"),
    "BM_ZagrBazShare/50": ("norm database load, 50 % of the full size", 8, "ms"),
    "BM_ZagrBazShare/100": ("norm database load, 100 % of the full size", 15, "ms"),
    "BM_OpenAndRecalculate50Items": ("open + recalculate a 50-item .isx", 5, "ms"),
    "BM_WriteWorkbookXls50Items": ("write the 50-item workbook, .xls", 10, "ms"),
    "BM_WriteWorkbookXlsx50Items": ("write the 50-item workbook, .xlsx", 30, "ms"),
    "BM_BatchEstimateProcess50Items": ("verdin-batch estimate, 15 coefficients an item", 8, "ms"),
    "BM_DesktopColdStartDemoDatabase/real_time": ("verdin cold start to windows shown, demo db", 80, "ms"),
    "BM_DesktopColdStartFullSizeDatabase/real_time": ("verdin cold start, full-size db", 80, "ms"),
}
data = json.load(open(sys.argv[1]))
rows = {}
for bench in data["benchmarks"]:
    name = bench["run_name"]
    if bench.get("aggregate_name") == "median":
        rows.setdefault(name, {})["median"] = bench["real_time"] if "real_time" in name else bench["real_time"]
        if "peak_MB" in bench:
            rows[name]["peak"] = bench["peak_MB"]
    if bench.get("aggregate_name") == "cv":
        rows.setdefault(name, {})["cv"] = bench["real_time"] * 100
failed = False
print(f"{'what':48} {'median':>10} {'noise':>7} {'target':>8}  ok")
for name, (what, target, unit) in targets.items():
    row = rows.get(name)
    if row is None:
        print(f"{what:48} {'-':>10} {'-':>7} {target:>6} {unit}  missing")
        failed = True
        continue
    ok = row["median"] <= target
    failed |= not ok
    print(f"{what:48} {row['median']:8.2f} {unit} {row.get('cv', 0):6.1f}% {target:>6} {unit}  {'yes' if ok else 'NO'}")
peak = rows.get("BM_DesktopColdStartFullSizeDatabase/real_time", {}).get("peak")
if peak is not None:
    ok = peak <= 60
    failed |= not ok
    print(f"{'peak memory of verdin on the full-size db':48} {peak:8.1f} MB {'':>7} {60:>6} MB  {'yes' if ok else 'NO'}")
# Whole processes: median and noise (standard deviation over the mean) of
# the hyperfine runs, /bin/true beside them for the cost of any process.
process_targets = {"true": ("/bin/true, for scale", None),
                   "tables": ("verdin-batch tables, full-size db, process", 30),
                   "words": ("verdin-batch words 5, process", 3),
                   "demo-xls": ("verdin-batch estimate, demo .isx to .xls", 8),
                   "items50-xls": ("verdin-batch estimate, 50 items to .xls", 8),
                   "items50-pdf": ("verdin-batch estimate, 50 items to .pdf", 150)}
for result in json.load(open(sys.argv[2]))["results"]:
    what, target = process_targets[result["command"]]
    times = [t * 1000 for t in result["times"]]
    median = statistics.median(times)
    noise = statistics.stdev(times) / statistics.mean(times) * 100 if len(times) > 1 else 0
    if target is None:
        print(f"{what:48} {median:8.2f} ms {noise:6.1f}% {'-':>8}")
        continue
    ok = median <= target
    failed |= not ok
    print(f"{what:48} {median:8.2f} ms {noise:6.1f}% {target:>6} ms  {'yes' if ok else 'NO'}")
sys.exit(1 if failed else 0)
PY
