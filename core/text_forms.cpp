#include "core/text_forms.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <optional>
#include <system_error>
#include <type_traits>
#include <utility>

#include "core/rounding.h"

namespace verdin {
namespace {

// Texts shown instead of a number that is not finite. They are plain
// Russian words so that no reader of the program mistakes them for a
// number (a form like "1,#INF" would be read back as 1).
constexpr std::string_view kPositiveInfinityText = "бесконечность";
constexpr std::string_view kNegativeInfinityText = "-бесконечность";
constexpr std::string_view kNotANumberText = "не число";

std::string NonFiniteText(double value) {
  if (std::isnan(value)) return std::string(kNotANumberText);
  return std::string(value < 0 ? kNegativeInfinityText : kPositiveInfinityText);
}

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A byte 10xxxxxx: part of a UTF-8 character, not its start.
bool IsContinuationByte(char c) { return (static_cast<unsigned char>(c) & 0xC0) == 0x80; }

// The 15-digit %G text of a value that is a whole number or has at most
// three decimals (amounts are kept in thousandths), without the general
// conversion; nullopt for other values. Such a value is the double nearest
// to a decimal n/1000 of at most 15 digits (it equals n / 1000.0, a
// correctly rounded division), and 15 significant digits give back every
// decimal of that size exactly, so the text is that decimal with its
// trailing zeros dropped.
std::optional<std::string> FewDecimalsText(double value) {
  constexpr double kLimit = 1e12;  // n below 10^15: at most 15 digits, no exponent form
  if (!(std::fabs(value) < kLimit)) return std::nullopt;
  const double scaled = RoundHalfAwayFromZero(value * 1000);
  if (scaled / 1000 != value) return std::nullopt;
  const auto thousandths = static_cast<std::int64_t>(std::fabs(scaled));
  std::array<char, 24> buffer{};
  char* end = buffer.data();
  if (value < 0) *end++ = '-';
  end = std::to_chars(end, buffer.data() + buffer.size(), thousandths / 1000).ptr;
  int fraction = static_cast<int>(thousandths % 1000);
  if (fraction != 0) {
    *end++ = '.';
    for (int unit = 100; fraction != 0; unit /= 10) {
      *end++ = static_cast<char>('0' + fraction / unit);
      fraction %= unit;
    }
  }
  return std::string(buffer.data(), end);
}

// %G-style text of a finite value with the given number of significant
// digits, written with "." and an upper-case "E". std::to_chars does not
// depend on the global locale, unlike printf.
template <typename Number>
std::string GeneralWithPeriod(Number value, int significant_digits) {
  if (value == 0) return "0";  // also turns -0 into "0"
  if constexpr (std::is_same_v<Number, double>) {
    if (significant_digits == 15) {
      if (auto text = FewDecimalsText(value)) return std::move(*text);
    }
  }
  std::array<char, 64> buffer{};
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), value,
                    std::chars_format::general, significant_digits);
  std::string text(buffer.data(), result.ptr);
  for (char& c : text) {
    if (c == 'e') c = 'E';
  }
  return text;
}

std::string WithComma(std::string text) {
  for (char& c : text) {
    if (c == '.') c = ',';
  }
  return text;
}

// Drops the zero in front of the separator: "0,15" -> ",15", "-0,5" -> "-,5".
std::string WithoutLeadingZero(std::string text) {
  const std::size_t digit = (!text.empty() && text[0] == '-') ? 1 : 0;
  if (text.size() > digit + 1 && text[digit] == '0' && text[digit + 1] == ',') {
    text.erase(digit, 1);
  }
  return text;
}

// The exact decimal expansion of a finite, non-negative double. Every
// double is a multiple of 2^-1074, so 1100 fractional digits hold it
// exactly and std::to_chars then performs no rounding at all.
std::string ExactDecimal(double magnitude) {
  constexpr int kFractionDigits = 1100;
  std::string buffer(320 + kFractionDigits, '\0');
  const auto result =
      std::to_chars(buffer.data(), buffer.data() + buffer.size(), magnitude,
                    std::chars_format::fixed, kFractionDigits);
  buffer.resize(static_cast<std::size_t>(result.ptr - buffer.data()));
  return buffer;
}

