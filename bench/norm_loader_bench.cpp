// Loading a norm database of the full size: 200 tables of 30 rows of 30
// points, 50 industry coefficients, 200 notes, 50 percentage lines.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "core/limits.h"
#include "core/norm_loader.h"
#include "full_size_database.h"

namespace {

const FullSizeDatabase& Database() {
  static const FullSizeDatabase database;
  return database;
}

void BM_ZagrBazFullSize(benchmark::State& state) {
  const auto& folder = Database().folder();
  for (auto _ : state) {
    verdin::NormStore store;
    verdin::ZagrBaz(folder, store);
    benchmark::DoNotOptimize(store.tables.data());
  }
}
BENCHMARK(BM_ZagrBazFullSize)->Unit(benchmark::kMillisecond);

void BM_LoadNormTablesFullSize(benchmark::State& state) {
  const auto file = Database().folder() / verdin::kTablesFileName;
  for (auto _ : state) {
    verdin::NormStore store;
    verdin::LoadNormTables(file, store);
    benchmark::DoNotOptimize(store.tables.data());
  }
}
BENCHMARK(BM_LoadNormTablesFullSize)->Unit(benchmark::kMillisecond);

}  // namespace
