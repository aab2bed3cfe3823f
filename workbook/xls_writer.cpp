// The sheet as an Excel 97–2003 workbook: a BIFF8 "Workbook" stream inside
// an OLE2 compound file (workbook/xls_container.h).
//
// The stream is built in memory in two parts. The worksheet substream comes
// first, since building it gathers the shared strings and the cell formats
// the globals must list; the globals follow and the BOUNDSHEET record gets
// the stream offset of the worksheet's BOF once the globals' size is known.
// All numbers go out byte by byte in little-endian order.
#include "workbook/xls_writer.h"

#include "core/index.h"
#include "core/line_file.h"
#include "workbook/save_workbook.h"
#include "workbook/xls_container.h"


#include <algorithm>
#include <array>
#include <bit>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <new>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <vector>

namespace verdin {

namespace {

// ---------------------------------------------------------------------------
// Limits and numbers of the format.

constexpr std::size_t kMaxRecordData = 8224;   // data bytes of one record
constexpr std::size_t kMaxCellText = 32767;    // characters of one cell text
constexpr std::size_t kMaxFontName = 31;       // characters of a font name
constexpr std::size_t kMergesPerRecord = 1026;
constexpr std::size_t kMinStreamSize = 4096;
constexpr int kColumnCount = 256;              // columns of a sheet
constexpr int kDefaultFontCount = 4;           // fonts 0..3; index 4 is never used
constexpr int kStyleXfCount = 15;
constexpr std::uint16_t kDefaultCellXf = 15;
constexpr int kMaxXfCount = 4000;              // what Excel 97–2003 accepts
constexpr std::uint16_t kAutomaticColour = 64;
constexpr std::uint16_t kAutomaticBackground = 65;
constexpr std::uint16_t kDefaultFontTwips = 200;
constexpr std::uint8_t kCyrillicCharset = 204;
constexpr const char* kDefaultFontName = "Arial";
constexpr const char* kSheetName = "Смета";

namespace record {
constexpr std::uint16_t kBof = 0x0809;
constexpr std::uint16_t kEof = 0x000A;
constexpr std::uint16_t kCodepage = 0x0042;
constexpr std::uint16_t kWindow1 = 0x003D;
constexpr std::uint16_t kFont = 0x0031;
constexpr std::uint16_t kXf = 0x00E0;
constexpr std::uint16_t kStyle = 0x0293;
constexpr std::uint16_t kBoundSheet = 0x0085;
constexpr std::uint16_t kSst = 0x00FC;
constexpr std::uint16_t kExtSst = 0x00FF;
constexpr std::uint16_t kContinue = 0x003C;
constexpr std::uint16_t kLeftMargin = 0x0026;
constexpr std::uint16_t kRightMargin = 0x0027;
constexpr std::uint16_t kTopMargin = 0x0028;
constexpr std::uint16_t kBottomMargin = 0x0029;
constexpr std::uint16_t kDefColWidth = 0x0055;
constexpr std::uint16_t kColInfo = 0x007D;
constexpr std::uint16_t kDimensions = 0x0200;
constexpr std::uint16_t kRow = 0x0208;
constexpr std::uint16_t kLabelSst = 0x00FD;
constexpr std::uint16_t kNumber = 0x0203;
constexpr std::uint16_t kBlank = 0x0201;
constexpr std::uint16_t kMulBlank = 0x00BE;
constexpr std::uint16_t kBoolErr = 0x0205;
constexpr std::uint16_t kWindow2 = 0x023E;
constexpr std::uint16_t kMergedCells = 0x00E5;
}  // namespace record

// A failure with its reason in Russian; WriteXls adds the file name.
class WriteFailure : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// ---------------------------------------------------------------------------
// Bytes and records.

class Bytes {
 public:
  Bytes& U8(unsigned value) {
    data_.push_back(static_cast<std::uint8_t>(value & 0xFF));
    return *this;
  }
  Bytes& U16(unsigned value) { return U8(value).U8(value >> 8); }
  Bytes& U32(std::uint32_t value) { return U16(value & 0xFFFF).U16(value >> 16); }
  Bytes& F64(double value) {
    const auto bits = std::bit_cast<std::uint64_t>(value);
    return U32(static_cast<std::uint32_t>(bits)).U32(static_cast<std::uint32_t>(bits >> 32));
  }
  Bytes& Append(const Bytes& other) {
    data_.insert(data_.end(), other.data_.begin(), other.data_.end());
    return *this;
  }
  void PatchU32(std::size_t at, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) data_[at + static_cast<std::size_t>(i)] = static_cast<std::uint8_t>(value >> (8 * i));
  }
  void Clear() { data_.clear(); }
  void Reserve(std::size_t size) { data_.reserve(size); }
  std::size_t size() const { return data_.size(); }
  const std::uint8_t* data() const { return data_.data(); }
  std::string_view View() const { return {reinterpret_cast<const char*>(data_.data()), data_.size()}; }

