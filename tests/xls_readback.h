// Reading an .xls file back with an independent reader (xlrd, through
// tests/xls_dump.py) and comparing it with the sheet that was written:
// every cell with its value, type and format.
#pragma once

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <stdexcept>
#include <string>
#include <vector>

#include "workbook/sheet.h"

namespace verdin::testing {

// ---------------------------------------------------------------------------
// A small JSON reader for the dump script's output.

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;        // array items, or object values
  std::vector<std::string> keys;  // object keys, beside items

  bool Has(const std::string& key) const {
    for (const auto& name : keys) {
      if (name == key) return true;
    }
    return false;
  }
  const Json& operator[](const std::string& key) const {
    for (std::size_t i = 0; i < keys.size(); ++i) {
      if (keys[i] == key) return items[i];
    }
    throw std::runtime_error("JSON key missing: " + key);
  }
  const Json& operator[](std::size_t index) const { return items.at(index); }
  int Int() const { return static_cast<int>(number); }
};

class JsonReader {
 public:
  explicit JsonReader(const std::string& text) : text_(text) {}

  Json Read() {
    Json value = Value();
    Space();
    if (at_ != text_.size()) Fail();
    return value;
  }

 private:
  [[noreturn]] void Fail() const { throw std::runtime_error("bad JSON at " + std::to_string(at_)); }
  void Space() {
    while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_])) != 0) ++at_;
  }
  bool Take(char c) {
    Space();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool Word(const char* word) {
    const std::string w = word;
    if (text_.compare(at_, w.size(), w) != 0) return false;
    at_ += w.size();
    return true;
  }

  Json Value() {
    Space();
    if (at_ >= text_.size()) Fail();
    Json value;
    const char c = text_[at_];
    if (c == '{') {
      value.kind = Json::Kind::kObject;
      ++at_;
      if (Take('}')) return value;
      do {
        Space();
        value.keys.push_back(String());
        if (!Take(':')) Fail();
        value.items.push_back(Value());
      } while (Take(','));
      if (!Take('}')) Fail();
    } else if (c == '[') {
      value.kind = Json::Kind::kArray;
      ++at_;
      if (Take(']')) return value;
      do value.items.push_back(Value());
      while (Take(','));
      if (!Take(']')) Fail();
    } else if (c == '"') {
      value.kind = Json::Kind::kString;
      value.text = String();
    } else if (Word("true") || Word("false")) {
      value.kind = Json::Kind::kBool;
      value.boolean = text_[at_ - 1] == 'e' && text_[at_ - 2] == 'u';
    } else if (Word("null")) {
    } else if (Word("NaN") || Word("Infinity") || Word("-Infinity")) {
      value.kind = Json::Kind::kNumber;
      value.number = std::numeric_limits<double>::quiet_NaN();
    } else {
      value.kind = Json::Kind::kNumber;
      // strtod, not stod: a subnormal number is a value here, not an error.
      const std::string digits = text_.substr(at_, 40);
      char* end = nullptr;
      value.number = std::strtod(digits.c_str(), &end);
      if (end == digits.c_str()) Fail();
      at_ += static_cast<std::size_t>(end - digits.c_str());
    }
    return value;
  }

  unsigned Hex4() {
    if (at_ + 4 > text_.size()) Fail();
    const unsigned code = static_cast<unsigned>(std::stoul(text_.substr(at_, 4), nullptr, 16));
    at_ += 4;
    return code;
  }

  static void PutUtf8(std::string& out, unsigned code) {
    if (code < 0x80) {
      out += static_cast<char>(code);
    } else if (code < 0x800) {
      out += static_cast<char>(0xC0 | code >> 6);
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else if (code < 0x10000) {
      out += static_cast<char>(0xE0 | code >> 12);
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    } else {
      out += static_cast<char>(0xF0 | code >> 18);
      out += static_cast<char>(0x80 | (code >> 12 & 0x3F));
      out += static_cast<char>(0x80 | (code >> 6 & 0x3F));
      out += static_cast<char>(0x80 | (code & 0x3F));
    }
  }

  std::string String() {
    if (at_ >= text_.size() || text_[at_] != '"') Fail();
    ++at_;
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail();
      c = text_[at_++];
      switch (c) {
        case 'n': out += '\n'; break;
        case 'r': out += '\r'; break;
        case 't': out += '\t'; break;
        case 'b': out += '\b'; break;
        case 'f': out += '\f'; break;
        case 'u': {
          unsigned code = Hex4();
          if (code >= 0xD800 && code <= 0xDBFF && text_.compare(at_, 2, "\\u") == 0) {
            at_ += 2;
            code = 0x10000 + ((code - 0xD800) << 10) + (Hex4() - 0xDC00);
          }
          PutUtf8(out, code);
          break;
        }
        default: out += c;
      }
    }
    if (at_ >= text_.size()) Fail();
    ++at_;
    return out;
  }

  const std::string& text_;
  std::size_t at_ = 0;
};

// ---------------------------------------------------------------------------
// Running the dump script.

inline const std::filesystem::path kDumpScript =
    std::filesystem::path(VERDIN_DEMO_DATA_DIR).parent_path() / "tests" / "xls_dump.py";

inline std::string Quoted(const std::string& text) { return "'" + text + "'"; }

