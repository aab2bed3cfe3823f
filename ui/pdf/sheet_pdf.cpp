#include "ui/pdf/sheet_pdf.h"

#include <QBuffer>
#include <QByteArray>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QPageLayout>
#include <QPageSize>
#include <QPagedPaintDevice>
#include <QPainter>
#include <QPdfWriter>
#include <QtGlobal>

#include <algorithm>
#include <map>
#include <memory>
#include <string>
#include <string_view>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "core/text_forms.h"
#include "workbook/save_workbook.h"
#include "ui/pdf/shipped_fonts.h"
#include "workbook/sheet_pages.h"

namespace verdin {

namespace {

constexpr int kResolution = 1200;                   // dots an inch of the PDF drawing
constexpr double kPaddingX = 2.0;                   // points between a cell's edge and its text
constexpr double kPaddingY = 1.0;
constexpr double kFooterRoom = 18.0;                // points the page number needs below the table
constexpr double kFooterSize = 9.0;
constexpr double kBorderWidth = 0.5;

// The font family on this system: the shipped twin of the named one, else
// the named one, or its metric-compatible free twin when the named one is
// not installed.
QString Family(const std::string& name) {
  if (QString shipped = ShippedFamily(name); !shipped.isEmpty()) return shipped;
  const QString family = QString::fromStdString(name);
  if (QFontDatabase::hasFamily(family)) return family;
  const std::pair<const char*, const char*> twins[] = {
      {"Times New Roman", "Liberation Serif"}, {"Arial", "Liberation Sans"}, {"Courier New", "Liberation Mono"}};
  for (const auto& [original, twin] : twins) {
    if (family.compare(QLatin1String(original), Qt::CaseInsensitive) == 0 && QFontDatabase::hasFamily(twin)) {
      return twin;
    }
  }
  return family;
}

// The family each font name of the sheet resolves to. The font database is
// asked once per name and drawing: the question goes through fontconfig and
// costs far more than drawing a cell.
class FontFamilies {
 public:
  const QString& Of(const std::string& name) {
    auto known = families_.find(name);
    if (known == families_.end()) known = families_.emplace(name, Family(name)).first;
    return known->second;
  }

 private:
  std::map<std::string, QString, std::less<>> families_;
};

// The Qt font of a cell format, its size scaled with the page.
class Fonts {
 public:
  Fonts(FontFamilies& families, double scale) : families_(families), scale_(scale) {}
  QFont Of(const CellFormat& format) const {
    QFont font(families_.Of(format.fontName));
    font.setPointSizeF(std::max(1.0, format.fontSize) * scale_);
    font.setBold(format.bold);
    return font;
  }

 private:
  FontFamilies& families_;
  double scale_;
};

// A text as the sheet stores it, with its line breaks as Qt draws them.
QString Shown(const CellValue& value) {
  if (const auto* number = std::get_if<double>(&value)) return QString::fromStdString(GeneralForm(*number));
  if (const auto* text = std::get_if<std::string>(&value)) {
    QString shown = QString::fromUtf8(text->data(), static_cast<qsizetype>(text->size()));
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
  }
  return {};
}

int Flags(const Cell& cell) {
  const CellFormat& f = cell.format;
  int flags = f.wrap ? Qt::TextWordWrap : 0;
  switch (f.horizontal) {
    case xl::kAlignCenter: flags |= Qt::AlignHCenter; break;
    case xl::kAlignRight: flags |= Qt::AlignRight; break;
    case xl::kAlignLeft: flags |= Qt::AlignLeft; break;
    default: flags |= std::holds_alternative<double>(cell.value) ? Qt::AlignRight : Qt::AlignLeft; break;
  }
  switch (f.vertical) {
    case xl::kAlignTop: flags |= Qt::AlignTop; break;
    case xl::kAlignCenter: flags |= Qt::AlignVCenter; break;
    default: flags |= Qt::AlignBottom; break;
  }
  return flags;
}

// Device dots a point: drawing coordinates are in dots, font sizes in
// points, as the device counts them.
double DotsPerPoint(const QPaintDevice& device) { return device.logicalDpiY() / 72.0; }

// The height in points a wrapped text needs in a cell of the given width.
// Font metrics are made once per font (name, size, bold) of the sheet.
TextHeight Measurer(QPaintDevice& device, FontFamilies& families) {
  struct FontKey {
    std::string name;
    double size;
    bool bold;
    auto operator<=>(const FontKey&) const = default;
  };
  struct Measuring {
    explicit Measuring(FontFamilies& families) : fonts(families, 1) {}
    Fonts fonts;
    std::map<FontKey, QFontMetricsF> metrics;
  };
  const double dots = DotsPerPoint(device);
  auto measuring = std::make_shared<Measuring>(families);
  return [&device, dots, measuring](const std::string& text, const CellFormat& format, double width) {
    if (!format.wrap) return 0.0;
    FontKey key{format.fontName, format.fontSize, format.bold};
    auto found = measuring->metrics.find(key);
    if (found == measuring->metrics.end()) {
      found = measuring->metrics.emplace(std::move(key), QFontMetricsF(measuring->fonts.Of(format), &device)).first;
    }
    const double room = std::max(1.0, (width - 2 * kPaddingX) * dots);
    const QRectF bounds = found->second.boundingRect(QRectF(0, 0, room, 1e9), Qt::TextWordWrap,
                                                     Shown(CellValue(text)));
    return bounds.height() / dots + 2 * kPaddingY;
  };
}

// Draws one page of the layout.
class PagePainter {
 public:
  PagePainter(QPainter& painter, double dots, const Sheet& sheet, const PageLayout& layout, FontFamilies& families)
      : painter_(painter),
        dots_(dots),
        sheet_(sheet),
        layout_(layout),
        merges_(sheet, static_cast<int>(layout.rowHeights.size())),
        fonts_(families, layout.scale) {}