 private:
  std::vector<std::uint8_t> data_;
};

// Appends one record: type, data length, data.
void AddRecord(Bytes& stream, std::uint16_t type, const Bytes& body) {
  if (body.size() > kMaxRecordData) throw std::logic_error("BIFF record too long");
  stream.U16(type).U16(static_cast<unsigned>(body.size())).Append(body);
}

// A record whose data may run past the size limit: the excess goes into
// CONTINUE records that follow it.
class ContinuedRecord {
 public:
  ContinuedRecord(Bytes& stream, std::uint16_t type) : stream_(stream), type_(type) {}
  ContinuedRecord(const ContinuedRecord&) = delete;
  ContinuedRecord& operator=(const ContinuedRecord&) = delete;

  Bytes& Data() { return piece_; }
  std::size_t Room() const { return kMaxRecordData - piece_.size(); }
  // Ends the current record; what follows goes into a CONTINUE record.
  void Break() {
    AddRecord(stream_, type_, piece_);
    piece_ = Bytes();
    type_ = record::kContinue;
  }
  void Finish() { AddRecord(stream_, type_, piece_); }
  // Where the next byte lands: in the stream, and in its record counting
  // the 4-byte record header.
  std::size_t StreamPosition() const { return stream_.size() + 4 + piece_.size(); }
  std::size_t RecordOffset() const { return 4 + piece_.size(); }

 private:
  Bytes& stream_;
  std::uint16_t type_;
  Bytes piece_;
};

// ---------------------------------------------------------------------------
// Text.

constexpr char16_t kReplacement = 0xFFFD;

// UTF-8 to UTF-16 into units, which it replaces; a malformed sequence
// becomes U+FFFD.
void Utf16Into(std::string_view text, std::u16string& units) {
  units.clear();
  units.reserve(text.size());
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    if (lead < 0x80) {
      units.push_back(lead);
      ++i;
      continue;
    }
    int length = 0;
    char32_t code = 0;
    if (lead >= 0xC2 && lead <= 0xDF) {
      length = 2, code = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      length = 3, code = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      length = 4, code = lead & 0x07;
    }
    bool valid = length > 0 && i + static_cast<std::size_t>(length) <= text.size();
    for (int k = 1; valid && k < length; ++k) {
      const auto next = static_cast<unsigned char>(text[i + static_cast<std::size_t>(k)]);
      valid = (next & 0xC0) == 0x80;
      code = (code << 6) | (next & 0x3F);
    }
    const char32_t least[] = {0, 0, 0x80, 0x800, 0x10000};
    valid = valid && code >= least[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
    if (!valid) {
      units.push_back(kReplacement);
      ++i;
      continue;
    }
    if (code >= 0x10000) {
      units.push_back(static_cast<char16_t>(0xD800 + ((code - 0x10000) >> 10)));
      units.push_back(static_cast<char16_t>(0xDC00 + ((code - 0x10000) & 0x3FF)));
    } else {
      units.push_back(static_cast<char16_t>(code));
    }
    i += static_cast<std::size_t>(length);
  }
}

std::u16string Utf16(std::string_view text) {
  std::u16string units;
  Utf16Into(text, units);
  return units;
}

// Cuts a text to at most limit UTF-16 units without splitting a surrogate pair.
void CutTo(std::u16string& units, std::size_t limit) {
  if (units.size() <= limit) return;
  std::size_t keep = limit;
  if (keep > 0 && units[keep - 1] >= 0xD800 && units[keep - 1] <= 0xDBFF) --keep;
  units.resize(keep);
}

// A text is stored one byte a character when all its characters are below
// U+0100, else in UTF-16LE.
bool NeedsWide(const std::u16string& units) {
  return std::any_of(units.begin(), units.end(), [](char16_t unit) { return unit >= 0x100; });
}

void AppendUnits(Bytes& out, const std::u16string& units, std::size_t from, std::size_t count, bool wide) {
  for (std::size_t i = from; i < from + count; ++i) wide ? out.U16(units[i]) : out.U8(units[i]);
}

// A string with a one-byte character count (sheet and font names).
void AppendShortString(Bytes& out, const std::u16string& units) {
  const bool wide = NeedsWide(units);
  out.U8(static_cast<unsigned>(units.size())).U8(wide ? 1 : 0);
  AppendUnits(out, units, 0, units.size(), wide);
}

// ---------------------------------------------------------------------------
// Shared strings.

class SharedStrings {
 public:
  // The index of a text in the table; counts one more reference to it.
  // A text met before is found by its UTF-8 bytes without converting it
  // again; the texts are the sheet's own, which outlives the table.
  std::uint32_t Add(std::string_view text) {
    ++references_;
    if (const auto known = byText_.find(text); known != byText_.end()) return known->second;
    Utf16Into(text, units_);
    CutTo(units_, kMaxCellText);
    auto found = index_.find(units_);
    if (found == index_.end()) {
      found = index_.emplace(units_, static_cast<std::uint32_t>(strings_.size())).first;
      strings_.push_back(&found->first);
    }
    byText_.emplace(text, found->second);
    return found->second;
  }

