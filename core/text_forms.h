// Number and text forms used throughout Verdin.
//
// The program behaves as on a system with Russian regional settings: the
// decimal separator is the comma and digits are never grouped. Every
// number-to-text and text-to-number conversion of the program goes through
// the functions below, so that a value looks the same on screen, in the
// input-data file and on the estimate sheet.
#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace verdin {

// The general form: the shortest decimal form with at most 15 significant
// digits, the decimal comma, no grouping; exponent form ("1E-05", "1E+15")
// where %G would use it. 0.15 -> "0,15", 50920.634999999995 -> "50920,635",
// -0.0 -> "0".
std::string GeneralForm(double value);

// The same form for single-precision values: at most 7 significant digits.
std::string SingleForm(float value);

// The form of a number written as a line of a line file: a blank (or the
// minus sign) in front, the general form without the zero before the
// separator of a number below one, and a blank after it.
// 0.15 -> " ,15 ", 33.6 -> " 33,6 ", -1 -> "-1 ", 0 -> " 0 ".
std::string LineFileForm(double value);

// The Str form: a blank in front of a number that is not negative (the
// minus sign in front of a negative one), the general form otherwise, but
// with a period as the decimal separator. 1 -> " 1", 4.5 -> " 4.5".
std::string StrForm(double value);

// The fixed form "0.000": three decimals, rounded half away from zero,
// with the decimal comma. 2.5 -> "2,500", 0.0625 -> "0,063".
std::string FixedThreeForm(double value);

// The whole part of a value (towards minus infinity), where a value that
// differs from a whole number only by the rounding of binary fractions
// (by at most a millionth of a millionth of it, and at least 1E-12) counts
// as that whole number: 1,005 thousand roubles are 1005 roubles, while
// 600000500,5 roubles stay 600000500 and -1,5 gives -2.
double WholePart(double value);

// Int(v * 1000) / 1000: the largest multiple of 0.001 not above v, as the
// screen shows amounts; a product of decimal inputs that binary arithmetic
// lands a hair below a thousandth counts as that thousandth (WholePart):
// 12,5 x 1000 x 3,7 / 100 shows 462,5, 50920,634999999995 (which is
// 18552,02 + 2000 x 64737,23 / 4000 = 50920,635) shows 50920,635, while
// 50920,6349 shows 50920,634.
double TruncateToThousandths(double value);

// The same rounding down, used at every step on the estimate sheet.
double RoundDownToThousandths(double value);

// Converts a typed value. Accepts blanks around the number, an optional
// sign, digits with the decimal comma (a period is accepted too) and an
// optional exponent ("1E-05", "1,5e3"). Anything else -- an empty text,
// letters, two separators, digit grouping -- is not a number and gives
// std::nullopt instead of a guess.
std::optional<double> ParseTypedNumber(std::string_view text);

// The typed number at the start of a text, for readers of long files with
// numbers between separators. It reads the common form only: blanks, an
// optional sign, digits with one decimal comma (or point) at most, blanks;
// `text` is then left at the character that ended the number. Whenever it
// gives a value, ParseTypedNumber gives the same for the part read. It
// gives std::nullopt for anything else -- numbers too, such as "1E-05" --
// and the caller then takes ParseTypedNumber's way with the whole field.
std::optional<double> TypedNumberAtStart(std::string_view& text);

// The leading-number rule with the period: optional blanks and a sign,
// then digits with "." as the only decimal point; reading stops at the
// first other character, so "4,2" gives 4. No number gives 0.
double LeadingNumber(std::string_view text);

// True when the text starts (after blanks and a sign) with at least one
// digit, i.e. when LeadingNumber finds a number at all.
bool HasLeadingNumber(std::string_view text);

// A typed number's text with every decimal point turned into the decimal
// comma, as the key filters turn a typed one: "1850.5" -> "1850,5".
std::string WithDecimalComma(std::string_view text);

// Removes blanks (spaces) from both ends, as the program's Trim does.
std::string Trim(std::string_view text);

// Characters of a UTF-8 text. A character is a lead byte with the
// continuation bytes (10xxxxxx) that follow it, so a cut never falls
// inside a character; a stray continuation byte counts as one character.

// The number of characters of the text.
std::size_t CharacterCount(std::string_view text);

// The first `count` characters of the text (all of it when shorter).
std::string_view FirstCharacters(std::string_view text, std::size_t count);

// The text without its last `count` characters (empty when shorter).
std::string_view WithoutLastCharacters(std::string_view text, std::size_t count);

// The text as a message may quote it: every control byte (below 0x20, and
// 0x7F) becomes "\x" and two upper-case hex digits, e.g. a bell "\x07", an
// escape "\x1B", a NUL "\x00", a carriage return "\x0D". Nothing invisible
// reaches the user, a carriage return cannot break the message's lines, and
// the result holds no NUL that a C string would stop at.
std::string ShowControlBytes(std::string_view text);

}  // namespace verdin
