#include "workbook/compound_file.h"

#include <cstdint>

namespace verdin {
namespace {

constexpr std::size_t kBlockSize = 512;
constexpr std::size_t kMiniBlockSize = 64;
constexpr std::size_t kMiniStreamCutoff = 4096;  // smaller streams live in the mini stream
constexpr std::size_t kDirectoryEntrySize = 128;
constexpr std::size_t kEntriesPerTableBlock = kBlockSize / 4;
constexpr std::size_t kHeaderTableSlots = 109;  // allocation blocks the header can list

constexpr std::uint32_t kFreeBlock = 0xFFFFFFFF;
constexpr std::uint32_t kEndOfChain = 0xFFFFFFFE;
constexpr std::uint32_t kTableBlock = 0xFFFFFFFD;
constexpr std::uint32_t kNoEntry = 0xFFFFFFFF;

constexpr std::size_t BlocksFor(std::size_t bytes, std::size_t blockSize) {
  return (bytes + blockSize - 1) / blockSize;
}

// Bytes put at fixed places of a buffer, little-endian.
class Buffer {
 public:
  explicit Buffer(std::size_t size, char fill = '\0') : bytes_(size, fill) {}

  void U8(std::size_t at, unsigned value) { bytes_[at] = static_cast<char>(value & 0xFF); }
  void U16(std::size_t at, unsigned value) {
    U8(at, value);
    U8(at + 1, value >> 8);
  }
  void U32(std::size_t at, std::uint32_t value) {
    U16(at, value & 0xFFFF);
    U16(at + 2, value >> 16);
  }
  void Copy(std::size_t at, std::string_view bytes) { bytes_.replace(at, bytes.size(), bytes); }
  std::string Take() { return std::move(bytes_); }