  // SST with its CONTINUE records, then EXTSST.
  void Write(Bytes& stream) const {
    const std::size_t perBucket = std::max<std::size_t>(8, (strings_.size() + 127) / 128);
    std::vector<std::pair<std::size_t, std::size_t>> buckets;  // stream position, offset in record
    ContinuedRecord sst(stream, record::kSst);
    sst.Data().U32(references_).U32(static_cast<std::uint32_t>(strings_.size()));
    for (std::size_t i = 0; i < strings_.size(); ++i) {
      const std::u16string& units = *strings_[i];
      const bool wide = NeedsWide(units);
      // The count and flags stay with at least the first character.
      const std::size_t head = 3 + (units.empty() ? 0 : (wide ? 2 : 1));
      if (sst.Room() < head) sst.Break();
      if (i % perBucket == 0) buckets.emplace_back(sst.StreamPosition(), sst.RecordOffset());
      sst.Data().U16(static_cast<unsigned>(units.size())).U8(wide ? 1 : 0);
      WriteCharacters(sst, units, wide);
    }
    sst.Finish();

    Bytes ext;
    ext.U16(static_cast<unsigned>(perBucket));
    for (const auto& [position, offset] : buckets) {
      ext.U32(static_cast<std::uint32_t>(position)).U16(static_cast<unsigned>(offset)).U16(0);
    }
    AddRecord(stream, record::kExtSst, ext);
  }

 private:
  // The characters of one string; where the record is full they go on in a
  // CONTINUE record that starts with the flags byte again.
  static void WriteCharacters(ContinuedRecord& sst, const std::u16string& units, bool wide) {
    const std::size_t unitSize = wide ? 2 : 1;
    std::size_t done = 0;
    while (done < units.size()) {
      const std::size_t count = std::min(sst.Room() / unitSize, units.size() - done);
      AppendUnits(sst.Data(), units, done, count, wide);
      done += count;
      if (done < units.size()) {
        sst.Break();
        sst.Data().U8(wide ? 1 : 0);
      }
    }
  }

