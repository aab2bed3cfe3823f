#include "forms/table_search.h"

#include <algorithm>
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

// Every word occurs in the row's title or in its table's (both folded).
bool RowMatches(const std::string& table, const std::string& row, const std::vector<std::string>& words) {
  return std::all_of(words.begin(), words.end(), [&](const std::string& word) {
    return table.find(word) != std::string::npos || row.find(word) != std::string::npos;
  });
}

// How a table answers the search: not at all (nullopt), by its number or
// title (-1), or by the row with this index.
std::optional<int> TableHit(const NormTable& table, const std::vector<std::string>& words) {
  const std::string title = FoldForSearch(table.title);
  if (MatchesFolded(title, words)) return -1;
  for (std::size_t row = 0; row < table.rows.size(); ++row) {
    if (RowMatches(title, FoldForSearch(table.rows[row].title), words)) return static_cast<int>(row);
  }
  return std::nullopt;
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
  for (int i = leading; InRange(i, tables.size()); ++i) {
    const std::optional<int> hit =
        words.empty() ? std::optional<int>(-1) : TableHit(tables[static_cast<std::size_t>(i)], words);
    if (hit && !words.empty() && result.firstTable < 0) {
      result.firstTable = i;
      result.firstRow = *hit;
    }
    if (hit || i == chosen) result.shown.push_back(i);
  }
  return result;
}

}  // namespace verdin
