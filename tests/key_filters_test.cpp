#include "core/key_filters.h"

#include <gtest/gtest.h>

#include <string>

namespace verdin {
namespace {

using Filter = KeyFilterResult (*)(int);

struct NamedFilter {
  const char* name;
  Filter filter;
};

constexpr NamedFilter kAllFilters[] = {{"decimal", FilterDecimalKey},
                                       {"digit", FilterDigitKey},
                                       {"signed", FilterSignedDecimalKey}};

void ExpectPassed(Filter filter, int code) {
  const KeyFilterResult result = filter(code);
  EXPECT_EQ(result.code, code) << "code " << code;
  EXPECT_FALSE(result.beep) << "code " << code;
}

void ExpectSwallowed(Filter filter, int code) {
  const KeyFilterResult result = filter(code);
  EXPECT_EQ(result.code, 0) << "code " << code;
  EXPECT_TRUE(result.beep) << "code " << code;
}

TEST(KeyFilterCommon, DigitsBackspaceAndNullPassEveryFilter) {
  for (const NamedFilter& named : kAllFilters) {
    SCOPED_TRACE(named.name);
    for (int code = '0'; code <= '9'; ++code) ExpectPassed(named.filter, code);
    ExpectPassed(named.filter, 8);
    ExpectPassed(named.filter, 0);
  }
}

TEST(KeyFilterCommon, LettersSignsAndOtherCodesAreSwallowedWithBeep) {
  const int others[] = {'a', 'Z', 'e', 'E', ' ', '+', '/', ':', '\r', '\t', 27, 127,
                        0x0430, 0x0410, 0x0451, 0x044F, 0x00A0, 0x2212, -1, 0x10FFFF};
  for (const NamedFilter& named : kAllFilters) {
    SCOPED_TRACE(named.name);
    for (const int code : others) ExpectSwallowed(named.filter, code);
  }
}

TEST(KeyFilterDecimal, PointBecomesCommaAndCommaPasses) {
  for (const Filter filter : {FilterDecimalKey, FilterSignedDecimalKey}) {
    const KeyFilterResult point = filter('.');
    EXPECT_EQ(point.code, ',');
    EXPECT_FALSE(point.beep);
    ExpectPassed(filter, ',');
  }
}

TEST(KeyFilterDecimal, MinusPassesOnlyTheSignedFilter) {
  ExpectPassed(FilterSignedDecimalKey, '-');
  ExpectSwallowed(FilterDecimalKey, '-');
  ExpectSwallowed(FilterDigitKey, '-');
}

TEST(KeyFilterDigit, CommaAndPointAreSwallowed) {
  ExpectSwallowed(FilterDigitKey, ',');
  ExpectSwallowed(FilterDigitKey, '.');
}

}  // namespace
}  // namespace verdin