  std::unordered_map<std::u16string, std::uint32_t> index_;
  std::vector<const std::u16string*> strings_;  // in index order; point into index_
  std::unordered_map<std::string_view, std::uint32_t> byText_;  // UTF-8 texts already added
  std::u16string units_;                                         // reused for each new text
  std::uint32_t references_ = 0;
};

// ---------------------------------------------------------------------------
// Fonts and cell formats.

struct FontKey {
  std::u16string name;
  int twips = kDefaultFontTwips;
  bool bold = false;
  auto operator<=>(const FontKey&) const = default;
};

// One cell XF as the file stores it: font index and the codes of the format.
struct XfKey {
  int font = 0;
  int horizontal = 0;  // 0 general, 1 left, 2 centre, 3 right
  int vertical = 2;    // 0 top, 1 centre, 2 bottom
  bool wrap = false;
  bool left = false;
  bool right = false;
  bool top = false;
  bool bottom = false;
  auto operator<=>(const XfKey&) const = default;
};

int HorizontalCode(int alignment) {
  switch (alignment) {
    case xl::kAlignLeft: return 1;
    case xl::kAlignCenter: return 2;
    case xl::kAlignRight: return 3;
    default: return 0;
  }
}

int VerticalCode(int alignment) {
  switch (alignment) {
    case xl::kAlignTop: return 0;
    case xl::kAlignCenter: return 1;
    default: return 2;
  }
}

int FontTwips(double points) {
  if (!std::isfinite(points)) return kDefaultFontTwips;
  return static_cast<int>(std::lround(std::clamp(points, 1.0, 409.0) * 20));
}

FontKey FontOf(const CellFormat& format) {
  FontKey key{Utf16(format.fontName), FontTwips(format.fontSize), format.bold};
  CutTo(key.name, kMaxFontName);
  if (key.name.empty()) key.name = Utf16(kDefaultFontName);
  return key;
}

Bytes FontRecord(const FontKey& font, bool italic) {
  Bytes body;
  // The option flags repeat the weight in their lowest bit; readers that
  // look only there see bold text too.
  const unsigned options = (italic ? 0x0002U : 0U) | (font.bold ? 0x0001U : 0U);
  body.U16(static_cast<unsigned>(font.twips)).U16(options).U16(0x7FFF).U16(font.bold ? 700 : 400);
  body.U16(0).U8(0).U8(0).U8(kCyrillicCharset).U8(0);
  AppendShortString(body, font.name);
  return body;
}

// The XF fields after the alignment: borders, colours and pattern.
void AppendBordersAndPattern(Bytes& body, const XfKey& xf) {
  const auto line = [](bool on) -> std::uint32_t { return on ? 1 : 0; };
  const auto colour = [](bool on) -> std::uint32_t { return on ? kAutomaticColour : 0; };
  body.U32(line(xf.left) | line(xf.right) << 4 | line(xf.top) << 8 | line(xf.bottom) << 12 |
           colour(xf.left) << 16 | colour(xf.right) << 23);
  body.U32(colour(xf.top) | colour(xf.bottom) << 7);
  body.U16(kAutomaticColour | kAutomaticBackground << 7);
}

Bytes StyleXfRecord(int font, bool normal) {
  Bytes body;
  body.U16(static_cast<unsigned>(font)).U16(0).U16(0xFFF5).U8(0x20).U8(0).U8(0).U8(normal ? 0x00 : 0xF4);
  AppendBordersAndPattern(body, XfKey{});
  return body;
}

Bytes CellXfRecord(const XfKey& xf) {
  Bytes body;
  body.U16(static_cast<unsigned>(xf.font)).U16(0).U16(0x0001);  // locked, parent style 0
  body.U8(static_cast<unsigned>(xf.horizontal | (xf.wrap ? 0x08 : 0) | xf.vertical << 4)).U8(0).U8(0);
  body.U8(0xFC);  // every attribute is the cell's own
  AppendBordersAndPattern(body, xf);
  return body;
}

// A hash of every field that CellFormat compares.
struct FormatHash {
  std::size_t operator()(const CellFormat& format) const noexcept {
    std::size_t hash = std::hash<std::string>{}(format.fontName);
    const auto mix = [&hash](std::size_t value) { hash ^= value + 0x9E3779B97F4A7C15ULL + (hash << 6) + (hash >> 2); };
    mix(std::hash<double>{}(format.fontSize));
    mix(static_cast<std::size_t>(format.horizontal));
    mix(static_cast<std::size_t>(format.vertical));
    mix(static_cast<std::size_t>(format.bold) | static_cast<std::size_t>(format.wrap) << 1 |
        static_cast<std::size_t>(format.borderLeft) << 2 | static_cast<std::size_t>(format.borderTop) << 3 |
        static_cast<std::size_t>(format.borderRight) << 4 | static_cast<std::size_t>(format.borderBottom) << 5);
    return hash;
  }
};

// The fonts and cell XFs the sheet's formats need, each once.
class FormatTable {
 public:
  FormatTable() { xfIndex_.emplace(XfKey{}, kDefaultCellXf); }

  // Cells mostly repeat a few formats, so each format is worked out once:
  // the one of the cell above (column 0-based) is tried first, then those
  // met before.
  std::uint16_t XfIndex(const CellFormat& format, int column) {
    const auto*& above = above_[At(column)];
    if (above != nullptr && above->first == format) return above->second;
    if (std::isnan(format.fontSize)) return NewXfIndex(format);  // such a key would never be found again
    auto known = known_.find(format);
    if (known == known_.end()) known = known_.emplace(format, NewXfIndex(format)).first;
    above = &*known;
    return known->second;
  }