  void Draw(const SheetPage& page) {
    rowTops_.clear();
    double y = 0;
    for (int row : page.rows) {
      rowTops_.emplace_back(row, y);
      y += layout_.RowHeight(row);
    }
    for (std::size_t i = 0; i < rowTops_.size(); ++i) {
      for (int column = 1; column <= static_cast<int>(layout_.columnWidths.size()); ++column) DrawCell(i, column);
    }
  }

 private:
  double X(double sheetX) const { return (layout_.left + sheetX * layout_.scale) * dots_; }
  double Y(double sheetY) const { return (layout_.top + sheetY * layout_.scale) * dots_; }

  double ColumnLeft(int column) const {
    double x = 0;
    for (int c = 1; c < column; ++c) x += layout_.ColumnWidth(c);
    return x;
  }

  // The rows of this page, from the i-th on, that continue a merge.
  std::size_t PortionEnd(std::size_t i, const CellRange& merged) const {
    std::size_t end = i;
    while (end + 1 < rowTops_.size() && rowTops_[end + 1].first == rowTops_[end].first + 1 &&
           rowTops_[end + 1].first <= merged.lastRow) {
      ++end;
    }
    return end;
  }

  bool StartsPortion(std::size_t i, const CellRange& merged) const {
    const int row = rowTops_[i].first;
    return row == merged.firstRow || i == 0 || rowTops_[i - 1].first != row - 1;
  }

  void DrawCell(std::size_t i, int column) {
    const int row = rowTops_[i].first;
    const Cell* cell = sheet_.CellAt(row, column);
    const CellRange* merged = merges_.At(row, column);
    const double left = ColumnLeft(column);
    const double top = rowTops_[i].second;
    if (cell != nullptr) DrawBorders(*cell, merged, i, column, left, top);
    if (merged != nullptr && (column != merged->firstColumn || !StartsPortion(i, *merged))) return;
    double width = layout_.ColumnWidth(column);
    double height = layout_.RowHeight(row);
    const Cell* shown = cell;
    if (merged != nullptr) {
      width = 0;
      for (int c = merged->firstColumn; c <= std::min(merged->lastColumn, static_cast<int>(layout_.columnWidths.size()));
           ++c) {
        width += layout_.ColumnWidth(c);
      }
      const std::size_t end = PortionEnd(i, *merged);
      height = rowTops_[end].second + layout_.RowHeight(rowTops_[end].first) - top;
      // The text belongs to the part of the merge that holds its first row.
      shown = row == merged->firstRow ? sheet_.CellAt(merged->firstRow, merged->firstColumn) : nullptr;
    }
    if (shown != nullptr) DrawText(*shown, left, top, width, height);
  }

  void DrawText(const Cell& cell, double left, double top, double width, double height) {
    const QString text = Shown(cell.value);
    if (text.isEmpty()) return;
    const QRectF cellRect(X(left), Y(top), width * layout_.scale * dots_, height * layout_.scale * dots_);
    const double padX = kPaddingX * layout_.scale * dots_;
    const double padY = kPaddingY * layout_.scale * dots_;
    painter_.save();
    painter_.setClipRect(cellRect);
    painter_.setFont(fonts_.Of(cell.format));
    painter_.drawText(cellRect.adjusted(padX, padY, -padX, -padY), Flags(cell), text);
    painter_.restore();
  }

