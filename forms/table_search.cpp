#include "forms/table_search.h"

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <optional>

namespace verdin {

namespace {

// The UTF-8 bytes of the small letter for a two-byte capital, or the
// character itself. Capitals: А-Я (U+0410-U+042F) -> а-я, Ѐ-Џ
// (U+0400-U+040F) -> ѐ-џ; Ё and ё then fold to е.
void AppendFolded(std::string& out, unsigned code) {
  if (code >= 0x410 && code <= 0x42F) code += 0x20;
  if (code >= 0x400 && code <= 0x40F) code += 0x50;
  if (code == 0x451) code = 0x435;  // ё -> е
  out += static_cast<char>(0xC0 | (code >> 6));
  out += static_cast<char>(0x80 | (code & 0x3F));
}

bool IsContinuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

std::vector<std::string_view> Words(std::string_view text) {
  std::vector<std::string_view> words;
  std::size_t at = 0;
  while (at < text.size()) {
    const std::size_t start = text.find_first_not_of(" \t", at);
    if (start == std::string_view::npos) break;
    const std::size_t end = std::min(text.find_first_of(" \t", start), text.size());
    words.push_back(text.substr(start, end - start));
    at = end;
  }
  return words;
}

bool MatchesFolded(const std::string& entry, const std::vector<std::string>& words) {
  return std::all_of(words.begin(), words.end(),
                     [&entry](const std::string& word) { return entry.find(word) != std::string::npos; });
}

std::vector<std::string> FoldedWords(std::string_view typed) {
  std::vector<std::string> words;
  for (const std::string_view word : Words(typed)) words.push_back(FoldForSearch(word));
  return words;
}

bool InRange(int index, std::size_t size) { return index >= 0 && static_cast<std::size_t>(index) < size; }

// Whether `word` occurs in `text`, and whether at the start of a word
// there ("школ" starts a word in "общеобразовательные школы", not in
// "дошкольные"). A word starts after a blank or punctuation; the bytes of a
// Cyrillic letter are all above ASCII, so they never end a word.
enum class Occurrence { None, Inside, WordStart };

Occurrence Find(const std::string& text, const std::string& word) {
  Occurrence best = Occurrence::None;
  for (std::size_t at = text.find(word); at != std::string::npos; at = text.find(word, at + 1)) {
    const auto before = at == 0 ? ' ' : static_cast<unsigned char>(text[at - 1]);
    if (before < 0x80 && !std::isalnum(before)) return Occurrence::WordStart;
    best = Occurrence::Inside;
  }
  return best;
}

// How well an entry answers the search; a smaller rank is a better hit.
// A row whose own title holds every word comes first, then a row that
// holds some of the words with its table's title holding the rest, then a
// table whose title alone holds them all; within each, every word at the
// start of a word before a word found inside another.
struct Hit {
  int rank = 0;
  int row = -1;  // -1: the table by its number or title
};

constexpr int kRowAlone = 0;
constexpr int kRowWithTable = 2;
constexpr int kTableAlone = 4;

std::optional<int> Rank(const std::string& table, const std::string& row, const std::vector<std::string>& words) {
  bool inRow = false;
  bool allInRow = true;
  bool allAtStart = true;
  for (const std::string& word : words) {
    const Occurrence r = row.empty() ? Occurrence::None : Find(row, word);
    const Occurrence t = Find(table, word);
    if (r == Occurrence::None && t == Occurrence::None) return std::nullopt;
    inRow = inRow || r != Occurrence::None;
    allInRow = allInRow && r != Occurrence::None;
    allAtStart = allAtStart && (r == Occurrence::WordStart || (r == Occurrence::None && t == Occurrence::WordStart));
  }
  const int kind = row.empty() ? kTableAlone : allInRow ? kRowAlone : inRow ? kRowWithTable : -1;
  if (kind < 0) return std::nullopt;  // the table alone answers; counted once, for the table
  return kind + (allAtStart ? 0 : 1);
}

// The best hit of a table: its best row, or the table itself by its title
// or number; nullopt when neither holds every word.
std::optional<Hit> TableHit(const NormTable& table, const std::vector<std::string>& words) {
  const std::string title = FoldForSearch(table.title);
  std::optional<Hit> best;
  if (const auto rank = Rank(title, std::string(), words)) best = Hit{*rank, -1};
  for (std::size_t row = 0; row < table.rows.size(); ++row) {
    const auto rank = Rank(title, FoldForSearch(table.rows[row].title), words);
    if (rank && (!best || *rank < best->rank)) best = Hit{*rank, static_cast<int>(row)};
  }
  return best;
}

}  // namespace

std::string FoldForSearch(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte >= 'A' && byte <= 'Z') {
      out += static_cast<char>(byte - 'A' + 'a');
    } else if ((byte & 0xE0) == 0xC0 && i + 1 < text.size() && IsContinuation(static_cast<unsigned char>(text[i + 1]))) {
      AppendFolded(out, ((byte & 0x1Fu) << 6) | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu));
      ++i;
    } else {
      out += static_cast<char>(byte);
    }
  }
  return out;
}

bool MatchesSearch(std::string_view entry, std::string_view typed) {
  return MatchesFolded(FoldForSearch(entry), FoldedWords(typed));
}

TableSearchResult SearchTables(const std::vector<NormTable>& tables, std::string_view typed, int special,
                               int chosen) {
  TableSearchResult result;
  const int leading = std::clamp(special, 0, static_cast<int>(tables.size()));
  for (int i = 0; i < leading; ++i) result.shown.push_back(i);
  const std::vector<std::string> words = FoldedWords(typed);
  std::optional<Hit> best;
  for (int i = leading; InRange(i, tables.size()); ++i) {
    if (words.empty()) {
      result.shown.push_back(i);
      continue;
    }
    const std::optional<Hit> hit = TableHit(tables[static_cast<std::size_t>(i)], words);
    if (hit && (!best || hit->rank < best->rank)) {
      best = hit;
      result.firstTable = i;
      result.firstRow = hit->row;
    }
    if (hit || i == chosen) result.shown.push_back(i);
  }
  return result;
}

std::string FoundText(const std::vector<NormTable>& tables, const TableSearchResult& found) {
  if (!InRange(found.firstTable, tables.size())) return "Ничего не найдено";
  const NormTable& table = tables[static_cast<std::size_t>(found.firstTable)];
  std::string text = "Enter: «" + table.title + "»";
  if (InRange(found.firstRow, table.rows.size())) text += ", «" + table.rows[static_cast<std::size_t>(found.firstRow)].title + "»";
  return text;
}

}  // namespace verdin
