#!/usr/bin/env bash
# Builds and runs the benchmarks and prints a summary table with each
# target. The figures are medians of 5 repetitions on this machine.
#   scripts/bench.sh
set -euo pipefail
cd "$(dirname "$0")/.."

bash scripts/install-deps.sh
cmake -S . -B build -DCMAKE_BUILD_TYPE=RelWithDebInfo >/dev/null
cmake --build build -j2 --target verdin_bench verdin verdin-batch >/dev/null

json=$(mktemp)
trap 'rm -f "$json"' EXIT
build/verdin_bench --benchmark_repetitions=5 --benchmark_report_aggregates_only=true \
  --benchmark_format=json --benchmark_out="$json" --benchmark_out_format=json >/dev/null

/usr/bin/env python3 - "$json" <<'PY'
import json
import sys

targets = {
    "BM_ZagrBazFullSize": ("full-size norm database load", 60, "ms"),
    "BM_OpenAndRecalculate50Items": ("open + recalculate a 50-item .isx", 5, "ms"),
    "BM_WriteWorkbookXls50Items": ("write the 50-item workbook, .xls", 10, "ms"),
    "BM_WriteWorkbookXlsx50Items": ("write the 50-item workbook, .xlsx", 30, "ms"),
    "BM_BatchEstimateProcess50Items": ("verdin-batch estimate, whole process", 150, "ms"),
    "BM_DesktopColdStartDemoDatabase/real_time": ("verdin cold start to windows shown, demo db", 400, "ms"),
    "BM_DesktopColdStartFullSizeDatabase/real_time": ("verdin cold start, full-size db", 400, "ms"),
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
    ok = peak <= 80
    failed |= not ok
    print(f"{'peak memory of verdin on the full-size db':48} {peak:8.1f} MB {'':>7} {80:>6} MB  {'yes' if ok else 'NO'}")
sys.exit(1 if failed else 0)
PY
