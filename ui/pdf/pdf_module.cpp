// The PDF writer as a loadable module: a program without windows (the
// batch tool, forms/ saving a ".pdf" name) loads Qt Gui only when it draws
// a PDF. In the desktop program, which has its Qt application already,
// the module uses that one.
#include <QGuiApplication>

#include <optional>

#include "ui/pdf/sheet_pdf.h"
#include "workbook/writer_module.h"

VERDIN_WRITER_FORMAT(pdf)

VERDIN_MODULE_ENTRY bool verdin_write_pdf(const verdin::Sheet& sheet, const std::filesystem::path& file,
                                            std::string& message) noexcept {
  return verdin::WriteReportingFailure(
      file,
      [&] {
        std::optional<verdin::PdfPaintingSupport> painting;
        if (QGuiApplication::instance() == nullptr) painting.emplace();
        verdin::WriteSheetPdf(sheet, sheet.RepeatedRow(), file);
      },
      message);
}
