// Finding a table or a row by typing: which entries of the table list stay
// in view for the text typed into the search box, and which table and row
// the search found first. The lists themselves never change; the rule only
// picks the original indices to show, so a chosen entry is selected by its
// original index, as a click does.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "core/norm_store.h"

namespace verdin {

// The text folded for a search: Latin and Cyrillic capitals become small
// letters and "ё" becomes "е", so "ЖИЛЫЕ", "Жилые" and "жилые" compare equal.
// Other characters, and bytes that are not UTF-8, stay as they are.
std::string FoldForSearch(std::string_view text);

// True when every blank-separated word of the typed text occurs somewhere
// in the entry, ignoring case; a typed text of blanks only matches all.
bool MatchesSearch(std::string_view entry, std::string_view typed);

// What a search of the table list finds for a typed text.
struct TableSearchResult {
  // The table-list entries to show, as original indices in list order: the
  // special entries (the first `special` ones) always and first, then the
  // tables whose number or title, or one of whose rows, holds every word.
  // The chosen entry stays in view even when it does not match, so the
  // box never shows a blank while a table is chosen.
  std::vector<int> shown;
  // The table of the best hit (-1 when the text finds nothing or is
  // blank): the entry Enter takes.
  int firstTable = -1;
  // The row of the best hit (-1 when the table itself was found by its
  // number or title): the row Enter takes with it.
  int firstRow = -1;
};

// Searches the table titles and the row titles. A row is found when every
// word occurs in the row's title or in its table's title, so "2.5 школ"
// finds the school row of table 2.5. The best hit is, in this order, a row
// whose own title holds every word, a row holding some words with its
// table's title holding the rest, a table whose title alone holds them;
// within each, one where every word starts a word ("школ" in "школы", not
// in "дошкольные"); then the first in list order.
TableSearchResult SearchTables(const std::vector<NormTable>& tables, std::string_view typed, int special, int chosen);

// What Enter in the search box would take, as the window shows it while
// the user types: "Enter: «4.2. …», «3. …»"; "Ничего не найдено" when the
// search finds nothing.
std::string FoundText(const std::vector<NormTable>& tables, const TableSearchResult& found);
}  // namespace verdin