  void Line(double x1, double y1, double x2, double y2) { painter_.drawLine(QPointF(X(x1), Y(y1)), QPointF(X(x2), Y(y2))); }

  // A cell's own edges; the edges inside a merge are not drawn, and a merge
  // cut by a page break is closed at the break.
  void DrawBorders(const Cell& cell, const CellRange* merged, std::size_t i, int column, double left, double top) {
    const CellFormat& f = cell.format;
    const int row = rowTops_[i].first;
    const double right = left + layout_.ColumnWidth(column);
    const double bottom = top + layout_.RowHeight(row);
    const bool lastOnPage = i + 1 == rowTops_.size() || rowTops_[i + 1].first != row + 1;
    const bool firstOnPage = i == 0 || rowTops_[i - 1].first != row - 1;
    if (f.borderLeft && (merged == nullptr || column == merged->firstColumn)) Line(left, top, left, bottom);
    if (f.borderRight && (merged == nullptr || column == merged->lastColumn)) Line(right, top, right, bottom);
    if (f.borderTop && (merged == nullptr || row == merged->firstRow || firstOnPage)) Line(left, top, right, top);
    if (f.borderBottom && (merged == nullptr || row == merged->lastRow || lastOnPage)) {
      Line(left, bottom, right, bottom);
    }
  }

  QPainter& painter_;
  const double dots_;
  const Sheet& sheet_;
  const PageLayout& layout_;
  const MergeIndex merges_;
  const Fonts fonts_;
  std::vector<std::pair<int, double>> rowTops_;  // sheet row and its top on the page, in points
};

void DrawFooter(QPainter& painter, const Fonts& fonts, double dots, const PageLayout& layout, double paperHeight,
                double bottomMargin, int page, int pages) {
  CellFormat format;
  format.fontName = "Times New Roman";
  format.fontSize = kFooterSize;
  painter.setFont(fonts.Of(format));
  const double room = std::max(bottomMargin, kFooterRoom);
  const QRectF area(layout.left * dots, (paperHeight - room) * dots, layout.printableWidth * dots, room * dots);
  const QString text = QStringLiteral("Страница %1 из %2").arg(page).arg(pages);
  painter.drawText(area, Qt::AlignCenter, text);
}

QByteArray Render(const Sheet& sheet, int headingRow) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(kResolution);
  writer.setCreator(QStringLiteral("Verdin"));
  writer.setTitle(QStringLiteral("Смета на проектно-изыскательские работы"));
  UseA4Portrait(writer);
  PaintSheetPages(writer, sheet, headingRow);
  return bytes;
}

// Qt's message handlers are plain functions: the handler the notice filter
// replaced is kept in this one slot while the filter is installed.
QtMessageHandler& ReplacedHandler() {
  static QtMessageHandler replaced = nullptr;
  return replaced;
}

// Drops Qt's notice that XDG_RUNTIME_DIR is not set, which the platform
// start-up of a command-line PDF run may print although nothing here uses
// the runtime folder; every other message goes where it went before.
void WithoutRuntimeDirNotice(QtMsgType type, const QMessageLogContext& context, const QString& message) {
  if (type == QtWarningMsg && message.startsWith(QLatin1String("QStandardPaths: XDG_RUNTIME_DIR not set"))) return;
  if (const QtMessageHandler replaced = ReplacedHandler()) replaced(type, context, message);
}

}  // namespace

// Installs the notice filter for its lifetime; an inner one, while an outer
// one is installed, leaves the filter as it is.
class RuntimeDirNoticeFilter {
 public:
  RuntimeDirNoticeFilter() : replaced_(qInstallMessageHandler(WithoutRuntimeDirNotice)) {
    outermost_ = replaced_ != WithoutRuntimeDirNotice;
    if (outermost_) ReplacedHandler() = replaced_;
  }
  ~RuntimeDirNoticeFilter() {
    qInstallMessageHandler(replaced_);
    if (outermost_) ReplacedHandler() = nullptr;
  }
  RuntimeDirNoticeFilter(const RuntimeDirNoticeFilter&) = delete;
  RuntimeDirNoticeFilter& operator=(const RuntimeDirNoticeFilter&) = delete;

