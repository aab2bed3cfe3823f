#include "core/text_forms.h"

#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <utility>
#include <vector>

namespace verdin {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

TEST(TextFormsGeneral, ShortestFormWithDecimalComma) {
  EXPECT_EQ(GeneralForm(0.15), "0,15");
  EXPECT_EQ(GeneralForm(33.6), "33,6");
  EXPECT_EQ(GeneralForm(1.0), "1");
  EXPECT_EQ(GeneralForm(0.0), "0");
  EXPECT_EQ(GeneralForm(-2.5), "-2,5");
  EXPECT_EQ(GeneralForm(0.1 + 0.2), "0,3");
  EXPECT_EQ(GeneralForm(1.0 / 3.0), "0,333333333333333");
  EXPECT_EQ(GeneralForm(2.0 / 3.0), "0,666666666666667");
  EXPECT_EQ(GeneralForm(50920.634999999995), "50920,635");
  EXPECT_EQ(GeneralForm(123456.0), "123456");
}

TEST(TextFormsGeneral, NegativeZeroPrintsZero) {
  EXPECT_EQ(GeneralForm(-0.0), "0");
  EXPECT_EQ(SingleForm(-0.0f), "0");
}

TEST(TextFormsGeneral, ExponentFormWithSignAndTwoDigits) {
  EXPECT_EQ(GeneralForm(1e-05), "1E-05");
  EXPECT_EQ(GeneralForm(0.0001), "0,0001");
  EXPECT_EQ(GeneralForm(0.00001234), "1,234E-05");
  EXPECT_EQ(GeneralForm(1e15), "1E+15");
  EXPECT_EQ(GeneralForm(1e14), "100000000000000");
  EXPECT_EQ(GeneralForm(123456789012345678.0), "1,23456789012346E+17");
  EXPECT_EQ(GeneralForm(-1.5e100), "-1,5E+100");
  EXPECT_EQ(GeneralForm(1e-300), "1E-300");
}

// The 15-digit general form as std::to_chars writes it, with comma and
// upper-case exponent: what GeneralForm gives for every finite value.
std::string GeneralByToChars(double value) {
  if (value == 0) return "0";
  char buffer[64];
  const auto result = std::to_chars(buffer, buffer + sizeof buffer, value, std::chars_format::general, 15);
  std::string text(buffer, result.ptr);
  for (char& c : text) {
    if (c == '.') c = ',';
    if (c == 'e') c = 'E';
  }
  return text;
}

// Whole numbers and values with up to three decimals are written without
// the general conversion; the text must not change for any value.
TEST(TextFormsGeneral, WholeAndThousandthsValuesMatchTheGeneralConversion) {
  for (std::int64_t n = -1'000'000; n <= 1'000'000; ++n) {
    for (const double value : {static_cast<double>(n), static_cast<double>(n) / 100,
                               static_cast<double>(n) / 1000}) {
      ASSERT_EQ(GeneralForm(value), GeneralByToChars(value)) << n;
    }
  }
  std::mt19937_64 random(20261208);
  std::uniform_int_distribution<std::int64_t> digits(1, 16);
  for (int i = 0; i < 400'000; ++i) {
    std::int64_t most = 1;
    for (std::int64_t d = digits(random); d > 0; --d) most *= 10;
    const auto n = static_cast<std::int64_t>(random() % static_cast<std::uint64_t>(most)) * (random() % 2 ? 1 : -1);
    const double hundredths = static_cast<double>(n) / 100;
    const double thousandths = static_cast<double>(n) / 1000;
    const double values[] = {static_cast<double>(n), hundredths, thousandths, static_cast<double>(n) / 10,
                             std::nextafter(hundredths, 0.0), std::nextafter(hundredths, kInfinity),
                             std::nextafter(thousandths, 0.0), std::nextafter(thousandths, kInfinity),
                             hundredths * 1.1, std::bit_cast<double>(random())};
    for (const double value : values) {
      if (std::isfinite(value)) {
        ASSERT_EQ(GeneralForm(value), GeneralByToChars(value)) << n;
      }
    }
  }
  for (const double value : {1e12, -1e12, 999999999999.999, -999999999999.999, 9999999999999.99, 999999999999999.0,
                             1e15, 1e16, 0.001, -0.001, 0.0005, 0.01, 0.005, 0.1 + 0.2, 4503599627370496.5,
                             9007199254740993.0}) {
    EXPECT_EQ(GeneralForm(value), GeneralByToChars(value)) << value;
  }
  EXPECT_EQ(StrForm(1234.5), " 1234.5");
  EXPECT_EQ(LineFileForm(-0.25), "-,25 ");
}

TEST(TextFormsGeneral, NonFiniteValuesAreNamedInWords) {
  EXPECT_EQ(GeneralForm(kInfinity), "бесконечность");
  EXPECT_EQ(GeneralForm(-kInfinity), "-бесконечность");
  EXPECT_EQ(GeneralForm(std::nan("")), "не число");
  // Neither word may be read back as a number.
  EXPECT_FALSE(ParseTypedNumber(GeneralForm(kInfinity)).has_value());
  EXPECT_FALSE(HasLeadingNumber(LineFileForm(std::nan(""))));
}

TEST(TextFormsSingle, SevenSignificantDigits) {
  EXPECT_EQ(SingleForm(0.1f), "0,1");
  EXPECT_EQ(SingleForm(1.0f / 3.0f), "0,3333333");
  EXPECT_EQ(SingleForm(33.6f), "33,6");
  EXPECT_EQ(SingleForm(1234567.0f), "1234567");
  EXPECT_EQ(SingleForm(12345678.0f), "1,234568E+07");
  EXPECT_EQ(SingleForm(-0.000012f), "-1,2E-05");
}

TEST(TextFormsLineFile, BlankOrMinusInFrontBlankAfterNoLeadingZero) {
  EXPECT_EQ(LineFileForm(0.15), " ,15 ");
  EXPECT_EQ(LineFileForm(33.6), " 33,6 ");
  EXPECT_EQ(LineFileForm(-1.0), "-1 ");
  EXPECT_EQ(LineFileForm(0.0), " 0 ");
  EXPECT_EQ(LineFileForm(-0.0), " 0 ");
  EXPECT_EQ(LineFileForm(3.0), " 3 ");
  EXPECT_EQ(LineFileForm(-0.5), "-,5 ");
  EXPECT_EQ(LineFileForm(10.05), " 10,05 ");
  EXPECT_EQ(LineFileForm(1e-05), " 1E-05 ");
  EXPECT_EQ(LineFileForm(-1e15), "-1E+15 ");
}

TEST(TextFormsLineFile, EveryWrittenNumberReadsBackAsWritten) {
  for (const double value : {0.15, 33.6, -1.0, 0.0, -0.5, 1e-05, 1e15,
                             50920.634999999995, 4.5, 123456789012345678.0,
                             -0.000123, 1.0 / 3.0}) {
    const std::optional<double> back = ParseTypedNumber(LineFileForm(value));
    ASSERT_TRUE(back.has_value()) << LineFileForm(value);
    EXPECT_EQ(GeneralForm(*back), GeneralForm(value));
    EXPECT_NEAR(*back, value, std::fabs(value) * 1e-14);
  }
}

TEST(TextFormsStr, BlankOrMinusInFrontAndPeriod) {
  EXPECT_EQ(StrForm(1.0), " 1");
  EXPECT_EQ(StrForm(3.0), " 3");
  EXPECT_EQ(StrForm(4.5), " 4.5");
  EXPECT_EQ(StrForm(-2.25), "-2.25");
  EXPECT_EQ(StrForm(0.5), " 0.5");
  EXPECT_EQ(StrForm(0.0), " 0");
  EXPECT_EQ(StrForm(-0.0), " 0");
  EXPECT_EQ(StrForm(1e-05), " 1E-05");
  EXPECT_EQ(StrForm(123456789012345678.0), " 1.23456789012346E+17");
}

TEST(TextFormsFixedThree, ThreeDecimalsWithComma) {
  EXPECT_EQ(FixedThreeForm(2.5), "2,500");
  EXPECT_EQ(FixedThreeForm(0.0), "0,000");
  EXPECT_EQ(FixedThreeForm(12345.6789), "12345,679");
  EXPECT_EQ(FixedThreeForm(-1.5), "-1,500");
  EXPECT_EQ(FixedThreeForm(0.9995), "1,000");  // exactly 0.99950000000000005...
  EXPECT_EQ(FixedThreeForm(999.9996), "1000,000");
  EXPECT_EQ(FixedThreeForm(1e20), "100000000000000000000,000");
  EXPECT_EQ(FixedThreeForm(5e-324), "0,000");
}

TEST(TextFormsFixedThree, ExactTiesRoundAwayFromZero) {
  // 0.0625 and 2.0625 are exact binary values: true ties.
  EXPECT_EQ(FixedThreeForm(0.0625), "0,063");
  EXPECT_EQ(FixedThreeForm(2.0625), "2,063");
  EXPECT_EQ(FixedThreeForm(-2.0625), "-2,063");
  EXPECT_EQ(FixedThreeForm(0.1875), "0,188");
  EXPECT_EQ(FixedThreeForm(0.4375), "0,438");
}

TEST(TextFormsFixedThree, RoundingJudgedOnTheExactStoredValue) {
  // 1.0005 is stored as 1.000499999...; 2.675 as 2.67499999...
  EXPECT_EQ(FixedThreeForm(1.0005), "1,000");
  EXPECT_EQ(FixedThreeForm(2.675), "2,675");
  EXPECT_EQ(FixedThreeForm(2.6745), "2,675");  // stored as 2.67450000...01
  EXPECT_EQ(FixedThreeForm(0.0004999), "0,000");
}

TEST(TextFormsFixedThree, NegativeValueRoundingToZeroHasNoMinus) {
  EXPECT_EQ(FixedThreeForm(-0.0004), "0,000");
  EXPECT_EQ(FixedThreeForm(-0.0), "0,000");
  EXPECT_EQ(FixedThreeForm(-0.0006), "-0,001");
}

TEST(TextFormsThousandths, FloorToThreeDecimals) {
  // 50920,634999999995 is 18552,02 + 2000 x 64737,23 / 4000 = 50920,635 in
  // binary arithmetic: a hair below is no thousandth less.
  EXPECT_EQ(TruncateToThousandths(50920.634999999995), 50920.635);
  EXPECT_EQ(RoundDownToThousandths(50920.634999999995), 50920.635);
  EXPECT_DOUBLE_EQ(TruncateToThousandths(50920.6349), 50920.634);
  EXPECT_DOUBLE_EQ(TruncateToThousandths(2.9999), 2.999);
  EXPECT_DOUBLE_EQ(TruncateToThousandths(1.5), 1.5);
  EXPECT_DOUBLE_EQ(TruncateToThousandths(0.1 + 0.2), 0.3);
  EXPECT_DOUBLE_EQ(TruncateToThousandths(0.0), 0.0);
  // Downwards, not towards zero.
  EXPECT_DOUBLE_EQ(TruncateToThousandths(-0.0001), -0.001);
  EXPECT_DOUBLE_EQ(RoundDownToThousandths(-2.0625), -2.063);
}

// Products of decimal inputs that binary arithmetic lands a hair below (or
// above) their exact value keep their last thousandth; a true fraction
// below it is still cut.
TEST(TextFormsThousandths, DecimalProductsKeepTheirLastThousandth) {
  struct Case {
    double value;
    const char* shown;
  };
  const double lmax = 3.9;
  const double lmin = 3.1;
  const std::vector<Case> cases = {
      {3.6999999999999997 * 125, "462,5"},            // 12,5 x 1000 x 3,7 / 100 with L interpolated
      {0.1 * 3, "0,3"},                                // 0,30000000000000004
      {1.1 * 1.1 * 100, "121"},                        // 121,00000000000003
      {18552.02 + (2000 * 64737.23) / 4000, "50920,635"},
      {4.35 * 100 / 100, "4,35"},
      {1.005 * 1000 / 1000, "1,005"},
      {(lmax - (lmax - lmin) * (3 - 1) / (5 - 1)) * 30, "105"},  // 3,5 % of 3000
      {462.4999, "462,499"},                           // a real fraction below stays cut
      {0.0009999, "0"},
      {-0.0001, "-0,001"},
  };
  for (const Case& c : cases) EXPECT_EQ(GeneralForm(TruncateToThousandths(c.value)), c.shown) << c.value;
}

TEST(TextFormsThousandths, HugeValuesDoNotOverflow) {
  EXPECT_EQ(RoundDownToThousandths(1e306), 1e306);
  EXPECT_EQ(TruncateToThousandths(-1.7e308), -1.7e308);
}

TEST(TextFormsParse, AcceptsCommaPeriodSignBlanksAndExponent) {
  EXPECT_EQ(ParseTypedNumber("1,5"), 1.5);
  EXPECT_EQ(ParseTypedNumber("1.5"), 1.5);
  EXPECT_EQ(ParseTypedNumber("  -2,25\t"), -2.25);
  EXPECT_EQ(ParseTypedNumber("+3"), 3.0);
  EXPECT_EQ(ParseTypedNumber("1E-05"), 1e-05);
  EXPECT_EQ(ParseTypedNumber("1,5e3"), 1500.0);
  EXPECT_EQ(ParseTypedNumber("2e+2"), 200.0);
  EXPECT_EQ(ParseTypedNumber(",5"), 0.5);
  EXPECT_EQ(ParseTypedNumber("-,5"), -0.5);
  EXPECT_EQ(ParseTypedNumber("5,"), 5.0);
  EXPECT_EQ(ParseTypedNumber("007"), 7.0);
  EXPECT_EQ(ParseTypedNumber("50920,634999999995"), 50920.634999999995);
  EXPECT_EQ(ParseTypedNumber("0e999999999999999999"), 0.0);
}

// The value from_chars gives for the text with a period: the reference a
// typed number must match to the last bit.
double FromCharsWithPeriod(std::string text) {
  for (char& c : text) {
    if (c == ',') c = '.';
  }
  double value = 0;
  const auto result = std::from_chars(text.data(), text.data() + text.size(), value);
  EXPECT_EQ(result.ec, std::errc()) << text;
  return value;
}

// A random number text: a sign or none, 1 to 25 digits (leading zeros
// included), a comma or a period anywhere among them or none.
std::string RandomNumberText(std::mt19937_64& random) {
  std::uniform_int_distribution<int> digit(0, 9);
  std::uniform_int_distribution<int> length(1, 25);
  std::string digits;
  for (int n = length(random); n > 0; --n) digits.push_back(static_cast<char>('0' + digit(random)));
  if (random() % 4 != 0) {
    const std::size_t at = random() % (digits.size() + 1);
    digits.insert(at, 1, random() % 2 == 0 ? ',' : '.');
    if (digits == "," || digits == ".") digits.insert(0, "0");
  }
  const char* signs[] = {"", "-", "+"};
  return signs[random() % 3] + digits;
}

TEST(TextFormsParse, GeneratedNumbersMatchFromCharsBitForBit) {
  std::mt19937_64 random(20261208);
  for (int n = 0; n < 200'000; ++n) {
    const std::string text = RandomNumberText(random);
    const std::optional<double> parsed = ParseTypedNumber(text);
    ASSERT_TRUE(parsed.has_value()) << text;
    const std::string plain = text.front() == '+' ? text.substr(1) : text;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(FromCharsWithPeriod(plain)))
        << text;
  }
}

