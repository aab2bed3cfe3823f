#include "forms/table_search.h"

#include <algorithm>
#include <cstddef>

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

// The matching entries from `first` on, with the chosen one kept in place.
void AddMatches(std::vector<int>& shown, const std::vector<std::string>& entries,
                const std::vector<std::string>& words, int first, int chosen) {
  for (int i = std::max(first, 0); InRange(i, entries.size()); ++i) {
    if (i == chosen || MatchesFolded(FoldForSearch(entries[static_cast<std::size_t>(i)]), words)) shown.push_back(i);
  }
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

std::vector<int> ShownTables(const std::vector<std::string>& tables, std::string_view typed, int special,
                             int chosen) {
  std::vector<int> shown;
  const int leading = std::clamp(special, 0, static_cast<int>(tables.size()));
  for (int i = 0; i < leading; ++i) shown.push_back(i);
  AddMatches(shown, tables, FoldedWords(typed), leading, chosen);
  return shown;
}

std::vector<int> ShownRows(const std::vector<std::string>& rows, std::string_view typed, int chosen) {
  std::vector<int> shown;
  AddMatches(shown, rows, FoldedWords(typed), 0, -1);
  if (shown.empty()) {
    for (int i = 0; InRange(i, rows.size()); ++i) shown.push_back(i);
    return shown;
  }
  if (InRange(chosen, rows.size()) && !std::binary_search(shown.begin(), shown.end(), chosen)) {
    shown.insert(std::upper_bound(shown.begin(), shown.end(), chosen), chosen);
  }
  return shown;
}

}  // namespace verdin
