// The .xlsx writer as a loadable module: the program loads libxlsxwriter
// and the libraries behind it only when it writes an .xlsx workbook.
#include "workbook/writer_module.h"
#include "workbook/xlsx_writer.h"

VERDIN_WRITER_FORMAT(xlsx)

VERDIN_MODULE_ENTRY bool verdin_write_xlsx(const verdin::Sheet& sheet, const std::filesystem::path& file,
                                            std::string& message) noexcept {
  return verdin::WriteReportingFailure(file, [&] { verdin::WriteXlsx(sheet, file); }, message);
}