// Adds one unit in the last place to a string of decimal digits.
void IncrementDigits(std::string& digits) {
  for (auto it = digits.rbegin(); it != digits.rend(); ++it) {
    if (*it != '9') {
      ++*it;
      return;
    }
    *it = '0';
  }
  digits.insert(digits.begin(), '1');
}

// The scanned parts of a typed number, before any conversion.
struct NumberParts {
  bool negative = false;
  std::string_view integer_digits;
  std::string_view fraction_digits;
  std::string_view exponent;  // sign and digits after "E", may be empty
};

// Scans sign, digits, one separator and an optional exponent. Returns
// false when anything else is present or no digit is found.
bool ScanTypedNumber(std::string_view text, NumberParts& parts) {
  std::size_t pos = 0;
  const auto take_digits = [&]() {
    const std::size_t start = pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
    return text.substr(start, pos - start);
  };
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    parts.negative = text[pos] == '-';
    ++pos;
  }
  parts.integer_digits = take_digits();
  if (pos < text.size() && (text[pos] == ',' || text[pos] == '.')) {
    ++pos;
    parts.fraction_digits = take_digits();
  }
  if (parts.integer_digits.empty() && parts.fraction_digits.empty()) {
    return false;
  }
  if (pos < text.size() && (text[pos] == 'E' || text[pos] == 'e')) {
    const std::size_t start = ++pos;
    if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) ++pos;
    if (take_digits().empty()) return false;
    parts.exponent = text.substr(start, pos - start);
  }
  return pos == text.size();
}

std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

bool AllZeros(std::string_view digits) {
  return digits.find_first_not_of('0') == std::string_view::npos;
}

