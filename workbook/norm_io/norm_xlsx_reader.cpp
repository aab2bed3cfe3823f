// Reading an .xlsx workbook: minizip unpacks its parts from memory, expat
// parses them as they are unpacked. Only what the norm sheets need is
// kept: sheet names, cell values and kinds, merged ranges.
#include <expat.h>
#include <minizip/unzip.h>

#include <cerrno>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <string_view>

#include "core/line_file.h"
#include "core/platform_files.h"
#include "core/text_forms.h"
#include "workbook/norm_io/norm_workbook_files.h"
#include "workbook/sheet.h"

namespace verdin {

namespace {

[[noreturn]] void Fail(const std::filesystem::path& file, const std::string& reason) {
  throw SheetOperationError("Книга «" + PathText(file) + "» не прочитана: " + reason);
}

std::string Megabytes(std::uint64_t bytes) { return std::to_string((bytes + 1024 * 1024 - 1) / (1024 * 1024)); }

// --- the zip archive in memory ----------------------------------------------

struct MemoryStream {
  const std::string* bytes;
  std::uint64_t position = 0;
};

voidpf OpenMemory(voidpf opaque, const void*, int) { return opaque; }
uLong ReadMemory(voidpf, voidpf stream, void* buffer, uLong size) {
  auto* memory = static_cast<MemoryStream*>(stream);
  const std::uint64_t left = memory->bytes->size() - memory->position;
  const uLong count = static_cast<uLong>(std::min<std::uint64_t>(size, left));
  std::memcpy(buffer, memory->bytes->data() + memory->position, count);
  memory->position += count;
  return count;
}
uLong WriteMemory(voidpf, voidpf, const void*, uLong) { return 0; }
ZPOS64_T TellMemory(voidpf, voidpf stream) { return static_cast<MemoryStream*>(stream)->position; }
long SeekMemory(voidpf, voidpf stream, ZPOS64_T offset, int origin) {
  auto* memory = static_cast<MemoryStream*>(stream);
  std::uint64_t base = 0;
  if (origin == ZLIB_FILEFUNC_SEEK_CUR) base = memory->position;
  if (origin == ZLIB_FILEFUNC_SEEK_END) base = memory->bytes->size();
  if (base + offset > memory->bytes->size()) return -1;
  memory->position = base + offset;
  return 0;
}
int CloseMemory(voidpf, voidpf) { return 0; }
int ErrorMemory(voidpf, voidpf) { return 0; }

class Archive {
 public:
  Archive(const std::string& bytes, const std::filesystem::path& file) : stream_{&bytes}, file_(file) {
    zlib_filefunc64_def functions{};
    functions.zopen64_file = OpenMemory;
    functions.zread_file = ReadMemory;
    functions.zwrite_file = WriteMemory;
    functions.ztell64_file = TellMemory;
    functions.zseek64_file = SeekMemory;
    functions.zclose_file = CloseMemory;
    functions.zerror_file = ErrorMemory;
    functions.opaque = &stream_;
    zip_ = unzOpen2_64("", &functions);
    if (zip_ == nullptr) Fail(file, "это не книга .xlsx (файл не является архивом zip или поврежден).");
  }
  ~Archive() { unzClose(zip_); }
  Archive(const Archive&) = delete;
  Archive& operator=(const Archive&) = delete;

  bool Has(const std::string& part) { return unzLocateFile(zip_, part.c_str(), 0) == UNZ_OK; }

  // Unpacks a part, handing its bytes to `consume` as they come, within the bounds.
  void Unpack(const std::string& part, const std::string& shownName,
              const std::function<void(const char*, std::size_t)>& consume) {
    if (unzLocateFile(zip_, part.c_str(), 0) != UNZ_OK) Fail(file_, "в книге нет части «" + part + "».");
    unz_file_info64 info{};
    if (unzGetCurrentFileInfo64(zip_, &info, nullptr, 0, nullptr, 0, nullptr, 0) != UNZ_OK) Damaged();
    if (info.uncompressed_size > kMaxWorkbookPartBytes || unpacked_ + info.uncompressed_size > kMaxWorkbookUnpackedBytes) {
      TooLarge(shownName, info.uncompressed_size);
    }
    if (unzOpenCurrentFile(zip_) != UNZ_OK) Damaged();
    char buffer[64 * 1024];
    std::uint64_t read = 0;
    for (;;) {
      const int count = unzReadCurrentFile(zip_, buffer, sizeof buffer);
      if (count < 0) {
        unzCloseCurrentFile(zip_);
        Damaged();
      }
      if (count == 0) break;
      read += static_cast<std::uint64_t>(count);
      // The directory may understate a part: the bound holds for what is unpacked.
      if (read > info.uncompressed_size || read > kMaxWorkbookPartBytes ||
          unpacked_ + read > kMaxWorkbookUnpackedBytes) {
        unzCloseCurrentFile(zip_);
        TooLarge(shownName, read);
      }
      consume(buffer, static_cast<std::size_t>(count));
    }
    if (unzCloseCurrentFile(zip_) != UNZ_OK) Damaged();
    unpacked_ += read;
  }

