// A whole number of roubles in Russian words.
//
// The words are built group by group -- milliards, millions, thousands,
// units -- each group as hundreds, tens and a residual of 0 to 19, the
// residual choosing the form of the scale word. Every word ends with one
// blank, so the finished words end with a blank too.
//
// The estimate's totals are positive and far below a trillion, but the
// function answers soundly for any double:
// - a fraction: the words name the whole roubles (the fraction cut off),
//   the figures are rounded half away from zero;
// - a negative amount: the figures keep their minus sign, the words are
//   those of the absolute value after "минус ";
// - a trillion and more: the milliards count grows beyond 999 and is itself
//   written in words ("одна тысяча двести тридцать четыре миллиарда");
// - NaN and the infinities: the figures in the general form, no words.
#include "core/amount_in_words.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string_view>

#include "core/text_forms.h"
#include "core/rounding.h"

namespace verdin {
namespace {

constexpr std::string_view kMasculine = "Мужской";
constexpr std::string_view kFeminine = "Женский";

constexpr std::array<std::string_view, 20> kUnits = {
    "",            "один ",        "два ",          "три ",
    "четыре ",     "пять ",        "шесть ",        "семь ",
    "восемь ",     "девять ",      "десять ",       "одиннадцать ",
    "двенадцать ", "тринадцать ",  "четырнадцать ", "пятнадцать ",
    "шестнадцать ", "семнадцать ", "восемнадцать ", "девятнадцать "};

constexpr std::array<std::string_view, 10> kTens = {
    "",          "",           "двадцать ",   "тридцать ",    "сорок ",
    "пятьдесят ", "шестьдесят ", "семьдесят ", "восемьдесят ", "девяносто "};

constexpr std::array<std::string_view, 10> kHundreds = {
    "",          "сто ",      "двести ",   "триста ",   "четыреста ",
    "пятьсот ",  "шестьсот ", "семьсот ",  "восемьсот ", "девятьсот "};

// The largest amount the four groups can write: 999 milliards and the rest.
constexpr std::int64_t kLargestInGroups = 999'999'999'999;

// Milliards hold nine digits of the amount.
constexpr std::size_t kMilliardDigits = 9;

enum class Scale { kMilliards, kMillions, kThousands, kUnits };

struct Group {
  std::int64_t divisor;
  std::string_view gender;
  Scale scale;
};

constexpr std::array<Group, 4> kGroups = {{
    {1'000'000'000, kMasculine, Scale::kMilliards},
    {1'000'000, kMasculine, Scale::kMillions},
    {1'000, kFeminine, Scale::kThousands},
    {1, kMasculine, Scale::kUnits},
}};

std::string ScaleWord(Scale scale, int residual) {
  switch (scale) {
    case Scale::kMilliards: return MilliardWord(residual);
    case Scale::kMillions: return MillionWord(residual);
    case Scale::kThousands: return ThousandWord(residual);
    case Scale::kUnits: break;
  }
  return "";
}

// Appends the words of n, 0 <= n <= 999 999 999 999, group by group.
void AppendGroups(std::int64_t n, std::string& words) {
  for (const Group& group : kGroups) {
    std::int64_t g = n / group.divisor;
    if (g == 0) continue;
    const std::int64_t hundreds = g / 100;
    words += HundredsText(static_cast<int>(hundreds));
    n -= hundreds * 100 * group.divisor;
    g -= hundreds * 100;
    if (g > 19) {
      const std::int64_t tens = g / 10;
      words += TensText(static_cast<int>(tens));
      n -= tens * 10 * group.divisor;
      g -= tens * 10;
    }
    const int residual = static_cast<int>(g);
    words += UnitsText(residual, std::string(group.gender));
    n -= residual * group.divisor;
    words += ScaleWord(group.scale, residual);
  }
}

std::int64_t DigitsValue(std::string_view digits) {
  std::int64_t value = 0;
  for (char c : digits) value = value * 10 + (c - '0');
  return value;
}

// The residual of the last group of a number given by its decimal digits:
// what is left of its last three digits after the hundreds and, above 19,
// the tens.
int LastResidual(std::string_view digits) {
  const std::size_t take = digits.size() < 3 ? digits.size() : 3;
  const int last = static_cast<int>(DigitsValue(digits.substr(digits.size() - take)));
  const int below_hundred = last % 100;
  return below_hundred > 19 ? below_hundred % 10 : below_hundred;
}

// Appends the words of a whole number given by its decimal digits (no sign,
// no leading zeros). Beyond the four groups the milliards count is written
// in words itself, which keeps any number of digits within 64 bits.
void AppendDigits(std::string_view digits, std::string& words) {
  if (digits.size() <= 12) {
    AppendGroups(DigitsValue(digits), words);
    return;
  }
  const std::string_view milliards = digits.substr(0, digits.size() - kMilliardDigits);
  const std::string_view rest = digits.substr(digits.size() - kMilliardDigits);
  AppendDigits(milliards, words);
  words += MilliardWord(LastResidual(milliards));
  AppendGroups(DigitsValue(rest), words);
}

// The exact decimal digits of a whole, non-negative double.
std::string WholeDigits(double whole) {
  const int size = std::snprintf(nullptr, 0, "%.0f", whole);
  std::string text(static_cast<std::size_t>(size) + 1, '\0');
  std::snprintf(text.data(), text.size(), "%.0f", whole);
  text.resize(static_cast<std::size_t>(size));
  return text;
}

// The format "0": the amount rounded half away from zero, no decimals, no
// grouping; a negative amount that rounds to zero shows "0", not "-0".
std::string WholeFigures(double amount) {
  const double rounded = RoundHalfAwayFromZero(amount);
  if (rounded == 0) return "0";
  if (rounded < 0) return "-" + WholeDigits(-rounded);
  return WholeDigits(rounded);
}

// Upper-cases the first letter: a Latin letter or a Russian one, which takes
// two bytes in UTF-8. Anything else stays as it is.
void CapitaliseFirst(std::string& words) {
  if (words.empty()) return;
  const auto first = static_cast<unsigned char>(words[0]);
  if (first >= 'a' && first <= 'z') {
    words[0] = static_cast<char>(first - 'a' + 'A');
    return;
  }
  if (words.size() < 2) return;
  const auto second = static_cast<unsigned char>(words[1]);
  if (first == 0xD0 && second >= 0xB0 && second <= 0xBF) {
    // а..п -> А..П
    words[1] = static_cast<char>(second - 0x20);
  } else if (first == 0xD1 && second >= 0x80 && second <= 0x8F) {
    // р..я -> Р..Я
    words[0] = static_cast<char>(0xD0);
    words[1] = static_cast<char>(second + 0x20);
  } else if (first == 0xD1 && second == 0x91) {
    // ё -> Ё
    words[0] = static_cast<char>(0xD0);
    words[1] = static_cast<char>(0x81);
  }
}

}  // namespace

std::string UnitsText(int value, const std::string& gender) {
  if (value < 1 || value > 19) return "";
  if (gender != kMasculine) {
    if (value == 1) return "одна ";
    if (value == 2) return "две ";
  }
  return std::string(kUnits[static_cast<std::size_t>(value)]);
}

std::string TensText(int value) {
  if (value < 2 || value > 9) return "";
  return std::string(kTens[static_cast<std::size_t>(value)]);
}

std::string HundredsText(int value) {
  if (value < 1 || value > 9) return "";
  return std::string(kHundreds[static_cast<std::size_t>(value)]);
}

std::string ThousandWord(int residual) {
  if (residual == 1) return "тысяча ";
  if (residual > 1 && residual < 5) return "тысячи ";
  return "тысяч ";
}

std::string MillionWord(int residual) {
  if (residual == 1) return "миллион ";
  if (residual > 1 && residual < 5) return "миллиона ";
  return "миллионов ";
}

std::string MilliardWord(int residual) {
  if (residual == 1) return "миллиард ";
  if (residual > 1 && residual < 5) return "миллиарда ";
  return "миллиардов ";
}

std::string AmountInWords(double amount) {
  if (!std::isfinite(amount)) return GeneralForm(amount) + " () руб.";

  // The words name the whole roubles of the amount; a negative amount is
  // named by its absolute value after "минус ".
  const double whole = std::floor(std::fabs(amount));
  std::string words;
  if (whole <= static_cast<double>(kLargestInGroups)) {
    AppendGroups(static_cast<std::int64_t>(whole), words);
  } else {
    AppendDigits(WholeDigits(whole), words);
  }
  if (amount < 0 && !words.empty()) words.insert(0, "минус ");
  CapitaliseFirst(words);

  return WholeFigures(amount) + " (" + words + ") руб.";
}

}  // namespace verdin