 private:
  std::string bytes_;
};

// A chain of `count` blocks starting at `first`, in an allocation table of
// 32-bit entries.
void PutChain(Buffer& table, std::size_t first, std::size_t count) {
  for (std::size_t i = 0; i < count; ++i) {
    const std::size_t block = first + i;
    table.U32(block * 4, i + 1 < count ? static_cast<std::uint32_t>(block + 1) : kEndOfChain);
  }
}

struct DirectoryEntry {
  std::string_view name;
  unsigned type;  // 5 root, 2 stream
  std::uint32_t child;
  std::uint32_t start;
  std::uint64_t size;
};

void PutEntry(Buffer& directory, std::size_t index, const DirectoryEntry& entry) {
  const std::size_t at = index * kDirectoryEntrySize;
  for (std::size_t i = 0; i < entry.name.size(); ++i) {
    directory.U16(at + 2 * i, static_cast<unsigned char>(entry.name[i]));
  }
  directory.U16(at + 64, static_cast<unsigned>((entry.name.size() + 1) * 2));
  directory.U8(at + 66, entry.type);
  directory.U8(at + 67, 1);  // black, in the red-black tree of names
  directory.U32(at + 68, kNoEntry);
  directory.U32(at + 72, kNoEntry);
  directory.U32(at + 76, entry.child);
  directory.U32(at + 116, entry.start);
  directory.U32(at + 120, static_cast<std::uint32_t>(entry.size & 0xFFFFFFFF));
  directory.U32(at + 124, static_cast<std::uint32_t>(entry.size >> 32));
}

// Where everything goes, in blocks after the header.
struct Layout {
  bool mini = false;            // the stream lives in the mini stream
  std::size_t dataBlocks = 0;   // the stream's blocks, or the mini stream's
  std::size_t miniBlocks = 0;   // the stream's mini blocks
  std::size_t miniTableBlocks = 0;
  std::size_t directoryBlock = 0;
  std::size_t tableBlocks = 0;  // the allocation table's own blocks
  std::size_t TableStart() const { return directoryBlock + 1; }
  std::size_t TotalBlocks() const { return TableStart() + tableBlocks; }
};

Layout LayoutFor(std::size_t streamSize) {
  Layout layout;
  layout.mini = streamSize < kMiniStreamCutoff;
  if (layout.mini) {
    layout.miniBlocks = BlocksFor(streamSize, kMiniBlockSize);
    layout.dataBlocks = BlocksFor(layout.miniBlocks * kMiniBlockSize, kBlockSize);
    layout.miniTableBlocks = BlocksFor(layout.miniBlocks * 4, kBlockSize);
  } else {
    layout.dataBlocks = BlocksFor(streamSize, kBlockSize);
  }
  layout.directoryBlock = layout.dataBlocks + layout.miniTableBlocks;
  // The table lists every block, its own included.
  while (layout.tableBlocks * kEntriesPerTableBlock < layout.TableStart() + layout.tableBlocks) {
    ++layout.tableBlocks;
  }
  if (layout.tableBlocks > kHeaderTableSlots) throw CompoundFileTooLarge("поток слишком велик для файла книги");
  return layout;
}

std::string Header(const Layout& layout) {
  Buffer header(kBlockSize, '\xFF');
  header.Copy(0, std::string_view("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1", 8));
  header.Copy(8, std::string(16, '\0'));  // class id
  header.U16(24, 0x003E);                 // minor version
  header.U16(26, 0x0003);                 // major version: 512-byte blocks
  header.U16(28, 0xFFFE);                 // little-endian
  header.U16(30, 9);                      // block size 2^9
  header.U16(32, 6);                      // mini block size 2^6
  header.Copy(34, std::string(10, '\0'));  // reserved; directory blocks (0 for this version)
  header.U32(44, static_cast<std::uint32_t>(layout.tableBlocks));
  header.U32(48, static_cast<std::uint32_t>(layout.directoryBlock));
  header.U32(52, 0);  // transaction
  header.U32(56, kMiniStreamCutoff);
  header.U32(60, layout.mini ? static_cast<std::uint32_t>(layout.dataBlocks) : kEndOfChain);
  header.U32(64, static_cast<std::uint32_t>(layout.miniTableBlocks));
  header.U32(68, kEndOfChain);  // no extra table list
  header.U32(72, 0);
  for (std::size_t i = 0; i < layout.tableBlocks; ++i) {
    header.U32(76 + 4 * i, static_cast<std::uint32_t>(layout.TableStart() + i));
  }
  return header.Take();
}

std::string MiniTable(const Layout& layout) {
  Buffer table(layout.miniTableBlocks * kBlockSize, '\xFF');
  PutChain(table, 0, layout.miniBlocks);
  return table.Take();
}

std::string Directory(const Layout& layout, std::string_view streamName, std::size_t streamSize) {
  Buffer directory(kBlockSize);
  const std::uint32_t miniStreamStart = layout.mini ? 0 : kEndOfChain;
  const std::uint64_t miniStreamSize = layout.mini ? layout.miniBlocks * kMiniBlockSize : 0;
  PutEntry(directory, 0, {"Root Entry", 5, 1, miniStreamStart, miniStreamSize});
  PutEntry(directory, 1, {streamName, 2, kNoEntry, 0, streamSize});
  return directory.Take();
}

std::string AllocationTable(const Layout& layout) {
  Buffer table(layout.tableBlocks * kBlockSize, '\xFF');
  PutChain(table, 0, layout.dataBlocks);
  PutChain(table, layout.dataBlocks, layout.miniTableBlocks);
  PutChain(table, layout.directoryBlock, 1);
  for (std::size_t i = 0; i < layout.tableBlocks; ++i) table.U32((layout.TableStart() + i) * 4, kTableBlock);
  return table.Take();
}

}  // namespace

std::size_t CompoundFileStreamLimit() {
  // The table's blocks list themselves, the directory and the stream.
  return (kHeaderTableSlots * kEntriesPerTableBlock - kHeaderTableSlots - 1) * kBlockSize;
}

std::string CompoundFileWithOneStream(std::string_view streamName, std::string_view stream) {
  if (streamName.empty() || streamName.size() > 31) throw std::invalid_argument("имя потока длиннее 31 знака");
  const Layout layout = LayoutFor(stream.size());
  std::string file = Header(layout);
  file.reserve((layout.TotalBlocks() + 1) * kBlockSize);
  file.append(stream);
  file.append(layout.dataBlocks * kBlockSize - stream.size(), '\0');
  if (layout.mini) file.append(MiniTable(layout));
  file.append(Directory(layout, streamName, stream.size()));
  file.append(AllocationTable(layout));
  return file;
}

}  // namespace verdin
