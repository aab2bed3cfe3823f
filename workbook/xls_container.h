// The OLE2 compound file around the BIFF8 "Workbook" stream of an .xls
// file. It has two builds that give the same bytes: with libgsf
// (xls_container_gsf.cpp, on Linux) and with the compound-file writer of
// this program (xls_container_compound.cpp, on Windows, where libgsf would
// bring glib and libxml2 along).
#pragma once

#include <stdexcept>
#include <string>
#include <string_view>

namespace verdin {

// The container could not be built; the text is the Russian reason.
class ContainerFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The whole .xls file holding `workbookStream` as its "Workbook" stream.
std::string WorkbookContainer(std::string_view workbookStream);

}  // namespace verdin
