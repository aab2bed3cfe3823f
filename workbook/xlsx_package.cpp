#include "workbook/xlsx_package.h"

#include <zlib.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace verdin {

namespace {

constexpr std::uint32_t kEndOfDirectory = 0x06054b50;
constexpr std::uint32_t kDirectoryEntry = 0x02014b50;
constexpr std::uint32_t kLocalHeader = 0x04034b50;
constexpr std::size_t kEndRecordSize = 22;
constexpr std::size_t kDirectoryEntrySize = 46;
constexpr std::size_t kLocalHeaderSize = 30;
// No part of an estimate's workbook comes near this; a bigger claim is a
// damaged directory, not a part to inflate.
constexpr std::uint32_t kLargestPart = 256U << 20;

// Little-endian numbers at an offset the caller has checked.
std::uint32_t Number(std::string_view bytes, std::size_t at, std::size_t width) {
  std::uint32_t value = 0;
  for (std::size_t i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes[at + i]);
  return value;
}

// One part as the package's directory describes it.
struct Part {
  std::string name;
  std::uint32_t method = 0;
  std::uint32_t checksum = 0;
  std::uint32_t packedSize = 0;
  std::uint32_t size = 0;
  std::uint32_t headerOffset = 0;
};

std::optional<std::string> ReadDirectory(std::string_view package, std::vector<Part>& parts) {
  if (package.size() < kEndRecordSize) return "файл пуст или обрезан";
  const std::size_t end = package.size() - kEndRecordSize;
  if (Number(package, end, 4) != kEndOfDirectory) return "нет оглавления упаковки (файл обрезан)";
  const std::uint32_t count = Number(package, end + 10, 2);
  std::size_t at = Number(package, end + 16, 4);
  for (std::uint32_t i = 0; i < count; ++i) {
    if (at > end || end - at < kDirectoryEntrySize || Number(package, at, 4) != kDirectoryEntry) {
      return "оглавление упаковки повреждено";
    }
    Part part;
    part.method = Number(package, at + 10, 2);
    part.checksum = Number(package, at + 16, 4);
    part.packedSize = Number(package, at + 20, 4);
    part.size = Number(package, at + 24, 4);
    const std::size_t nameLength = Number(package, at + 28, 2);
    const std::size_t skipped = nameLength + Number(package, at + 30, 2) + Number(package, at + 32, 2);
    part.headerOffset = Number(package, at + 42, 4);
    if (end - at - kDirectoryEntrySize < skipped) return "оглавление упаковки повреждено";
    part.name = std::string(package.substr(at + kDirectoryEntrySize, nameLength));
    parts.push_back(std::move(part));
    at += kDirectoryEntrySize + skipped;
  }
  if (parts.empty()) return "в упаковке нет ни одной части";
  return std::nullopt;
}

// The packed bytes of a part, or nothing when its header lies outside.
std::optional<std::string_view> PackedBytes(std::string_view package, const Part& part) {
  const std::size_t at = part.headerOffset;
  if (at > package.size() || package.size() - at < kLocalHeaderSize || Number(package, at, 4) != kLocalHeader) {
    return std::nullopt;
  }
  const std::size_t start = at + kLocalHeaderSize + Number(package, at + 26, 2) + Number(package, at + 28, 2);
  if (start > package.size() || package.size() - start < part.packedSize) return std::nullopt;
  return package.substr(start, part.packedSize);
}

// What inflating a part gave: its checksum and size, and its first and
// last bytes, which are all the XML check needs. The part is inflated in
// pieces, so a part of tens of megabytes never sits in memory whole.
struct UnpackedPart {
  std::uint32_t checksum = 0;
  std::uint64_t size = 0;
  std::string head;  // the first kKeptBytes
  std::string tail;  // the last kKeptBytes (all of a short part)
};

constexpr std::size_t kKeptBytes = 4096;
constexpr std::size_t kPieceBytes = 256 * 1024;

void Keep(UnpackedPart& unpacked, std::string_view piece) {
  if (unpacked.head.size() < kKeptBytes) {
    unpacked.head.append(piece.substr(0, kKeptBytes - unpacked.head.size()));
  }
  if (piece.size() >= kKeptBytes) {
    unpacked.tail.assign(piece.substr(piece.size() - kKeptBytes));
  } else {
    unpacked.tail.append(piece);
    if (unpacked.tail.size() > kKeptBytes) unpacked.tail.erase(0, unpacked.tail.size() - kKeptBytes);
  }
}

// Inflates a part piece by piece; nothing when it does not inflate to
// exactly the size the directory gives.
std::optional<UnpackedPart> Unpacked(std::string_view packed, const Part& part) {
  if (part.size > kLargestPart) return std::nullopt;
  UnpackedPart unpacked;
  const auto take = [&unpacked](std::string_view piece) {
    unpacked.checksum = static_cast<std::uint32_t>(
        crc32(unpacked.checksum, reinterpret_cast<const Bytef*>(piece.data()), static_cast<uInt>(piece.size())));
    unpacked.size += piece.size();
    Keep(unpacked, piece);
  };
  if (part.method == 0) {
    for (std::size_t at = 0; at < packed.size(); at += kPieceBytes) take(packed.substr(at, kPieceBytes));
    if (unpacked.size != part.size) return std::nullopt;
    return unpacked;
  }
  if (part.method != Z_DEFLATED) return std::nullopt;
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  std::vector<char> piece(kPieceBytes);
  int result = Z_OK;
  while (result == Z_OK && unpacked.size <= part.size) {
    stream.next_out = reinterpret_cast<Bytef*>(piece.data());
    stream.avail_out = static_cast<uInt>(piece.size());
    result = inflate(&stream, Z_NO_FLUSH);
    take(std::string_view(piece.data(), piece.size() - stream.avail_out));
  }
  inflateEnd(&stream);
  if (result != Z_STREAM_END || unpacked.size != part.size) return std::nullopt;
  return unpacked;
}

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Whether an XML document ends with the end of its root element, told from
// its first and last bytes (the same text when the document is short).
bool XmlEndsWhole(std::string_view head, std::string_view tail, bool whole) {
  std::size_t at = 0;
  // The declaration, comments and processing instructions before the root.
  for (;;) {
    at = head.find('<', at);
    if (at == std::string_view::npos || at + 1 >= head.size()) return false;
    if (head[at + 1] != '?' && head[at + 1] != '!') break;
    ++at;
  }
  std::size_t nameEnd = at + 1;
  while (nameEnd < head.size() && !IsSpace(head[nameEnd]) && head[nameEnd] != '>' && head[nameEnd] != '/') ++nameEnd;
  const std::string_view root = head.substr(at + 1, nameEnd - at - 1);
  while (!tail.empty() && IsSpace(tail.back())) tail.remove_suffix(1);
  if (root.empty()) return false;
  const std::string closing = "</" + std::string(root) + ">";
  if (tail.ends_with(closing)) return true;
  // A root with nothing in it: "<root …/>" as the last thing.
  if (!whole) return false;
  const std::size_t close = tail.find('>', nameEnd);
  return close != std::string_view::npos && close + 1 == tail.size() && tail[close - 1] == '/';
}

bool IsXmlPart(std::string_view name) { return name.ends_with(".xml") || name.ends_with(".rels"); }

}  // namespace

std::optional<std::string> XlsxPackageFault(std::string_view package) {
  std::vector<Part> parts;
  if (auto fault = ReadDirectory(package, parts)) return fault;
  for (const Part& part : parts) {
    const std::string where = "часть «" + part.name + "» ";
    const std::optional<std::string_view> packed = PackedBytes(package, part);
    if (!packed) return where + "за пределами файла";
    const std::optional<UnpackedPart> unpacked = Unpacked(*packed, part);
    if (!unpacked) return where + "не распаковывается";
    if (unpacked->checksum != part.checksum) return where + "не совпадает с контрольной суммой";
    if (unpacked->size == 0) return where + "пуста";
    const bool whole = unpacked->size <= kKeptBytes;
    if (IsXmlPart(part.name) && !XmlEndsWhole(unpacked->head, unpacked->tail, whole)) return where + "обрезана";
  }
  return std::nullopt;
}

}  // namespace verdin