 private:
  [[noreturn]] void Damaged() const { Fail(file_, "архив книги поврежден."); }
  [[noreturn]] void TooLarge(const std::string& shownName, std::uint64_t size) const {
    Fail(file_, shownName + " слишком велик: в распакованном виде больше " + Megabytes(size) +
                    " МБ, допускается не больше " + Megabytes(kMaxWorkbookPartBytes) + " МБ на лист и " +
                    Megabytes(kMaxWorkbookUnpackedBytes) + " МБ на всю книгу.");
  }

  MemoryStream stream_;
  const std::filesystem::path& file_;
  unzFile zip_ = nullptr;
  std::uint64_t unpacked_ = 0;
};

// --- XML ---------------------------------------------------------------------

// The element name without its namespace prefix.
std::string_view LocalName(const XML_Char* name) {
  std::string_view text(name);
  const std::size_t colon = text.rfind(':');
  return colon == std::string_view::npos ? text : text.substr(colon + 1);
}

const XML_Char* Attribute(const XML_Char** attributes, std::string_view name) {
  for (std::size_t i = 0; attributes[i] != nullptr; i += 2) {
    if (LocalName(attributes[i]) == name) return attributes[i + 1];
  }
  return nullptr;
}

// A parser for one part; the handler gets the element starts, ends and text.
class XmlPart {
 public:
  struct Handler {
    virtual ~Handler() = default;
    virtual void Start(std::string_view name, const XML_Char** attributes) = 0;
    virtual void End(std::string_view name) = 0;
    virtual void Text(std::string_view) {}
  };

  XmlPart(Handler& handler, const std::filesystem::path& file, std::string shownName)
      : handler_(handler), file_(file), shownName_(std::move(shownName)), parser_(XML_ParserCreate(nullptr)) {
    if (parser_ == nullptr) Fail(file_, "недостаточно памяти.");
    XML_SetUserData(parser_, this);
    XML_SetElementHandler(
        parser_,
        [](void* self, const XML_Char* name, const XML_Char** attributes) {
          static_cast<XmlPart*>(self)->handler_.Start(LocalName(name), attributes);
        },
        [](void* self, const XML_Char* name) { static_cast<XmlPart*>(self)->handler_.End(LocalName(name)); });
    XML_SetCharacterDataHandler(parser_, [](void* self, const XML_Char* text, int length) {
      static_cast<XmlPart*>(self)->handler_.Text(std::string_view(text, static_cast<std::size_t>(length)));
    });
    // A workbook's parts have no document type; one is refused with its entities.
    XML_SetStartDoctypeDeclHandler(parser_, [](void* self, const XML_Char*, const XML_Char*, const XML_Char*, int) {
      auto* part = static_cast<XmlPart*>(self);
      part->doctype_ = true;
      XML_StopParser(part->parser_, XML_FALSE);
    });
  }
  ~XmlPart() { XML_ParserFree(parser_); }
  XmlPart(const XmlPart&) = delete;
  XmlPart& operator=(const XmlPart&) = delete;

  void Feed(const char* bytes, std::size_t size, bool last) {
    if (XML_Parse(parser_, bytes, static_cast<int>(size), last ? XML_TRUE : XML_FALSE) != XML_STATUS_OK) {
      if (doctype_) Fail(file_, shownName_ + " содержит объявление типа документа, которого в книге не бывает.");
      Fail(file_, shownName_ + " поврежден: " + XML_ErrorString(XML_GetErrorCode(parser_)) + ", строка " +
                      std::to_string(XML_GetCurrentLineNumber(parser_)) + ".");
    }
  }

