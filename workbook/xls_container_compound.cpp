#include "workbook/compound_file.h"
#include "workbook/xls_container.h"

namespace verdin {

std::string WorkbookContainer(std::string_view workbookStream) {
  try {
    return CompoundFileWithOneStream("Workbook", workbookStream);
  } catch (const CompoundFileTooLarge&) {
    throw ContainerFailure("книга слишком велика для формата Excel 97–2003");
  }
}

}  // namespace verdin
