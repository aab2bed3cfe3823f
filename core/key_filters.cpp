#include "core/key_filters.h"

namespace verdin {

namespace {

constexpr int kBackspace = 8;

bool IsDigit(int code) { return code >= '0' && code <= '9'; }

KeyFilterResult Swallow() { return {0, true}; }

}  // namespace

KeyFilterResult FilterDecimalKey(int code) {
  if (code == 0 || code == kBackspace || code == ',' || IsDigit(code)) return {code, false};
  if (code == '.') return {',', false};
  return Swallow();
}

KeyFilterResult FilterDigitKey(int code) {
  if (code == 0 || code == kBackspace || IsDigit(code)) return {code, false};
  return Swallow();
}

KeyFilterResult FilterSignedDecimalKey(int code) {
  if (code == '-') return {code, false};
  return FilterDecimalKey(code);
}

}  // namespace verdin
