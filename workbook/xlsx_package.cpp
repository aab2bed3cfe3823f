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

std::optional<std::string> Unpacked(std::string_view packed, const Part& part) {
  if (part.size > kLargestPart) return std::nullopt;
  if (part.method == 0) return std::string(packed);
  if (part.method != Z_DEFLATED) return std::nullopt;
  std::string out(part.size, '\0');
  z_stream stream{};
  if (inflateInit2(&stream, -MAX_WBITS) != Z_OK) return std::nullopt;
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(packed.data()));
  stream.avail_in = static_cast<uInt>(packed.size());
  stream.next_out = reinterpret_cast<Bytef*>(out.data());
  stream.avail_out = static_cast<uInt>(out.size());
  const int result = inflate(&stream, Z_FINISH);
  const bool whole = result == Z_STREAM_END && stream.total_out == part.size;
  inflateEnd(&stream);
  if (!whole) return std::nullopt;
  return out;
}

bool IsSpace(char c) { return c == ' ' || c == '\n' || c == '\r' || c == '\t'; }

// Whether an XML document ends with the end of its root element.
bool XmlEndsWhole(std::string_view xml) {
  std::size_t at = 0;
  // The declaration, comments and processing instructions before the root.
  for (;;) {
    at = xml.find('<', at);
    if (at == std::string_view::npos || at + 1 >= xml.size()) return false;
    if (xml[at + 1] != '?' && xml[at + 1] != '!') break;
    ++at;
  }
  std::size_t nameEnd = at + 1;
  while (nameEnd < xml.size() && !IsSpace(xml[nameEnd]) && xml[nameEnd] != '>' && xml[nameEnd] != '/') ++nameEnd;
  const std::string_view root = xml.substr(at + 1, nameEnd - at - 1);
  while (!xml.empty() && IsSpace(xml.back())) xml.remove_suffix(1);
  if (root.empty()) return false;
  const std::string closing = "</" + std::string(root) + ">";
  if (xml.ends_with(closing)) return true;
  // A root with nothing in it: "<root …/>" as the last thing.
  const std::size_t close = xml.find('>', nameEnd);
  return close != std::string_view::npos && close + 1 == xml.size() && xml[close - 1] == '/';
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
    const std::optional<std::string> bytes = Unpacked(*packed, part);
    if (!bytes) return where + "не распаковывается";
    const auto checksum = crc32(0L, reinterpret_cast<const Bytef*>(bytes->data()), static_cast<uInt>(bytes->size()));
    if (checksum != part.checksum) return where + "не совпадает с контрольной суммой";
    if (bytes->empty()) return where + "пуста";
    if (IsXmlPart(part.name) && !XmlEndsWhole(*bytes)) return where + "обрезана";
  }
  return std::nullopt;
}

}  // namespace verdin