TEST(TextFormsParse, WrittenValuesReadBackBitForBit) {
  // Prices and indicators as the database and the input-data file hold
  // them: GeneralForm of random values, at most 15 significant digits.
  std::mt19937_64 random(7);
  std::uniform_real_distribution<double> exponent(-6, 15);
  for (int n = 0; n < 100'000; ++n) {
    const double value = std::pow(10.0, exponent(random)) * (random() % 2 == 0 ? 1 : -1);
    for (const double stored : {value, std::floor(value * 100) / 100}) {
      const std::string text = GeneralForm(stored);
      const std::optional<double> parsed = ParseTypedNumber("  " + text + "\t");
      ASSERT_TRUE(parsed.has_value()) << text;
      ASSERT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(FromCharsWithPeriod(text)))
          << text;
    }
  }
}

TEST(TextFormsParse, BordersOfTheExactRange) {
  const struct {
    const char* text;
    double value;
  } cases[] = {
      {"9007199254740992", 9007199254740992.0},       // 2^53
      {"9007199254740993", 9007199254740992.0},       // 2^53 + 1 rounds to even
      {"9007199254740995", 9007199254740996.0},
      {"1234567890123456789", 1234567890123456789.0},  // 19 digits
      {"12345678901234567890", 12345678901234567890.0},
      {"0,0000000000000000000001", 1e-22},             // 22 decimals
      {"0,00000000000000000000001", 1e-23},
      {"-0,000", -0.0},
  };
  for (const auto& c : cases) {
    const std::optional<double> parsed = ParseTypedNumber(c.text);
    ASSERT_TRUE(parsed.has_value()) << c.text;
    EXPECT_EQ(std::bit_cast<std::uint64_t>(*parsed), std::bit_cast<std::uint64_t>(c.value)) << c.text;
  }
}

