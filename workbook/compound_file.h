// A compound file (the OLE2 container of Excel 97–2003 workbooks) holding
// one stream, written without a library. It lays the blocks out exactly as
// libgsf does for a single stream, so a workbook written with either is
// the same file byte for byte:
//   header, the stream's blocks (or, below 4096 bytes, the mini stream's
//   blocks and its allocation table), the directory (root and stream),
//   then the allocation table, which counts its own blocks.
#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>

namespace verdin {

// A stream too large for a single-table compound file (about 6.8 MB: more
// than the 109 allocation blocks the header lists).
class CompoundFileTooLarge : public std::length_error {
 public:
  using std::length_error::length_error;
};

// The largest stream CompoundFileWithOneStream takes.
std::size_t CompoundFileStreamLimit();

// The whole compound file: the stream under `streamName` (ASCII, at most
// 31 characters), beside the root entry.
std::string CompoundFileWithOneStream(std::string_view streamName, std::string_view stream);

}  // namespace verdin
