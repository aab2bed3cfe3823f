// The .xls writer as a loadable module: the program loads libgsf and the
// libraries behind it only when it writes an .xls workbook.
#include "workbook/writer_module.h"
#include "workbook/xls_writer.h"

VERDIN_WRITER_FORMAT(xls)

VERDIN_MODULE_ENTRY bool verdin_write_xls(const verdin::Sheet& sheet, const std::filesystem::path& file,
                                            std::string& message) noexcept {
  return verdin::WriteReportingFailure(file, [&] { verdin::WriteXls(sheet, file); }, message);
}
