// A finished .xlsx package, read back before it takes the place of the
// user's file. The .xlsx library builds every part of the package in a
// scratch file and copies it into the package without checking that the
// scratch file was written whole: on a full disk the parts come out empty
// or cut short while the library reports success. Every part is inflated
// here, its size and checksum compared with the package's directory, and
// every XML part must end with the closing tag of its root element.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verdin {

// Why the package is not whole ("часть «xl/worksheets/sheet1.xml» обрезана"),
// or nothing when it is.
std::optional<std::string> XlsxPackageFault(std::string_view package);

}  // namespace verdin
