// Finding a table by typing: which entries of the table list and of the
// row list stay in view for the text typed into the search box. The lists
// themselves never change; the rule only picks the original indices to show,
// so a chosen entry is selected by its original index, as a click does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace verdin {

// The text folded for a search: Latin and Cyrillic capitals become small
// letters and "ё" becomes "е", so "ЖИЛЫЕ", "Жилые" and "жилые" compare equal.
// Other characters, and bytes that are not UTF-8, stay as they are.
std::string FoldForSearch(std::string_view text);

// True when every blank-separated word of the typed text occurs somewhere
// in the entry, ignoring case; a typed text of blanks only matches all.
bool MatchesSearch(std::string_view entry, std::string_view typed);

// The table-list entries to show for the typed text, as original indices in
// list order: the special entries (the first `special` ones) always and
// first, then the matching tables. The chosen entry stays in view even when
// it does not match, so the box never shows a blank while a table is chosen.
std::vector<int> ShownTables(const std::vector<std::string>& tables, std::string_view typed, int special,
                             int chosen);

// The row-list entries to show for the typed text: the matching rows of the
// chosen table, all of them when none matches (the table itself was found
// by its number or title), and the chosen row in any case.
std::vector<int> ShownRows(const std::vector<std::string>& rows, std::string_view typed, int chosen);

}  // namespace verdin