// The decimal exponent of the first significant digit of a number whose
// digits are not all zero, e.g. 2 for 123.4 and -3 for 0.0012 (before the
// written exponent). Exponents too long to matter are saturated.
long long LeadingDigitExponent(const NumberParts& parts) {
  const std::size_t first = parts.integer_digits.find_first_not_of('0');
  long long exponent = 0;
  if (first != std::string_view::npos) {
    exponent = static_cast<long long>(parts.integer_digits.size() - first) - 1;
  } else {
    const std::size_t zeros = parts.fraction_digits.find_first_not_of('0');
    exponent = -static_cast<long long>(zeros) - 1;
  }
  std::string_view written = parts.exponent;
  const bool negative = !written.empty() && written.front() == '-';
  if (!written.empty() && (written.front() == '-' || written.front() == '+')) {
    written.remove_prefix(1);
  }
  long long magnitude = 0;
  for (const char c : written) {
    magnitude = std::min(magnitude * 10 + (c - '0'), 1'000'000'000LL);
  }
  return exponent + (negative ? -magnitude : magnitude);
}

// Converts the scanned digits with std::from_chars, which does not depend
// on the global locale. A value too large for a double gives nullopt; a
// value too small for one gives zero, the nearest double.
std::optional<double> ConvertMagnitude(const NumberParts& parts) {
  if (AllZeros(parts.integer_digits) && AllZeros(parts.fraction_digits)) {
    return 0.0;
  }
  std::string plain;
  plain.reserve(parts.integer_digits.size() + parts.fraction_digits.size() +
                parts.exponent.size() + 3);
  plain.append(parts.integer_digits.empty() ? "0" : parts.integer_digits);
  if (!parts.fraction_digits.empty()) {
    plain.push_back('.');
    plain.append(parts.fraction_digits);
  }
  if (!parts.exponent.empty()) {
    plain.push_back('e');
    plain.append(parts.exponent);
  }
  double value = 0;
  const auto result =
      std::from_chars(plain.data(), plain.data() + plain.size(), value);
  if (result.ec == std::errc::result_out_of_range) {
    if (LeadingDigitExponent(parts) < 0) return 0.0;
    return std::nullopt;
  }
  if (result.ec != std::errc() ||
      result.ptr != plain.data() + plain.size() || !std::isfinite(value)) {
    return std::nullopt;
  }
  return value;
}

// The common typed number in one pass: blanks, a sign, at most 19 digits
// with at most one separator and 22 decimals, blanks, and no exponent.
// When the digits as a whole number are at most 2^53, both that number and
// the power of ten are exact doubles, and one division rounds the quotient
// correctly -- to the very double std::from_chars gives. Reading stops at
// the first character that cannot continue such a number; `text` is left
// at it. Any other text, a number or not, gives nullopt and is left to the
// general way.
std::optional<double> QuickNumberAtStart(std::string_view& text) {
  constexpr std::size_t kMostDigits = 19;  // fit an unsigned 64-bit number
  constexpr std::uint64_t kMostExact = std::uint64_t{1} << 53;
  static constexpr std::array<double, 23> kPowersOfTen = {
      1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
      1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};
  const char* next = text.data();
  const char* const end = next + text.size();
  const auto skipBlanks = [&] {
    while (next != end && IsBlank(*next)) ++next;
  };
  skipBlanks();
  bool negative = false;
  if (next != end && (*next == '+' || *next == '-')) {
    negative = *next == '-';
    ++next;
  }
  std::uint64_t digits = 0;
  const auto takeDigits = [&] {
    const char* const start = next;
    for (; next != end; ++next) {
      // One unsigned comparison tells a digit: anything below '0' wraps around.
      const unsigned digit = static_cast<unsigned char>(*next) - unsigned{'0'};
      if (digit > 9) break;
      digits = digits * 10 + digit;
    }
    return static_cast<std::size_t>(next - start);
  };
  std::size_t count = takeDigits();
  std::size_t decimals = 0;
  if (next != end && (*next == ',' || *next == '.')) {
    ++next;
    decimals = takeDigits();
    count += decimals;
  }
  skipBlanks();
  text.remove_prefix(static_cast<std::size_t>(next - text.data()));
  if (count == 0 || count > kMostDigits || decimals >= kPowersOfTen.size() || digits > kMostExact) {
    return std::nullopt;
  }
  const double magnitude = static_cast<double>(digits) / kPowersOfTen[decimals];
  return negative ? -magnitude : magnitude;
}

std::optional<double> QuickTypedNumber(std::string_view text) {
  const std::optional<double> value = QuickNumberAtStart(text);
  return text.empty() ? value : std::nullopt;
}

// Where the leading number of a text starts and ends, per LeadingNumber.
struct LeadingSpan {
  bool negative = false;
  std::string_view number;  // digits and at most one ".", no sign
};

LeadingSpan FindLeadingNumber(std::string_view text) {
  LeadingSpan span;
  std::size_t pos = 0;
  while (pos < text.size() && IsBlank(text[pos])) ++pos;
  if (pos < text.size() && (text[pos] == '+' || text[pos] == '-')) {
    span.negative = text[pos] == '-';
    ++pos;
  }
  const std::size_t start = pos;
  while (pos < text.size() && IsDigit(text[pos])) ++pos;
  const std::size_t integer_end = pos;
  if (pos < text.size() && text[pos] == '.') {
    ++pos;
    while (pos < text.size() && IsDigit(text[pos])) ++pos;
  }
  const bool has_digit =
      integer_end > start || pos > integer_end + 1;  // a digit either side
  if (has_digit) span.number = text.substr(start, pos - start);
  return span;
}

}  // namespace

std::string GeneralForm(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  return WithComma(GeneralWithPeriod(value, 15));
}

std::string SingleForm(float value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  return WithComma(GeneralWithPeriod(value, 7));
}

std::string LineFileForm(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value) + " ";
  std::string text = WithoutLeadingZero(GeneralForm(value));
  if (text.front() != '-') text.insert(text.begin(), ' ');
  text.push_back(' ');
  return text;
}

std::string StrForm(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  std::string text = GeneralWithPeriod(value, 15);
  if (text.front() != '-') text.insert(text.begin(), ' ');
  return text;
}

std::string FixedThreeForm(double value) {
  if (!std::isfinite(value)) return NonFiniteText(value);
  const std::string exact = ExactDecimal(std::fabs(value));
  const std::size_t point = exact.find('.');
  // Integer digits followed by the first three decimals, as one number of
  // thousandths; the fourth decimal decides the rounding. A tie (exactly
  // ...5000...) rounds away from zero as well.
  std::string thousandths = exact.substr(0, point) + exact.substr(point + 1, 3);
  if (exact[point + 4] >= '5') IncrementDigits(thousandths);
  if (thousandths.size() < 4) {
    thousandths.insert(0, 4 - thousandths.size(), '0');
  }
  const bool negative = value < 0 && !AllZeros(thousandths);
  const std::size_t split = thousandths.size() - 3;
  return (negative ? "-" : "") + thousandths.substr(0, split) + "," +
         thousandths.substr(split);
}