  void WriteFonts(Bytes& stream) const {
    const FontKey standard{Utf16(kDefaultFontName), kDefaultFontTwips, false};
    for (int i = 0; i < kDefaultFontCount; ++i) {
      AddRecord(stream, record::kFont, FontRecord({standard.name, standard.twips, (i & 1) != 0}, (i & 2) != 0));
    }
    // Index 4 does not exist: the fifth record is font 5. The usual layout
    // has at least five records, so the default font goes there when the
    // sheet needs no other.
    if (fonts_.empty()) AddRecord(stream, record::kFont, FontRecord(standard, false));
    for (const auto& font : fonts_) AddRecord(stream, record::kFont, FontRecord(font, false));
  }

  void WriteXfs(Bytes& stream) const {
    const int styleFonts[kStyleXfCount] = {0, 1, 1, 2, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0};
    for (int i = 0; i < kStyleXfCount; ++i) AddRecord(stream, record::kXf, StyleXfRecord(styleFonts[i], i == 0));
    AddRecord(stream, record::kXf, CellXfRecord(XfKey{}));
    for (const auto& xf : xfs_) AddRecord(stream, record::kXf, CellXfRecord(xf));
  }

 private:
  std::uint16_t NewXfIndex(const CellFormat& format) {
    const XfKey key{FontIndex(format), HorizontalCode(format.horizontal), VerticalCode(format.vertical), format.wrap,
                    format.borderLeft, format.borderRight, format.borderTop, format.borderBottom};
    auto found = xfIndex_.find(key);
    if (found == xfIndex_.end()) {
      if (kStyleXfCount + 1 + static_cast<int>(xfs_.size()) >= kMaxXfCount) {
        throw WriteFailure("в листе слишком много разных форматов ячеек: в книге .xls их может быть не больше " +
                           std::to_string(kMaxXfCount - kStyleXfCount - 1));
      }
      xfs_.push_back(key);
      found = xfIndex_.emplace(key, static_cast<std::uint16_t>(kStyleXfCount + xfs_.size())).first;
    }
    return found->second;
  }

  int FontIndex(const CellFormat& format) {
    FontKey key = FontOf(format);
    if (key == FontKey{Utf16(kDefaultFontName), kDefaultFontTwips, false}) return 0;
    const auto [found, added] = fontIndex_.try_emplace(std::move(key), 0);
    if (added) {
      fonts_.push_back(found->first);
      found->second = kDefaultFontCount + static_cast<int>(fonts_.size());  // skips index 4
    }
    return found->second;
  }

  std::map<FontKey, int> fontIndex_;
  std::vector<FontKey> fonts_;  // fonts 5, 6, ...
  std::map<XfKey, std::uint16_t> xfIndex_;
  std::vector<XfKey> xfs_;  // cell XFs 16, 17, ...
  std::unordered_map<CellFormat, std::uint16_t, FormatHash> known_;  // each format met, with its XF
  // The format last met in each column, in known_.
  std::array<const std::pair<const CellFormat, std::uint16_t>*, At(kColumnCount)> above_{};
};

// ---------------------------------------------------------------------------
// Worksheet substream.

Bytes BofRecord(unsigned kind) {
  Bytes body;
  body.U16(0x0600).U16(kind).U16(0x0DBB).U16(0x07CC).U32(0).U32(0x00000006);
  return body;
}

constexpr unsigned kBofWorkbook = 0x0005;
constexpr unsigned kBofWorksheet = 0x0010;

// A margin in inches; what no page could have becomes no margin.
double MarginInches(double points) { return std::isfinite(points) && points > 0 ? points / 72.0 : 0.0; }

void AppendMargins(Bytes& stream, const Sheet& sheet) {
  const std::pair<std::uint16_t, double> margins[] = {{record::kLeftMargin, sheet.LeftMargin()},
                                                      {record::kRightMargin, sheet.RightMargin()},
                                                      {record::kTopMargin, sheet.TopMargin()},
                                                      {record::kBottomMargin, sheet.BottomMargin()}};
  for (const auto& [type, points] : margins) AddRecord(stream, type, Bytes().F64(MarginInches(points)));
}

// Column width in 1/256 of a character; nullopt when there is none to write.
std::optional<unsigned> WidthUnits(std::optional<double> width) {
  if (!width || !std::isfinite(*width) || *width < 0) return std::nullopt;
  return static_cast<unsigned>(std::lround(std::min(*width, 255.0) * 256));
}

// COLINFO records; neighbouring columns of one width share a record.
void AppendColumns(Bytes& stream, const Sheet& sheet) {
  int column = 1;
  while (column <= kColumnCount) {
    const auto width = WidthUnits(sheet.ColumnWidth(column));
    int last = column;
    while (width && last < kColumnCount && WidthUnits(sheet.ColumnWidth(last + 1)) == width) ++last;
    if (width) {
      Bytes body;
      body.U16(static_cast<unsigned>(column - 1)).U16(static_cast<unsigned>(last - 1)).U16(*width);
      body.U16(kDefaultCellXf).U16(*width == 0 ? 0x0003 : 0x0002).U16(0);  // user-set; hidden at 0
      AddRecord(stream, record::kColInfo, body);
    }
    column = last + 1;
  }
}

struct Extent {
  int firstRow = -1, lastRow = -1, firstColumn = -1, lastColumn = -1;  // 0-based, -1: none

