// The print preview of the estimate sheet: Qt's preview window on A4
// portrait paper, from which the user prints the estimate or saves it as a
// PDF document through Qt's print dialog.
#pragma once

#include <filesystem>

class QWidget;

namespace verdin {

class Messages;
class Sheet;

// Shows the preview modally over `parent` until the user closes it. The
// pages are drawn as the PDF document draws them, the table heading
// repeated on every page. Pages that cannot be painted are reported
// through `messages`. Printing to a file proposes `proposedFile`.
void ShowPrintPreview(const Sheet& sheet, const std::filesystem::path& proposedFile, Messages& messages,
                      QWidget* parent);

}  // namespace verdin