TEST(TextFormsParse, NegativeZeroKeepsItsValue) {
  const std::optional<double> zero = ParseTypedNumber("-0");
  ASSERT_TRUE(zero.has_value());
  EXPECT_EQ(*zero, 0.0);
  EXPECT_EQ(GeneralForm(*zero), "0");
}

TEST(TextFormsParse, RejectsAnythingThatIsNotOneNumber) {
  for (const char* text :
       {"", "   ", "\t", "-", "+", ",", ".", "-,", "1,2,3", "1.2.3", "1,2.3",
        "1 000", "12a", "abc", "a1", "inf", "-inf", "nan", "infinity",
        "0x1A", "1e", "1e+", "e5", ",e5", "--1", "+-1", "- 1", "1e5.5",
        "1e5e5", "1\n", "\xe2\x88\x92" "1", "1\xc2\xa0", "١"}) {
    EXPECT_FALSE(ParseTypedNumber(text).has_value()) << '"' << text << '"';
  }
}

TEST(TextFormsParse, OverflowIsNotANumberUnderflowIsZero) {
  EXPECT_FALSE(ParseTypedNumber("1E400").has_value());
  EXPECT_FALSE(ParseTypedNumber("-1e99999999999999999999").has_value());
  EXPECT_FALSE(ParseTypedNumber(std::string(400, '9')).has_value());
  EXPECT_EQ(ParseTypedNumber("1E-400"), 0.0);
  EXPECT_EQ(ParseTypedNumber("0," + std::string(400, '0') + "1"), 0.0);
  EXPECT_EQ(ParseTypedNumber("1e-99999999999999999999"), 0.0);
  const std::optional<double> max = ParseTypedNumber("1,7976931348623157E+308");
  ASSERT_TRUE(max.has_value());
  EXPECT_EQ(*max, std::numeric_limits<double>::max());
}

