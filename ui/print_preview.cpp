#include "ui/print_preview.h"

#include <QGuiApplication>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QPrinterInfo>
#include <QScreen>
#include <exception>

#include "core/line_file.h"
#include "core/messages.h"
#include "ui/pdf/sheet_pdf.h"
#include "ui/qt_support.h"

namespace verdin {

namespace {

// Most of the screen the parent stands on, so the page is large enough to
// read and the window still fits a 1366×768 screen.
void FitToScreen(QPrintPreviewDialog& dialog, const QWidget* parent) {
  const QScreen* screen = parent != nullptr ? parent->screen() : QGuiApplication::primaryScreen();
  if (screen == nullptr) return;
  const QRect area = screen->availableGeometry();
  dialog.resize(area.width() * 4 / 5, area.height() * 9 / 10);
  dialog.move(area.center() - dialog.rect().center());
}

// The print dialog offers the printer's output file for printing to a
// file. Naming it switches the printer to PDF output; a system with
// printers is switched back, so that the dialog still starts on the
// default printer and the file is only proposed.
void ProposeOutputFile(QPrinter& printer, const QString& file) {
  if (file.isEmpty()) return;
  printer.setOutputFileName(file);
  if (!QPrinterInfo::defaultPrinterName().isEmpty()) printer.setOutputFormat(QPrinter::NativeFormat);
}

}  // namespace

void ShowPrintPreview(const Sheet& sheet, const std::filesystem::path& proposedFile, Messages& messages,
                      QWidget* parent) {
  QPrinter printer(QPrinter::HighResolution);
  UseA4Portrait(printer);
  const QString file = ToQ(PathText(proposedFile));
  printer.setDocName(ToQ(PathText(proposedFile.stem())));
  printer.setCreator(QStringLiteral("Verdin"));
  ProposeOutputFile(printer, file);
  QPrintPreviewDialog dialog(&printer, parent);
  dialog.setWindowTitle(QStringLiteral("Предварительный просмотр сметы"));
  bool reported = false;
  QObject::connect(&dialog, &QPrintPreviewDialog::paintRequested, &dialog, [&](QPrinter* target) {
    try {
      PaintSheetPages(*target, sheet, sheet.RepeatedRow());
    } catch (const std::exception& error) {
      // The preview repaints on every change of zoom or page setup: the
      // reason is told once.
      if (reported) return;
      reported = true;
      messages.Show("Ошибка печати", std::string("Страницы сметы не нарисованы.\r") + error.what(),
                    MessageIcon::Exclamation);
    }
  });
  FitToScreen(dialog, parent);
  dialog.exec();
}

}  // namespace verdin