  void Include(int row, int column) {
    if (firstRow < 0 || row < firstRow) firstRow = row;
    lastRow = std::max(lastRow, row);
    if (firstColumn < 0 || column < firstColumn) firstColumn = column;
    lastColumn = std::max(lastColumn, column);
  }
};

Bytes DimensionsRecord(const Extent& cells) {
  Bytes body;
  if (cells.firstRow < 0) return body.U32(0).U32(0).U16(0).U16(0).U16(0);
  body.U32(static_cast<std::uint32_t>(cells.firstRow)).U32(static_cast<std::uint32_t>(cells.lastRow + 1));
  body.U16(static_cast<unsigned>(cells.firstColumn)).U16(static_cast<unsigned>(cells.lastColumn + 1)).U16(0);
  return body;
}

// The cell records of one row, with BLANK runs gathered into MULBLANK.
// One writer serves row after row, so that its buffers are reused.
class RowWriter {
 public:
  explicit RowWriter(Bytes& out) : out_(out) {}
  RowWriter(const RowWriter&) = delete;
  RowWriter& operator=(const RowWriter&) = delete;

  void Blank(int column, std::uint16_t xf) {
    if (!blanks_.empty() && blankStart_ + static_cast<int>(blanks_.size()) != column) FlushBlanks();
    if (blanks_.empty()) blankStart_ = column;
    blanks_.push_back(xf);
    Note(column);
  }
  void Text(int column, std::uint16_t xf, std::uint32_t index) {
    Start(body_, column, xf).U32(index);
    Add(record::kLabelSst, column);
  }
  void Number(int column, std::uint16_t xf, double value) {
    if (std::isfinite(value)) {
      Start(body_, column, xf).F64(value);
      Add(record::kNumber, column);
    } else {
      Start(body_, column, xf).U8(0x24).U8(1);  // the error value #NUM!
      Add(record::kBoolErr, column);
    }
  }
  // Starts the records of a row (0-based).
  void Begin(int row) {
    row_ = static_cast<unsigned>(row);
    first_ = last_ = -1;
  }
  void Finish() { FlushBlanks(); }
  int FirstColumn() const { return first_; }
  int LastColumn() const { return last_; }

 private:
  // Begins the data of a cell record in body, which each record reuses.
  Bytes& Start(Bytes& body, int column, std::uint16_t xf) {
    body.Clear();
    return body.U16(row_).U16(static_cast<unsigned>(column)).U16(xf);
  }
  void Add(std::uint16_t type, int column) {
    FlushBlanks();
    AddRecord(out_, type, body_);
    Note(column);
  }
  void Note(int column) {
    if (first_ < 0) first_ = column;
    last_ = column;
  }
  void FlushBlanks() {
    if (blanks_.empty()) return;
    if (blanks_.size() == 1) {
      Start(blankBody_, blankStart_, blanks_.front());
      AddRecord(out_, record::kBlank, blankBody_);
    } else {
      blankBody_.Clear();
      blankBody_.U16(row_).U16(static_cast<unsigned>(blankStart_));
      for (const auto xf : blanks_) blankBody_.U16(xf);
      blankBody_.U16(static_cast<unsigned>(blankStart_ + static_cast<int>(blanks_.size()) - 1));
      AddRecord(out_, record::kMulBlank, blankBody_);
    }
    blanks_.clear();
  }