TEST(TextFormsLeading, StopsAtTheFirstOtherCharacter) {
  EXPECT_EQ(LeadingNumber("  -12.5abc"), -12.5);
  EXPECT_EQ(LeadingNumber(".5"), 0.5);
  EXPECT_EQ(LeadingNumber("-.5"), -0.5);
  EXPECT_EQ(LeadingNumber("4,2"), 4.0);
  EXPECT_EQ(LeadingNumber("12.34.5"), 12.34);
  EXPECT_EQ(LeadingNumber("1e5"), 1.0);
  EXPECT_EQ(LeadingNumber("+7"), 7.0);
  EXPECT_EQ(LeadingNumber("5."), 5.0);
  EXPECT_EQ(LeadingNumber("\t 3 "), 3.0);
  EXPECT_EQ(LeadingNumber("0,35"), 0.0);
}

TEST(TextFormsLeading, NoNumberGivesZeroAndHasLeadingNumberAgrees) {
  for (const char* text : {"", "abc", "-", "+", ".", "-.", "- 5", "x3", ",5"}) {
    EXPECT_EQ(LeadingNumber(text), 0.0) << '"' << text << '"';
    EXPECT_FALSE(HasLeadingNumber(text)) << '"' << text << '"';
  }
  for (const char* text : {"0", " -3x", ".5", "7.", "  +0.0abc", "1e5"}) {
    EXPECT_TRUE(HasLeadingNumber(text)) << '"' << text << '"';
  }
}

