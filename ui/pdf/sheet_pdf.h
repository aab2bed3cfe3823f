// The estimate sheet as a PDF document on A4 portrait pages, drawn with
// Qt's own PDF writer: no spreadsheet program is needed to print it.
#pragma once

#include <filesystem>
#include <memory>

#include "workbook/sheet.h"

class QGuiApplication;

namespace verdin {

// Fonts and painting need a Qt GUI application. This makes one for its
// lifetime when the process has none (a command-line tool, a test),
// on the offscreen platform unless QT_QPA_PLATFORM names another.
class PdfPaintingSupport {
 public:
  PdfPaintingSupport();
  ~PdfPaintingSupport();
  PdfPaintingSupport(const PdfPaintingSupport&) = delete;
  PdfPaintingSupport& operator=(const PdfPaintingSupport&) = delete;

 private:
  int argc_ = 1;
  char name_[8] = "verdin";
  char* argv_[2] = {name_, nullptr};
  std::unique_ptr<QGuiApplication> application_;
};

// Draws the sheet on A4 portrait pages with its column widths, margins,
// fonts, alignment, wrapped texts, borders, merges and row heights, the
// heading row (0 for none) repeated at the top of each following page
// and "Страница N из M" at the foot of each. The file is replaced
// atomically: on failure the earlier file stays as it was and
// SheetOperationError is thrown with a Russian message. Needs a Qt GUI
// application (see PdfPaintingSupport).
void WriteSheetPdf(const Sheet& sheet, int headingRow, const std::filesystem::path& file);

// The estimate sheet, its table heading repeated on every page.
void WriteEstimatePdf(const Sheet& sheet, const std::filesystem::path& file);

}  // namespace verdin