 private:
  Handler& handler_;
  const std::filesystem::path& file_;
  std::string shownName_;
  XML_Parser parser_;
  bool doctype_ = false;
};

void ParsePart(Archive& archive, const std::string& part, const std::string& shownName, XmlPart::Handler& handler,
               const std::filesystem::path& file) {
  XmlPart parser(handler, file, shownName);
  archive.Unpack(part, shownName, [&](const char* bytes, std::size_t size) { parser.Feed(bytes, size, false); });
  parser.Feed("", 0, true);
}

// The text of a string item with its "_xHHHH_" escapes decoded: the way
// the format writes characters XML cannot carry, such as a carriage return.
std::string DecodeEscapes(const std::string& text) {
  if (text.find("_x") == std::string::npos) return text;
  std::string out;
  for (std::size_t i = 0; i < text.size(); ++i) {
    unsigned code = 0;
    if (text.compare(i, 2, "_x") == 0 && i + 6 < text.size() && text[i + 6] == '_' &&
        std::from_chars(text.data() + i + 2, text.data() + i + 6, code, 16).ptr == text.data() + i + 6) {
      if (code < 0x80) {
        out += static_cast<char>(code);
      } else if (code < 0x800) {
        out += static_cast<char>(0xC0 | (code >> 6));
        out += static_cast<char>(0x80 | (code & 0x3F));
      } else {
        out += static_cast<char>(0xE0 | (code >> 12));
        out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (code & 0x3F));
      }
      i += 6;
    } else {
      out += text[i];
    }
  }
  return out;
}

// Collects the text of <t> elements inside a string item (<si> or <is>),
// skipping the phonetic runs.
class StringItem {
 public:
  void Start(std::string_view name) {
    if (name == "t" && phonetic_ == 0) inText_ = true;
    if (name == "rPh") ++phonetic_;
  }
  void End(std::string_view name) {
    if (name == "t") inText_ = false;
    if (name == "rPh" && phonetic_ > 0) --phonetic_;
  }
  void Text(std::string_view text) {
    if (inText_) text_ += text;
  }
  std::string Take() {
    std::string text = DecodeEscapes(text_);
    text_.clear();
    return text;
  }

 private:
  std::string text_;
  bool inText_ = false;
  int phonetic_ = 0;
};

class SharedStrings final : public XmlPart::Handler {
 public:
  void Start(std::string_view name, const XML_Char**) override {
    if (name == "si") inItem_ = true;
    if (inItem_) item_.Start(name);
  }
  void End(std::string_view name) override {
    if (!inItem_) return;
    item_.End(name);
    if (name == "si") {
      strings.emplace_back(std::string_view(item_.Take()));
      inItem_ = false;
    }
  }
  void Text(std::string_view text) override {
    if (inItem_) item_.Text(text);
  }
  std::vector<SharedText> strings;

 private:
  StringItem item_;
  bool inItem_ = false;
};

struct SheetEntry {
  std::string name;
  std::string relation;
};

class WorkbookPart final : public XmlPart::Handler {
 public:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name != "sheet") return;
    const XML_Char* sheetName = Attribute(attributes, "name");
    const XML_Char* id = Attribute(attributes, "id");
    if (sheetName != nullptr && id != nullptr) sheets.push_back({sheetName, id});
  }
  void End(std::string_view) override {}
  std::vector<SheetEntry> sheets;
};

class Relations final : public XmlPart::Handler {
 public:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name != "Relationship") return;
    const XML_Char* id = Attribute(attributes, "Id");
    const XML_Char* target = Attribute(attributes, "Target");
    if (id != nullptr && target != nullptr) targets[id] = target;
  }
  void End(std::string_view) override {}
  std::map<std::string, std::string> targets;
};

// The number formats of the cell styles: for each style, the digits
// after the decimal point its format shows ("0.00" shows 2), -1 for any
// other format.
class Styles final : public XmlPart::Handler {
 public:
  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name == "numFmt") {
      const XML_Char* id = Attribute(attributes, "numFmtId");
      const XML_Char* code = Attribute(attributes, "formatCode");
      if (id != nullptr && code != nullptr) custom_[std::atoi(id)] = Decimals(code);
    } else if (name == "cellXfs") {
      inCellFormats_ = true;
    } else if (name == "xf" && inCellFormats_) {
      const XML_Char* id = Attribute(attributes, "numFmtId");
      formats_.push_back(id != nullptr ? std::atoi(id) : 0);
    }
  }
  void End(std::string_view name) override {
    if (name == "cellXfs") inCellFormats_ = false;
  }

  int DecimalsOfStyle(std::size_t style) const {
    if (style >= formats_.size()) return -1;
    const int format = formats_[style];
    if (format == 1) return 0;  // built in: "0" and "0.00"
    if (format == 2) return 2;
    const auto found = custom_.find(format);
    return found != custom_.end() ? found->second : -1;
  }

 private:
  static int Decimals(std::string_view code) {
    if (code == "0") return 0;
    if (code.size() < 3 || !code.starts_with("0.") || code.find_first_not_of('0', 2) != std::string_view::npos) {
      return -1;
    }
    return static_cast<int>(code.size() - 2);
  }

  std::map<int, int> custom_;
  std::vector<int> formats_;
  bool inCellFormats_ = false;
};

