// The compound-file writer of the Windows build against libgsf, which
// writes the .xls container on Linux: for every stream size the two files
// must be the same byte for byte, so an estimate saved on either system is
// the same file.
#include "workbook/compound_file.h"

#include <gtest/gtest.h>

#include <cstddef>
#include <string>

#include "workbook/xls_container.h"

namespace verdin {
namespace {

std::string PatternOfSize(std::size_t size) {
  std::string bytes(size, '\0');
  for (std::size_t i = 0; i < size; ++i) bytes[i] = static_cast<char>((i * 7 + 1) & 0xFF);
  return bytes;
}

TEST(CompoundFile, EqualsTheLibraryContainerForEveryKindOfSize) {
  // Mini stream (below 4096 bytes) and its edges, whole and partial
  // blocks, and the sizes where the allocation table needs one more block.
  for (const std::size_t size : {1u, 63u, 64u, 65u, 100u, 4095u, 4096u, 4097u, 5000u, 64511u, 64512u, 64513u,
                                 65024u, 65025u, 129535u, 129536u, 2000000u}) {
    const std::string stream = PatternOfSize(size);
    EXPECT_EQ(CompoundFileWithOneStream("Workbook", stream), WorkbookContainer(stream)) << "size " << size;
  }
}

TEST(CompoundFile, RefusesAStreamBeyondOneTableList) {
  EXPECT_NO_THROW(CompoundFileWithOneStream("Workbook", std::string(CompoundFileStreamLimit(), 'x')));
  EXPECT_THROW(CompoundFileWithOneStream("Workbook", std::string(CompoundFileStreamLimit() + 1, 'x')),
               CompoundFileTooLarge);
}

}  // namespace
}  // namespace verdin
