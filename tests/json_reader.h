// A small JSON reader for the read-back tests: the dump scripts
// (tests/xls_dump.py, tests/xlsx_dump.py) print what an independent reader
// finds in a written workbook as JSON, and the tests compare it with the
// sheet that was written.
#pragma once

#include <cctype>
#include <cstdlib>
#include <limits>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace verdin::testing {

struct Json {
  enum class Kind { kNull, kBool, kNumber, kString, kArray, kObject };
  Kind kind = Kind::kNull;
  bool boolean = false;
  double number = 0;
  std::string text;
  std::vector<Json> items;        // array items, or object values
  std::vector<std::string> keys;  // object keys, beside items

  bool IsNull() const { return kind == Kind::kNull; }
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

// Reads one JSON value; throws std::runtime_error on anything else,
// trailing text included. Python's NaN, Infinity and -Infinity are read as
// the numbers they stand for.
class JsonReader {
 public:
  explicit JsonReader(std::string text) : text_(std::move(text)) {}

  Json Read() {
    Json value = Value();
    Space();
    if (at_ != text_.size()) Fail("trailing text");
    return value;
  }

 private:
  [[noreturn]] void Fail(const std::string& what) const {
    throw std::runtime_error("bad JSON at " + std::to_string(at_) + ": " + what);
  }
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
  bool Word(const std::string& word) {
    if (text_.compare(at_, word.size(), word) != 0) return false;
    at_ += word.size();
    return true;
  }

  Json Value() {
    Space();
    if (at_ >= text_.size()) Fail("unexpected end");
    Json value;
    const char c = text_[at_];
    if (c == '{') {
      value.kind = Json::Kind::kObject;
      ++at_;
      if (Take('}')) return value;
      do {
        Space();
        value.keys.push_back(String());
        if (!Take(':')) Fail("expected :");
        value.items.push_back(Value());
      } while (Take(','));
      if (!Take('}')) Fail("expected }");
    } else if (c == '[') {
      value.kind = Json::Kind::kArray;
      ++at_;
      if (Take(']')) return value;
      do value.items.push_back(Value());
      while (Take(','));
      if (!Take(']')) Fail("expected ]");
    } else if (c == '"') {
      value.kind = Json::Kind::kString;
      value.text = String();
    } else if (Word("true")) {
      value.kind = Json::Kind::kBool;
      value.boolean = true;
    } else if (Word("false")) {
      value.kind = Json::Kind::kBool;
    } else if (Word("null")) {
    } else if (Word("NaN")) {
      value.kind = Json::Kind::kNumber;
      value.number = std::numeric_limits<double>::quiet_NaN();
    } else if (Word("Infinity")) {
      value.kind = Json::Kind::kNumber;
      value.number = std::numeric_limits<double>::infinity();
    } else if (Word("-Infinity")) {
      value.kind = Json::Kind::kNumber;
      value.number = -std::numeric_limits<double>::infinity();
    } else {
      value.kind = Json::Kind::kNumber;
      // strtod, not stod: a subnormal number is a value here, not an error.
      const char* begin = text_.c_str() + at_;
      char* end = nullptr;
      value.number = std::strtod(begin, &end);
      if (end == begin) Fail("unexpected character");
      at_ += static_cast<std::size_t>(end - begin);
    }
    return value;
  }

  unsigned Hex4() {
    if (at_ + 4 > text_.size()) Fail("short escape");
    const std::string digits = text_.substr(at_, 4);
    if (digits.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) Fail("bad escape");
    at_ += 4;
    return static_cast<unsigned>(std::stoul(digits, nullptr, 16));
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
    if (at_ >= text_.size() || text_[at_] != '"') Fail("expected a string");
    ++at_;
    std::string out;
    while (at_ < text_.size() && text_[at_] != '"') {
      char c = text_[at_++];
      if (c != '\\') {
        out += c;
        continue;
      }
      if (at_ >= text_.size()) Fail("unterminated escape");
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
            const unsigned low = Hex4();
            if (low < 0xDC00 || low > 0xDFFF) Fail("bad surrogate pair");
            code = 0x10000 + ((code - 0xD800) << 10) + (low - 0xDC00);
          }
          PutUtf8(out, code);
          break;
        }
        default: out += c;
      }
    }
    if (at_ >= text_.size()) Fail("unterminated string");
    ++at_;
    return out;
  }

  std::string text_;
  std::size_t at_ = 0;
};

}  // namespace verdin::testing
