// Loading a norm database of the full size: 200 tables of 30 rows of 30
// points, 50 industry coefficients, 200 notes, 50 percentage lines; and of
// a quarter and a half of it, to show that the time grows linearly.
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

void LoadRepeatedly(benchmark::State& state, const std::filesystem::path& folder) {
  for (auto _ : state) {
    verdin::NormStore store;
    verdin::ZagrBaz(folder, store);
    benchmark::DoNotOptimize(store.tables.data());
  }
}

void BM_ZagrBazFullSize(benchmark::State& state) { LoadRepeatedly(state, Database().folder()); }
BENCHMARK(BM_ZagrBazFullSize)->Unit(benchmark::kMillisecond);

// The share of the full size in per cent is the argument.
void BM_ZagrBazShare(benchmark::State& state) {
  const FullSizeDatabase database(static_cast<int>(state.range(0)));
  LoadRepeatedly(state, database.folder());
}
BENCHMARK(BM_ZagrBazShare)->Arg(25)->Arg(50)->Arg(100)->Unit(benchmark::kMillisecond);

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