  Bytes& out_;
  unsigned row_ = 0;
  int first_ = -1, last_ = -1;  // 0-based columns with a record
  int blankStart_ = 0;
  std::vector<std::uint16_t> blanks_;
  Bytes body_;       // the cell record being written
  Bytes blankBody_;  // the BLANK run written before it
};

// Writes the records of the cells of one sheet row (1-based); returns the
// first and last column written (0-based), -1 when none.
std::pair<int, int> WriteRowCells(RowWriter& writer, const Sheet& sheet, int row, FormatTable& formats,
                                  SharedStrings& strings) {
  writer.Begin(row - 1);
  for (int column = 1; column <= sheet.LastColumn(); ++column) {
    const Cell* cell = sheet.CellAt(row, column);
    if (cell == nullptr) continue;
    if (const auto* number = std::get_if<double>(&cell->value)) {
      writer.Number(column - 1, formats.XfIndex(cell->format, column - 1), *number);
    } else if (const auto* text = std::get_if<std::string>(&cell->value); text && !text->empty()) {
      writer.Text(column - 1, formats.XfIndex(cell->format, column - 1), strings.Add(*text));
    } else if (cell->formatted) {  // an empty text is an empty cell, as in the spreadsheet
      writer.Blank(column - 1, formats.XfIndex(cell->format, column - 1));
    }
  }
  writer.Finish();
  return {writer.FirstColumn(), writer.LastColumn()};
}

// Row height in twips; nullopt when there is none to write.
std::optional<unsigned> HeightTwips(std::optional<double> points) {
  if (!points || !std::isfinite(*points) || *points < 0) return std::nullopt;
  return static_cast<unsigned>(std::lround(std::min(*points, 409.5) * 20));
}

Bytes RowRecord(int row, std::pair<int, int> columns, unsigned twips) {
  constexpr unsigned kStandardTwips = 255;
  const bool hidden = twips == 0;
  Bytes body;
  body.U16(static_cast<unsigned>(row - 1));
  if (columns.first < 0) {
    body.U16(0).U16(0);
  } else {
    body.U16(static_cast<unsigned>(columns.first)).U16(static_cast<unsigned>(columns.second + 1));
  }
  body.U16(hidden ? kStandardTwips : twips).U16(0).U16(0);
  body.U32(0x0100 | 0x0040 | (hidden ? 0x0020 : 0) | static_cast<std::uint32_t>(kDefaultCellXf) << 16);
  return body;
}

constexpr int kMaxRows = 65536;
constexpr int kRowBlock = 32;

// The cell table: for each block of 32 rows, the ROW records of the rows
// with a set height, then the cells of the block.
Bytes CellTable(const Sheet& sheet, FormatTable& formats, SharedStrings& strings, Extent& extent) {
  int lastRow = sheet.LastRow();
  for (int row = std::min(kMaxRows, sheet.LastSizedRow()); row > lastRow; --row) {
    if (HeightTwips(sheet.RowHeight(row))) {
      lastRow = row;
      break;
    }
  }
  Bytes table, rows, cells;  // rows and cells are reused for each block
  RowWriter writer(cells);
  for (int blockStart = 1; blockStart <= lastRow; blockStart += kRowBlock) {
    rows.Clear();
    cells.Clear();
    for (int row = blockStart; row < blockStart + kRowBlock && row <= lastRow; ++row) {
      const auto columns = WriteRowCells(writer, sheet, row, formats, strings);
      if (columns.first >= 0) {
        extent.Include(row - 1, columns.first);
        extent.Include(row - 1, columns.second);
      }
      if (const auto twips = HeightTwips(sheet.RowHeight(row))) AddRecord(rows, record::kRow, RowRecord(row, columns, *twips));
    }
    table.Append(rows).Append(cells);
  }
  return table;
}

Bytes Window2Record(bool gridlines) {
  // Zeros, headers, outline symbols shown; the sheet selected and active.
  const unsigned options = 0x0004 | 0x0010 | 0x0020 | 0x0080 | 0x0200 | 0x0400 | (gridlines ? 0x0002 : 0);
  Bytes body;
  body.U16(options).U16(0).U16(0).U16(kAutomaticColour).U16(0).U16(0).U16(0).U32(0);
  return body;
}

void AppendMerges(Bytes& stream, const std::vector<CellRange>& merges) {
  for (std::size_t start = 0; start < merges.size(); start += kMergesPerRecord) {
    const std::size_t count = std::min(kMergesPerRecord, merges.size() - start);
    Bytes body;
    body.U16(static_cast<unsigned>(count));
    for (std::size_t i = start; i < start + count; ++i) {
      const CellRange& range = merges[i];
      body.U16(static_cast<unsigned>(range.firstRow - 1)).U16(static_cast<unsigned>(range.lastRow - 1));
      body.U16(static_cast<unsigned>(range.firstColumn - 1)).U16(static_cast<unsigned>(range.lastColumn - 1));
    }
    AddRecord(stream, record::kMergedCells, body);
  }
}

Bytes WorksheetStream(const Sheet& sheet, FormatTable& formats, SharedStrings& strings) {
  Extent extent;
  const Bytes cells = CellTable(sheet, formats, strings, extent);
  constexpr std::size_t kRecordsBesideCells = 4096;  // the page, columns, window and merges, mostly
  Bytes stream;
  stream.Reserve(cells.size() + kRecordsBesideCells);
  AddRecord(stream, record::kBof, BofRecord(kBofWorksheet));
  AppendMargins(stream, sheet);
  AddRecord(stream, record::kDefColWidth, Bytes().U16(8));
  AppendColumns(stream, sheet);
  AddRecord(stream, record::kDimensions, DimensionsRecord(extent));
  stream.Append(cells);
  AddRecord(stream, record::kWindow2, Window2Record(sheet.DisplayGridlines()));
  AppendMerges(stream, sheet.Merges());
  AddRecord(stream, record::kEof, Bytes());
  return stream;
}

// ---------------------------------------------------------------------------
// Workbook globals.

Bytes Window1Record() {
  Bytes body;
  body.U16(360).U16(270).U16(14940).U16(9150).U16(0x0038).U16(0).U16(0).U16(1).U16(600);
  return body;
}

// The globals; the BOUNDSHEET offset points just past them, where the
// worksheet substream follows.
Bytes GlobalsStream(const FormatTable& formats, const SharedStrings& strings) {
  Bytes stream;
  AddRecord(stream, record::kBof, BofRecord(kBofWorkbook));
  AddRecord(stream, record::kCodepage, Bytes().U16(1200));
  AddRecord(stream, record::kWindow1, Window1Record());
  formats.WriteFonts(stream);
  formats.WriteXfs(stream);
  AddRecord(stream, record::kStyle, Bytes().U16(0x8000).U8(0).U8(0xFF));  // built-in Normal
  const std::size_t offsetAt = stream.size() + 4;
  Bytes sheet;
  sheet.U32(0).U8(0).U8(0);  // offset, visible, worksheet
  AppendShortString(sheet, Utf16(kSheetName));
  AddRecord(stream, record::kBoundSheet, sheet);
  strings.Write(stream);
  AddRecord(stream, record::kEof, Bytes());
  stream.PatchU32(offsetAt, static_cast<std::uint32_t>(stream.size()));
  return stream;
}

Bytes WorkbookStream(const Sheet& sheet) {
  FormatTable formats;
  SharedStrings strings;
  const Bytes worksheet = WorksheetStream(sheet, formats, strings);
  Bytes stream = GlobalsStream(formats, strings);
  if (stream.size() + worksheet.size() > 0xFFFFFFFFu) throw WriteFailure("лист слишком велик для книги .xls");
  stream.Reserve(std::max(stream.size() + worksheet.size(), kMinStreamSize));
  stream.Append(worksheet);
  // A stream under 4096 bytes would go into the compound file's small
  // blocks, which not every reader of workbooks accepts; zeros after the
  // last EOF are never read.
  while (stream.size() < kMinStreamSize) stream.U8(0);
  return stream;
}

// ---------------------------------------------------------------------------
// The file.

void CheckTarget(const std::filesystem::path& file) {
  if (file.empty() || !file.has_filename()) throw WriteFailure("не задано имя файла");
  const std::filesystem::path folder = file.has_parent_path() ? file.parent_path() : std::filesystem::path(".");
  std::error_code error;
  if (!std::filesystem::is_directory(folder, error)) {
    throw WriteFailure("папка «" + PathText(folder) + "» не найдена");
  }
  if (std::filesystem::is_directory(file, error)) throw WriteFailure(SystemErrorText(EISDIR));
}

}  // namespace

void WriteXls(const Sheet& sheet, const std::filesystem::path& file) {
  CheckCellTexts(sheet, file);
  try {
    CheckTarget(file);
    const Bytes workbook = WorkbookStream(sheet);
    WriteFileAtomically(file, WorkbookContainer(workbook.View()));
  } catch (const FileError& failure) {
    throw SheetOperationError(failure.what());
  } catch (const WriteFailure& failure) {
    throw SheetOperationError("Не удалось записать книгу «" + PathText(file) + "»: " + failure.what() + ".");
  } catch (const ContainerFailure& failure) {
    throw SheetOperationError("Не удалось записать книгу «" + PathText(file) + "»: " + failure.what() + ".");
  } catch (const std::bad_alloc&) {
    throw SheetOperationError("Не удалось записать книгу «" + PathText(file) + "»: недостаточно памяти.");
  }
}

}  // namespace verdin
