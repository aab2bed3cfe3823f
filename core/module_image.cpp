#include "core/module_image.h"

#include <cstdint>

namespace verdin {

namespace {

// Reads little-endian numbers, refusing any that lie beyond the bytes.
class Reader {
 public:
  explicit Reader(std::string_view bytes) : bytes_(bytes) {}

  bool Fits(std::uint64_t offset, std::uint64_t length) const {
    return offset <= bytes_.size() && length <= bytes_.size() - offset;
  }

  std::uint64_t At(std::uint64_t offset, unsigned width) const {
    if (!Fits(offset, width)) return 0;
    std::uint64_t value = 0;
    for (unsigned i = width; i-- > 0;) value = (value << 8) | static_cast<unsigned char>(bytes_[offset + i]);
    return value;
  }

  std::uint64_t size() const { return bytes_.size(); }

 private:
  std::string_view bytes_;
};

std::string Cut(const std::string& what, std::uint64_t end, std::uint64_t size) {
  return "файл обрезан: " + what + " кончается на байте " + std::to_string(end) + ", а в файле " +
         std::to_string(size) + " байт";
}

// A table of `count` records of `width` bytes at `offset`, and the part
// each record places in the file.
template <typename PartOf>
std::optional<std::string> CheckTable(const Reader& file, const std::string& name, std::uint64_t offset,
                                      std::uint64_t count, std::uint64_t width, PartOf partOf) {
  if (!file.Fits(offset, count * width)) return Cut(name, offset + count * width, file.size());
  for (std::uint64_t i = 0; i < count; ++i) {
    const auto [start, length] = partOf(offset + i * width);
    if (!file.Fits(start, length)) return Cut(name + " (часть " + std::to_string(i) + ")", start + length, file.size());
  }
  return std::nullopt;
}

struct Extent {
  std::uint64_t start = 0;
  std::uint64_t length = 0;
};

std::optional<std::string> ElfFault(const Reader& file) {
  const bool wide = file.At(4, 1) == 2;  // ELFCLASS64
  if (file.At(5, 1) != 1) return std::nullopt;  // not little-endian: not ours to judge
  const unsigned word = wide ? 8 : 4;
  const std::uint64_t headerSize = wide ? 64 : 52;
  if (!file.Fits(0, headerSize)) return Cut("заголовок", headerSize, file.size());
  const std::uint64_t programOffset = file.At(wide ? 32 : 28, word);
  const std::uint64_t sectionOffset = file.At(wide ? 40 : 32, word);
  const std::uint64_t programWidth = file.At(wide ? 54 : 42, 2);
  const std::uint64_t programCount = file.At(wide ? 56 : 44, 2);
  const std::uint64_t sectionWidth = file.At(wide ? 58 : 46, 2);
  const std::uint64_t sectionCount = file.At(wide ? 60 : 48, 2);
  if (auto fault = CheckTable(file, "таблица сегментов", programOffset, programCount, programWidth,
                              [&](std::uint64_t at) {
                                return Extent{file.At(at + (wide ? 8 : 4), word), file.At(at + (wide ? 32 : 16), word)};
                              })) {
    return fault;
  }
  constexpr std::uint64_t kNoBits = 8;  // a section that takes no room in the file
  return CheckTable(file, "таблица разделов", sectionOffset, sectionCount, sectionWidth, [&](std::uint64_t at) {
    if (file.At(at + 4, 4) == kNoBits) return Extent{};
    return Extent{file.At(at + (wide ? 24 : 16), word), file.At(at + (wide ? 32 : 20), word)};
  });
}

std::optional<std::string> PeFault(const Reader& file) {
  // The DOS header ends with the offset of the PE header.
  if (!file.Fits(0x3C, 4)) return Cut("заголовок DOS", 0x40, file.size());
  const std::uint64_t pe = file.At(0x3C, 4);
  if (!file.Fits(pe, 24)) return Cut("заголовок", pe + 24, file.size());
  if (file.At(pe, 4) != 0x00004550) return std::nullopt;  // "PE\0\0"
  // An unstripped module ends with its COFF symbol table and the string
  // table after it, whose first four bytes give its size.
  if (const std::uint64_t symbols = file.At(pe + 12, 4); symbols != 0) {
    const std::uint64_t strings = symbols + file.At(pe + 16, 4) * 18;
    if (!file.Fits(strings, 4)) return Cut("таблица символов", strings + 4, file.size());
    const std::uint64_t stringsSize = file.At(strings, 4);
    if (!file.Fits(strings, stringsSize)) return Cut("таблица строк", strings + stringsSize, file.size());
  }
  const std::uint64_t sections = file.At(pe + 6, 2);
  const std::uint64_t optionalSize = file.At(pe + 20, 2);
  constexpr std::uint64_t kSectionWidth = 40;
  return CheckTable(file, "таблица разделов", pe + 24 + optionalSize, sections, kSectionWidth,
                    [&](std::uint64_t at) { return Extent{file.At(at + 20, 4), file.At(at + 16, 4)}; });
}

}  // namespace

std::optional<std::string> ModuleImageFault(std::string_view image) {
  const Reader file(image);
  if (image.starts_with("\x7f" "ELF")) return ElfFault(file);
  if (image.starts_with("MZ")) return PeFault(file);
  if (image.empty()) return "файл пуст";
  return std::nullopt;
}

}  // namespace verdin