// "BC12" -> column 54 (from 0) and row 11 (from 0); false for anything else.
bool CellPosition(std::string_view reference, std::size_t& row, std::size_t& column) {
  std::size_t i = 0;
  std::size_t letters = 0;
  while (i < reference.size() && reference[i] >= 'A' && reference[i] <= 'Z' && i < 4) {
    letters = letters * 26 + static_cast<std::size_t>(reference[i] - 'A' + 1);
    ++i;
  }
  std::size_t number = 0;
  const auto [end, error] = std::from_chars(reference.data() + i, reference.data() + reference.size(), number);
  if (letters == 0 || error != std::errc() || end != reference.data() + reference.size() || number == 0) return false;
  row = number - 1;
  column = letters - 1;
  return true;
}

class SheetPart final : public XmlPart::Handler {
 public:
  SheetPart(GridSheet& sheet, const std::vector<SharedText>& strings, const Styles& styles,
            const std::filesystem::path& file)
      : sheet_(sheet), strings_(strings), styles_(styles), file_(file) {}

  void Start(std::string_view name, const XML_Char** attributes) override {
    if (name == "row") {
      const XML_Char* number = Attribute(attributes, "r");
      std::size_t row = row_ + 1;
      if (number != nullptr) {
        const std::string_view text(number);
        std::from_chars(text.data(), text.data() + text.size(), row);
        --row;
      }
      row_ = row;
      column_ = static_cast<std::size_t>(-1);
    } else if (name == "c") {
      const XML_Char* reference = Attribute(attributes, "r");
      std::size_t row = row_;
      std::size_t column = column_ + 1;
      if (reference != nullptr && !CellPosition(reference, row, column)) {
        Fail(file_, "лист «" + sheet_.name + "»: неверный адрес ячейки «" + std::string(reference) + "».");
      }
      row_ = row;
      column_ = column;
      const XML_Char* type = Attribute(attributes, "t");
      type_ = type != nullptr ? type : "n";
      const XML_Char* style = Attribute(attributes, "s");
      decimals_ = style != nullptr ? styles_.DecimalsOfStyle(static_cast<std::size_t>(std::atoi(style))) : -1;
      value_.clear();
      formula_.clear();
      hasFormula_ = false;
      inCell_ = true;
    } else if (inCell_ && name == "v") {
      field_ = Field::Value;
    } else if (inCell_ && name == "f") {
      field_ = Field::Formula;
      hasFormula_ = true;
    } else if (inCell_ && name == "is") {
      inInline_ = true;
    } else if (name == "mergeCell") {
      if (const XML_Char* range = Attribute(attributes, "ref")) sheet_.merged.emplace_back(range);
    }
    if (inInline_) inline_.Start(name);
  }

  void End(std::string_view name) override {
    if (inInline_) inline_.End(name);
    if (name == "v" || name == "f") field_ = Field::None;
    if (name == "is") inInline_ = false;
    if (name == "c" && inCell_) {
      inCell_ = false;
      Store();
    }
  }

  void Text(std::string_view text) override {
    if (field_ == Field::Value) value_ += text;
    if (field_ == Field::Formula) formula_ += text;
    if (inInline_) inline_.Text(text);
  }

 private:
  enum class Field { None, Value, Formula };

  GridCell Made() {
    GridCell cell;
    if (hasFormula_) return {GridCell::Kind::Formula, 0, SharedText(std::string_view("=" + formula_))};
    if (type_ == "s") {
      std::size_t index = 0;
      const auto [end, error] = std::from_chars(value_.data(), value_.data() + value_.size(), index);
      if (error != std::errc() || index >= strings_.size()) return {GridCell::Kind::Other, 0, "неверная ссылка на текст"};
      cell = {GridCell::Kind::Text, 0, strings_[index]};
    } else if (type_ == "inlineStr") {
      cell = {GridCell::Kind::Text, 0, SharedText(std::string_view(inline_.Take()))};
    } else if (type_ == "str") {
      cell = {GridCell::Kind::Text, 0, SharedText(std::string_view(DecodeEscapes(value_)))};
    } else if (type_ == "b") {
      return {GridCell::Kind::Other, 0, "логическое значение"};
    } else if (type_ == "e") {
      return {GridCell::Kind::Other, 0, SharedText(std::string_view("ошибка «" + value_ + "»"))};
    } else if (type_ == "d") {
      return {GridCell::Kind::Other, 0, "дата"};
    } else {
      if (value_.empty()) return cell;
      double number = 0;
      const auto [end, error] = std::from_chars(value_.data(), value_.data() + value_.size(), number);
      if (error != std::errc() || end != value_.data() + value_.size()) {
        return {GridCell::Kind::Other, 0, SharedText(std::string_view("неверное число «" + value_ + "»"))};
      }
      return {GridCell::Kind::Number, number, {}, decimals_};
    }
    if (cell.text.empty()) return {};
    return cell;
  }

