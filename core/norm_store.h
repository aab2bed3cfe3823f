// The norm database as loaded at start-up: price tables with their rows and
// points, the industry coefficients, the notes to the tables and the table
// of design cost as a percentage of the construction cost.
#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace verdin {

// A text that never changes once made, shared by all its copies: the
// points of a database repeat a handful of unit texts tens of thousands of
// times, and each copy costs one pointer instead of a string of its own.
// The text lives as long as a copy of it does; copies may be made and
// dropped from any thread.
class SharedText {
 public:
  SharedText() = default;
  SharedText(const char* text) : SharedText(std::string_view(text)) {}  // NOLINT: a point may be written {x, price, "м2"}
  explicit SharedText(std::string_view text) : block_(text.empty() ? nullptr : new Block{{1}, std::string(text)}) {}
  SharedText(const SharedText& other) noexcept : block_(other.block_) {
    if (block_ != nullptr) block_->uses.fetch_add(1, std::memory_order_relaxed);
  }
  SharedText(SharedText&& other) noexcept : block_(std::exchange(other.block_, nullptr)) {}
  SharedText& operator=(SharedText other) noexcept {
    std::swap(block_, other.block_);
    return *this;
  }
  ~SharedText() {
    if (block_ != nullptr && block_->uses.fetch_sub(1, std::memory_order_acq_rel) == 1) delete block_;
  }

  std::string_view view() const { return block_ != nullptr ? std::string_view(block_->text) : std::string_view(); }
  // The text ending in a NUL, for libraries that take C strings.
  const char* c_str() const { return block_ != nullptr ? block_->text.c_str() : ""; }
  operator std::string_view() const { return view(); }  // NOLINT: reads as the text it holds
  bool empty() const { return block_ == nullptr; }

  friend bool operator==(const SharedText& a, std::string_view b) { return a.view() == b; }

 private:
  struct Block {
    std::atomic<std::size_t> uses;  // the copies that hold the text
    const std::string text;
  };
  Block* block_ = nullptr;  // null for the empty text
};

// One point of a norm-table row: the natural indicator X, the base price at
// that X (thousands of roubles) and the unit text of the indicator. Points
// with the same unit text may share it.
struct NormPoint {
  double x = 0;
  double price = 0;
  SharedText unit;
};

// A row (пункт) of a norm table; points are in strictly ascending order of X.
struct NormRow {
  std::string title;
  std::vector<NormPoint> points;
};

// A norm table. The first three tables of the database (indexes 0–2) are
// the special entries of the table list (user-entered table, entry without
// calculation, percentage of the construction cost); norm tables proper
// start at index 3. A table's index is its table-list entry.
struct NormTable {
  std::string title;
  std::vector<NormRow> rows;
};

// An industry coefficient: its name and its value as text (decimal comma),
// as the coefficient window shows it.
struct IndustryCoefficient {
  std::string name;
  std::string value;
};

// One line of the construction-cost percentage table: the fields as text
// (trimmed) and as numbers. Field 0 is the construction cost in millions of
// roubles at which the line starts, fields 1–5 the percentages for the
// complexity categories I–V (kFirstCategoryField + category, the category
// counted from 0).
inline constexpr int kFirstCategoryField = 1;

struct PercentageLine {
  std::vector<std::string> texts;
  std::vector<double> numbers;
};

class NormStore {
 public:
  // Every index counts from 0, as the lists of the windows do.
  std::vector<NormTable> tables;            // tables[t] is table-list entry t
  std::vector<IndustryCoefficient> Kotr;    // the industry coefficients
  std::vector<std::string> Prim;            // Prim[t] is the note of table t
  std::vector<PercentageLine> Smr;          // the lines of the percentage table

  int TableCount() const { return static_cast<int>(tables.size()); }
  int KolKotr() const { return static_cast<int>(Kotr.size()); }

  // Table t.
  const NormTable& Table(int t) const { return tables.at(static_cast<std::size_t>(t)); }
  NormTable& Table(int t) { return tables.at(static_cast<std::size_t>(t)); }

  // Row r of table t.
  const NormRow& Row(int t, int r) const { return Table(t).rows.at(static_cast<std::size_t>(r)); }

  // The note shown for table t; empty when the notes file has fewer notes
  // than there are tables.
  std::string Note(int t) const;

  // SmrD(i, f): line i, field f as a number; 0 outside the table.
  double SmrD(int i, int f) const;
  int SmrLineCount() const { return static_cast<int>(Smr.size()); }
};

}  // namespace verdin
