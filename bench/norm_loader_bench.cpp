// Loading a norm database of the full size: 200 tables of 30 rows of 30
// points, 50 industry coefficients, 200 notes, 50 percentage lines; and of
// a quarter and a half of it, to show that the time grows linearly.
#include <benchmark/benchmark.h>

#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <set>
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

// Heap bytes of a text beyond the room a string keeps inside itself.
std::size_t TextBytes(const std::string& text) {
  return text.capacity() > std::string().capacity() ? text.capacity() + 1 : 0;
}

// The memory the norm tables of a store take: the vectors by their
// capacity, the titles, and each shared unit text once (with its count
// of copies and string). Allocator overhead is left out.
double TablesMegabytes(const verdin::NormStore& store) {
  std::size_t bytes = store.tables.capacity() * sizeof(verdin::NormTable);
  std::set<const char*> units;
  for (const auto& table : store.tables) {
    bytes += TextBytes(table.title) + table.rows.capacity() * sizeof(verdin::NormRow);
    for (const auto& row : table.rows) {
      bytes += TextBytes(row.title) + row.points.capacity() * sizeof(verdin::NormPoint);
      for (const auto& point : row.points) {
        if (units.insert(point.unit.view().data()).second) bytes += sizeof(std::size_t) + sizeof(std::string) + point.unit.view().size() + 1;
      }
    }
  }
  return static_cast<double>(bytes) / (1024.0 * 1024.0);
}

void BM_ZagrBazFullSize(benchmark::State& state) {
  LoadRepeatedly(state, Database().folder());
  verdin::NormStore store;
  verdin::ZagrBaz(Database().folder(), store);
  state.counters["tables_MB"] = TablesMegabytes(store);
}
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