  void Store() {
    GridCell cell = Made();
    if (cell.kind == GridCell::Kind::Empty || column_ >= kMaxSheetColumns) return;
    if (row_ >= kMaxSheetRows) {
      Fail(file_, "на листе «" + sheet_.name + "» больше " + std::to_string(kMaxSheetRows) +
                      " строк; в базе норм их не бывает больше 190 000.");
    }
    if (sheet_.rows.size() <= row_) sheet_.rows.resize(row_ + 1);
    std::vector<GridCell>& cells = sheet_.rows[row_];
    if (cells.size() <= column_) cells.resize(column_ + 1);
    cells[column_] = std::move(cell);
  }

  GridSheet& sheet_;
  const std::vector<SharedText>& strings_;
  const Styles& styles_;
  const std::filesystem::path& file_;
  int decimals_ = -1;
  std::size_t row_ = static_cast<std::size_t>(-1);
  std::size_t column_ = static_cast<std::size_t>(-1);
  std::string type_;
  std::string value_;
  std::string formula_;
  bool hasFormula_ = false;
  bool inCell_ = false;
  bool inInline_ = false;
  Field field_ = Field::None;
  StringItem inline_;
};

// The part a relation's target names: relative to "xl/", or from the root.
std::string PartOf(const std::string& target) {
  if (target.starts_with('/')) return target.substr(1);
  return "xl/" + target;
}

}  // namespace

std::vector<GridSheet> ReadXlsxSheets(const std::string& bytes, const std::filesystem::path& file) {
  Archive archive(bytes, file);
  if (!archive.Has("xl/workbook.xml")) Fail(file, "это не книга .xlsx (в архиве нет части xl/workbook.xml).");
  WorkbookPart workbook;
  ParsePart(archive, "xl/workbook.xml", "список листов", workbook, file);
  Relations relations;
  ParsePart(archive, "xl/_rels/workbook.xml.rels", "список частей книги", relations, file);
  SharedStrings shared;
  if (archive.Has("xl/sharedStrings.xml")) ParsePart(archive, "xl/sharedStrings.xml", "список текстов", shared, file);
  Styles styles;
  if (archive.Has("xl/styles.xml")) ParsePart(archive, "xl/styles.xml", "список форматов", styles, file);
  std::vector<GridSheet> sheets;
  for (const SheetEntry& entry : workbook.sheets) {
    GridSheet& sheet = sheets.emplace_back();
    sheet.name = entry.name;
    const auto target = relations.targets.find(entry.relation);
    if (target == relations.targets.end()) Fail(file, "у листа «" + entry.name + "» нет части с ячейками.");
    SheetPart part(sheet, shared.strings, styles, file);
    ParsePart(archive, PartOf(target->second), "лист «" + entry.name + "»", part, file);
  }
  return sheets;
}

std::vector<GridSheet> ReadNormWorkbookFile(const std::filesystem::path& file) {
  platform::FileDescriptor handle;
  if (const int error = platform::OpenForReading(file, handle); error != 0) {
    Fail(file, SystemErrorText(error) + ".");
  }
  platform::FileStatus status;
  if (const int error = platform::StatusOf(handle, status); error != 0) Fail(file, SystemErrorText(error) + ".");
  if (!status.regular) Fail(file, "это не обычный файл.");
  std::string bytes;
  if (const int error = platform::ReadAll(handle, bytes, kMaxWorkbookFileBytes); error != 0) {
    if (error == EFBIG) {
      Fail(file, "файл больше " + Megabytes(kMaxWorkbookFileBytes) + " МБ; книга базы норм много меньше.");
    }
    Fail(file, SystemErrorText(error) + ".");
  }
  if (bytes.starts_with("PK\x03\x04")) return ReadXlsxSheets(bytes, file);
  if (bytes.starts_with("\xD0\xCF\x11\xE0\xA1\xB1\x1A\xE1")) return ReadXlsSheets(bytes, file);
  Fail(file, "это не книга Excel (.xlsx или .xls).");
}

}  // namespace verdin