TEST(TextFormsLeading, EndlessDigitsGiveInfinityNotGarbage) {
  EXPECT_EQ(LeadingNumber(std::string(400, '9')), kInfinity);
  EXPECT_EQ(LeadingNumber("-" + std::string(400, '9')), -kInfinity);
  EXPECT_EQ(LeadingNumber("0." + std::string(400, '0') + "1"), 0.0);
}

TEST(TextFormsTrim, RemovesOnlySpacesAtBothEnds) {
  EXPECT_EQ(Trim("  a b  "), "a b");
  EXPECT_EQ(Trim(""), "");
  EXPECT_EQ(Trim("    "), "");
  EXPECT_EQ(Trim("\ta\t"), "\ta\t");
  EXPECT_EQ(Trim(" x\r\n "), "x\r\n");
  EXPECT_EQ(Trim(" Смета "), "Смета");
}

struct CharacterCase {
  std::string text;
  std::size_t count;
  std::string first;        // FirstCharacters(text, count)
  std::string withoutLast;  // WithoutLastCharacters(text, count)
};

TEST(TextFormsCharacters, CutsWholeUtf8CharactersNeverBytes) {
  const std::vector<CharacterCase> cases = {
      {"смета1", 4, "смет", "см"},
      {"смет", 4, "смет", ""},
      {"смет", 5, "смет", ""},
      {"/d/смета.isx", 4, "/d/с", "/d/смета"},
      {"a€b😀", 2, "a€", "a€"},
      {"a€b😀", 1, "a", "a€b"},
      {"", 3, "", ""},
      {"abc", 0, "", "abc"},
  };
  for (const CharacterCase& c : cases) {
    EXPECT_EQ(FirstCharacters(c.text, c.count), c.first) << c.text << " " << c.count;
    EXPECT_EQ(WithoutLastCharacters(c.text, c.count), c.withoutLast) << c.text << " " << c.count;
  }
  EXPECT_EQ(CharacterCount("смета1"), 6U);
  EXPECT_EQ(CharacterCount("a€b😀"), 4U);
  EXPECT_EQ(CharacterCount(""), 0U);
  // A stray continuation byte is one character, never a crash or a cut inside.
  EXPECT_EQ(CharacterCount("\x80\x80" "a"), 2U);
  EXPECT_EQ(WithoutLastCharacters("\x80\x80" "a", 1), "\x80\x80");
  EXPECT_EQ(WithoutLastCharacters("\x80\x80" "a", 2), "");
}

TEST(TextFormsControlBytes, ShownAsHexEscapesAndNothingElseChanges) {
  using namespace std::string_literals;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"звонок\x07", "звонок\\x07"},
      {"\x1B[31mкрасный", "\\x1B[31mкрасный"},
      {"до\0после"s, "до\\x00после"},
      {"\t\r\n\x7F", "\\x09\\x0D\\x0A\\x7F"},
      {"обычный текст ~ \\ «»", "обычный текст ~ \\ «»"},
      {"", ""},
  };
  for (const auto& [text, shown] : cases) {
    EXPECT_EQ(ShowControlBytes(text), shown) << shown;
    EXPECT_EQ(ShowControlBytes(text).find('\0'), std::string::npos);
  }
}

}  // namespace
}  // namespace verdin