 private:
  QtMessageHandler replaced_;
  bool outermost_ = false;
};

// A runtime folder of the application's own while XDG_RUNTIME_DIR is not
// set: Qt would otherwise make /tmp/runtime-<user> and leave it there.
class PrivateRuntimeFolder {
 public:
  PrivateRuntimeFolder() : folder_(platform::SystemTemporaryFolder(), "verdin-runtime-") {
    qputenv("XDG_RUNTIME_DIR", QByteArray::fromStdString(PathText(folder_.path())));
  }
  ~PrivateRuntimeFolder() { qunsetenv("XDG_RUNTIME_DIR"); }
  PrivateRuntimeFolder(const PrivateRuntimeFolder&) = delete;
  PrivateRuntimeFolder& operator=(const PrivateRuntimeFolder&) = delete;

 private:
  PrivateFolder folder_;
};

void UseA4Portrait(QPagedPaintDevice& device) {
  QPageLayout a4(QPageSize(QPageSize::A4), QPageLayout::Portrait, QMarginsF(0, 0, 0, 0), QPageLayout::Point);
  // The sheet's own margins place the table on the paper.
  a4.setMode(QPageLayout::FullPageMode);
  device.setPageLayout(a4);
}

void PaintSheetPages(QPagedPaintDevice& device, const Sheet& sheet, int headingRow) {
  const QPageLayout paper = device.pageLayout();
  const QRectF full = paper.fullRect(QPageLayout::Point);
  PageSetup setup;
  setup.width = full.width();
  setup.height = full.height();
  setup.headingRow = headingRow;
  const double bottom = std::isfinite(sheet.BottomMargin()) ? std::max(0.0, sheet.BottomMargin()) : 0.0;
  setup.footerHeight = std::max(0.0, kFooterRoom - bottom);
  FontFamilies families;
  const PageLayout layout = LayOutPages(sheet, setup, Measurer(device, families));
  const double dots = DotsPerPoint(device);

  QPainter painter;
  if (!painter.begin(&device)) throw SheetOperationError("Не удалось начать рисование страниц.");
  // Positions are counted from the paper's corner; a device that paints
  // inside its margins has its origin at the margins' corner.
  const QPointF origin = paper.paintRect(QPageLayout::Point).topLeft() - full.topLeft();
  painter.translate(-origin * dots);
  painter.setPen(QPen(Qt::black, kBorderWidth * dots));
  PagePainter pages(painter, dots, sheet, layout, families);
  const Fonts footerFonts(families, 1);
  const int count = static_cast<int>(layout.pages.size());
  for (int page = 0; page < count; ++page) {
    if (page > 0 && !device.newPage()) throw SheetOperationError("Не удалось начать новую страницу.");
    pages.Draw(layout.pages[static_cast<std::size_t>(page)]);
    DrawFooter(painter, footerFonts, dots, layout, setup.height, bottom, page + 1, count);
  }
  if (!painter.end()) throw SheetOperationError("Не удалось завершить страницы.");
}

PdfPaintingSupport::PdfPaintingSupport() : noticeFilter_(std::make_unique<RuntimeDirNoticeFilter>()) {
  if (QGuiApplication::instance() != nullptr) return;
#ifndef _WIN32
  // Without a display: the offscreen platform and a runtime folder. On
  // Windows the system's own platform draws without showing anything.
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  if (qEnvironmentVariableIsEmpty("XDG_RUNTIME_DIR")) {
    try {
      runtimeFolder_ = std::make_unique<PrivateRuntimeFolder>();
    } catch (const WriteFault&) {
      // Qt then makes its own; the drawing is the same.
    }
  }
#endif
  application_ = std::make_unique<QGuiApplication>(argc_, argv_);
}

PdfPaintingSupport::~PdfPaintingSupport() = default;

void WriteSheetPdf(const Sheet& sheet, int headingRow, const std::filesystem::path& file) {
  // Before any drawing: laying out a text costs many times its size.
  CheckCellTexts(sheet, file);
  QByteArray bytes;
  try {
    bytes = Render(sheet, headingRow);
    if (bytes.isEmpty()) throw SheetOperationError("Документ PDF получился пустым.");
  } catch (const SheetOperationError& error) {
    // The drawing's own reasons do not name the file.
    throw SheetOperationError("Файл «" + PathText(file) + "» не записан.\n" + error.what());
  }
  try {
    WriteFileAtomically(file, std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  } catch (const FileError& error) {
    throw SheetOperationError(error.what());
  }
}


}  // namespace verdin