double TruncateToThousandths(double value) {
  return RoundDownToThousandths(value);
}

std::string WithDecimalComma(std::string_view text) {
  std::string result(text);
  std::replace(result.begin(), result.end(), '.', ',');
  return result;
}

double WholePart(double value) {
  if (!std::isfinite(value)) return value;
  // The noise of binary fractions lies in the last digits of a double;
  // the bound keeps it well above that and well below a real fraction, also
  // for hundreds of millions of roubles.
  const double nearest = RoundHalfAwayFromZero(value);
  if (std::fabs(value - nearest) <= 1e-12 * std::max(1.0, std::fabs(value))) return nearest;
  return std::floor(value);
}

double RoundDownToThousandths(double value) {
  const double scaled = value * 1000.0;
  // A value so large that it has no thousandths left is already whole;
  // scaling it would only overflow.
  if (!std::isfinite(scaled)) return value;
  return WholePart(scaled) / 1000.0;
}

std::optional<double> ParseTypedNumber(std::string_view text) {
  if (const std::optional<double> quick = QuickTypedNumber(text)) return quick;
  NumberParts parts;
  if (!ScanTypedNumber(TrimBlanks(text), parts)) return std::nullopt;
  const std::optional<double> magnitude = ConvertMagnitude(parts);
  if (!magnitude) return std::nullopt;
  return parts.negative ? -*magnitude : *magnitude;
}

std::optional<double> TypedNumberAtStart(std::string_view& text) { return QuickNumberAtStart(text); }

double LeadingNumber(std::string_view text) {
  const LeadingSpan span = FindLeadingNumber(text);
  if (span.number.empty()) return 0.0;
  std::string plain(span.number);
  if (plain.front() == '.') plain.insert(plain.begin(), '0');
  double magnitude = 0;
  const auto result =
      std::from_chars(plain.data(), plain.data() + plain.size(), magnitude);
  if (result.ec == std::errc::result_out_of_range) {
    // Without an exponent only an endless digit string goes out of range:
    // beyond every double when it has a non-zero whole part, below the
    // smallest one otherwise.
    const std::string_view whole =
        std::string_view(plain).substr(0, plain.find('.'));
    magnitude =
        AllZeros(whole) ? 0.0 : std::numeric_limits<double>::infinity();
  }
  return span.negative ? -magnitude : magnitude;
}

bool HasLeadingNumber(std::string_view text) {
  return !FindLeadingNumber(text).number.empty();
}

std::string Trim(std::string_view text) {
  const std::size_t first = text.find_first_not_of(' ');
  if (first == std::string_view::npos) return {};
  const std::size_t last = text.find_last_not_of(' ');
  return std::string(text.substr(first, last - first + 1));
}

std::size_t CharacterCount(std::string_view text) {
  std::size_t count = 0;
  for (; !text.empty(); ++count) text.remove_prefix(FirstCharacters(text, 1).size());
  return count;
}

std::string_view FirstCharacters(std::string_view text, std::size_t count) {
  std::size_t end = 0;
  for (std::size_t taken = 0; end < text.size() && taken < count; ++taken) {
    ++end;
    while (end < text.size() && IsContinuationByte(text[end])) ++end;
  }
  return text.substr(0, end);
}

std::string_view WithoutLastCharacters(std::string_view text, std::size_t count) {
  std::size_t end = text.size();
  for (std::size_t dropped = 0; end > 0 && dropped < count; ++dropped) {
    --end;
    while (end > 0 && IsContinuationByte(text[end])) --end;
  }
  return text.substr(0, end);
}

std::string ShowControlBytes(std::string_view text) {
  constexpr std::string_view kHexDigits = "0123456789ABCDEF";
  std::string shown;
  shown.reserve(text.size());
  for (const char c : text) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte >= 0x20 && byte != 0x7F) {
      shown += c;
      continue;
    }
    shown += "\\x";
    shown += kHexDigits[byte >> 4];
    shown += kHexDigits[byte & 0x0F];
  }
  return shown;
}

}  // namespace verdin
