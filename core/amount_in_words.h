// A whole number of roubles in Russian words, as the estimate states its
// total and its VAT: "123 (Сто двадцать три ) руб.".
#pragma once

#include <string>

namespace verdin {

// AmountInWords: the amount without decimals, " (", the words with a
// capital first letter (each word followed by one blank), ") руб.".
std::string AmountInWords(double amount);

// The word tables; every word ends with one blank, other values give "".
// gender: "Мужской" for masculine, any other text for feminine.
std::string UnitsText(int value, const std::string& gender);
std::string TensText(int value);
std::string HundredsText(int value);
std::string ThousandWord(int residual);
std::string MillionWord(int residual);
std::string MilliardWord(int residual);

}  // namespace verdin
