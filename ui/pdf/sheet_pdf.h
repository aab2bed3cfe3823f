// The estimate sheet as a PDF document on A4 portrait pages, drawn with
// Qt's own PDF writer: no spreadsheet program is needed to print it.
#pragma once

#include <filesystem>
#include <memory>

#include "workbook/sheet.h"

class QGuiApplication;
class QPagedPaintDevice;

namespace verdin {

class RuntimeDirNoticeFilter;
class PrivateRuntimeFolder;

// Fonts and painting need a Qt GUI application. This makes one for its
// lifetime when the process has none (a command-line tool, a test),
// on the offscreen platform unless QT_QPA_PLATFORM names another. While it
// lives, Qt's notice that XDG_RUNTIME_DIR is not set is not printed (other
// messages are); when it is not set, the application gets a runtime
// folder of its own, removed with it, instead of Qt's shared one in /tmp.
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
  // Declared before the application, so they are removed after it.
  std::unique_ptr<RuntimeDirNoticeFilter> noticeFilter_;
  std::unique_ptr<PrivateRuntimeFolder> runtimeFolder_;
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

// Sets a PDF writer or a printer to A4 portrait paper painted up to its
// edges: the sheet's own margins place the table.
void UseA4Portrait(QPagedPaintDevice& device);

// Draws the sheet page by page on a PDF writer or a printer, as
// WriteSheetPdf describes, on the paper of the device's page layout.
// Throws SheetOperationError with a Russian message when the device
// refuses to paint or to start a page.
void PaintSheetPages(QPagedPaintDevice& device, const Sheet& sheet, int headingRow);

}  // namespace verdin
