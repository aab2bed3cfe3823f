// Row heights for wrapped texts. The spreadsheet application makes a row
// as high as its wrapped texts need and saves that height with the file;
// a workbook written directly has to do the same, or a reader that does
// not re-measure rows (LibreOffice, print previews) shows the lines of a
// long text on top of each other.
#pragma once

#include "workbook/sheet.h"

namespace verdin {

// Sets the height of every row that has no height of its own and holds a
// wrapped text of more than one line: the number of lines of its longest
// text times the line height of that text's font. Texts of cells merged
// across several rows are left alone, as the spreadsheet does.
void FitRowHeights(Sheet& sheet);

// The number of lines a text takes in a cell of the given width (in
// characters of the standard font) when wrapped at blanks.
int WrappedLines(const std::string& text, double widthInCharacters, double fontSize, bool bold);

}  // namespace verdin