// The Debian interpreter carries python3-xlrd; another python3 first on the
// path may not.
inline std::string Interpreter() {
  static const std::string chosen = [] {
    for (const char* candidate : {"/usr/bin/python3", "python3"}) {
      const std::string probe = std::string(candidate) + " -c 'import xlrd' >/dev/null 2>&1";
      if (std::system(probe.c_str()) == 0) return std::string(candidate);
    }
    return std::string();
  }();
  return chosen;
}

inline Json Dump(const std::filesystem::path& file) {
  const std::string interpreter = Interpreter();
  if (interpreter.empty()) throw std::runtime_error("no python3 with xlrd (python3-xlrd) found");
  const std::string command = interpreter + " " + Quoted(kDumpScript.string()) + " " + Quoted(file.string());
  FILE* pipe = ::popen(command.c_str(), "r");
  if (pipe == nullptr) throw std::runtime_error("cannot run " + command);
  std::string output;
  char buffer[65536];
  for (std::size_t got; (got = std::fread(buffer, 1, sizeof buffer, pipe)) > 0;) output.append(buffer, got);
  const int status = ::pclose(pipe);
  if (status != 0) throw std::runtime_error("xls_dump.py failed on " + file.string());
  return JsonReader(output).Read();
}

// ---------------------------------------------------------------------------
// What the file must say for a sheet's format.

inline int HorizontalCode(int alignment) {
  if (alignment == xl::kAlignLeft) return 1;
  if (alignment == xl::kAlignCenter) return 2;
  if (alignment == xl::kAlignRight) return 3;
  return 0;
}

inline int VerticalCode(int alignment) {
  if (alignment == xl::kAlignTop) return 0;
  if (alignment == xl::kAlignCenter) return 1;
  return 2;
}

inline std::string Where(int row, int column) { return ColumnLetters(column) + std::to_string(row); }

inline void ExpectSide(const Json& side, bool on, const std::string& where, const char* name) {
  EXPECT_EQ(side["style"].Int(), on ? 1 : 0) << where << " border " << name;
  if (on) {
    EXPECT_EQ(side["colour"].Int(), 64) << where << " border colour " << name;
  }
}

inline void ExpectFormat(const Json& cell, const CellFormat& format, const std::string& where) {
  const Json& font = cell["font"];
  EXPECT_EQ(font["name"].text, format.fontName) << where;
  EXPECT_EQ(font["bold"].boolean, format.bold) << where;
  EXPECT_EQ(font["weight"].Int(), format.bold ? 700 : 400) << where;
  EXPECT_EQ(font["height"].Int(), std::lround(format.fontSize * 20)) << where;
  EXPECT_NE(font["index"].Int(), 4) << where << ": font index 4 does not exist";
  const Json& alignment = cell["alignment"];
  EXPECT_EQ(alignment["horizontal"].Int(), HorizontalCode(format.horizontal)) << where;
  EXPECT_EQ(alignment["vertical"].Int(), VerticalCode(format.vertical)) << where;
  EXPECT_EQ(alignment["wrap"].boolean, format.wrap) << where;
  const Json& border = cell["border"];
  ExpectSide(border["left"], format.borderLeft, where, "left");
  ExpectSide(border["right"], format.borderRight, where, "right");
  ExpectSide(border["top"], format.borderTop, where, "top");
  ExpectSide(border["bottom"], format.borderBottom, where, "bottom");
}

using CellMap = std::map<std::pair<int, int>, const Json*>;

inline CellMap CellsByPosition(const Json& dump) {
  CellMap cells;
  for (const Json& cell : dump["cells"].items) cells[{cell["row"].Int(), cell["column"].Int()}] = &cell;
  return cells;
}

// Checks every cell of the sheet against the file, and that the file holds
// no other cells. Texts longer than the file's limit are left to their own test.
inline void ExpectCellsMatch(const Sheet& sheet, const Json& dump) {
  const CellMap cells = CellsByPosition(dump);
  std::size_t expected = 0;
  for (int row = 1; row <= sheet.LastRow(); ++row) {
    for (int column = 1; column <= sheet.LastColumn(); ++column) {
      const Cell* cell = sheet.CellAt(row, column);
      if (cell == nullptr) continue;
      const auto* number = std::get_if<double>(&cell->value);
      const auto* text = std::get_if<std::string>(&cell->value);
      const bool hasText = text != nullptr && !text->empty();
      if (number == nullptr && !hasText && !cell->formatted) continue;
      ++expected;
      const std::string where = Where(row, column);
      const auto found = cells.find({row, column});
      if (found == cells.end()) {
        ADD_FAILURE() << "no cell " << where << " in the file";
        continue;
      }
      const Json& got = *found->second;
      if (number != nullptr && std::isfinite(*number)) {
        EXPECT_EQ(got["type"].text, "n") << where;
        EXPECT_EQ(got["value"].number, *number) << where;
      } else if (number != nullptr) {
        EXPECT_EQ(got["type"].text, "error") << where;
      } else if (hasText) {
        EXPECT_EQ(got["type"].text, "s") << where;
        if (text->size() <= 32767) {
          EXPECT_EQ(got["value"].text, *text) << where;
        }
      } else {
        EXPECT_EQ(got["type"].text, "blank") << where;
      }
      ExpectFormat(got, cell->format, where);
    }
  }
  EXPECT_EQ(cells.size(), expected) << "the file holds cells the sheet does not";
}


}  // namespace verdin::testing
