// The norm workbooks as a loadable module: the program loads
// libxlsxwriter, minizip, expat and FreeXL only when it exports or
// imports the norm database.
#include "workbook/norm_io/norm_workbook_files.h"
#include "workbook/norm_workbook.h"
#include "workbook/writer_module.h"

VERDIN_WRITER_FORMAT(norms)

VERDIN_MODULE_ENTRY bool verdin_write_norms(const std::vector<verdin::GridSheet>& sheets,
                                             const std::filesystem::path& file, std::string& message) noexcept {
  return verdin::WriteReportingFailure(file, [&] { verdin::WriteNormXlsx(sheets, file); }, message);
}

VERDIN_MODULE_ENTRY bool verdin_read_norms(const std::filesystem::path& file, std::vector<verdin::GridSheet>& sheets,
                                            std::string& message) noexcept {
  return verdin::WriteReportingFailure(file, [&] { sheets = verdin::ReadNormWorkbookFile(file); }, message);
}
