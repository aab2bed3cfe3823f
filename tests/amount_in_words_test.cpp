#include "core/amount_in_words.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <cmath>
#include <iomanip>
#include <limits>
#include <string>
#include <utility>

namespace verdin {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// An amount in figures and in words, as the estimate's total is written
// out: a row a case, the amount named in a failure.
TEST(AmountInWords, FiguresAndWords) {
  const std::pair<double, const char*> cases[] = {
      // Whole amounts: the figures, then the words in brackets.
      {0, "0 () руб."},
      {1, "1 (Один ) руб."},
      {2, "2 (Два ) руб."},
      {11, "11 (Одиннадцать ) руб."},
      {20, "20 (Двадцать ) руб."},
      {101, "101 (Сто один ) руб."},
      {1000, "1000 (Одна тысяча ) руб."},
      {2000, "2000 (Две тысячи ) руб."},
      {5000, "5000 (Пять тысяч ) руб."},
      {14000, "14000 (Четырнадцать тысяч ) руб."},
      {21000, "21000 (Двадцать одна тысяча ) руб."},
      {1001001, "1001001 (Один миллион одна тысяча один ) руб."},
      {2000000, "2000000 (Два миллиона ) руб."},
      {5000000000, "5000000000 (Пять миллиардов ) руб."},
      {123456789, "123456789 (Сто двадцать три миллиона четыреста пятьдесят шесть тысяч "
                  "семьсот восемьдесят девять ) руб."},
      {999999999999, "999999999999 (Девятьсот девяносто девять миллиардов девятьсот девяносто "
                     "девять миллионов девятьсот девяносто девять тысяч девятьсот девяносто "
                     "девять ) руб."},

      // Hundreds, tens and residuals within a group; one and two feminine only
      // in the thousands; teens take the plural, not their last digit, and after
      // the tens the residual is the last digit again.
      {19, "19 (Девятнадцать ) руб."},
      {40, "40 (Сорок ) руб."},
      {999, "999 (Девятьсот девяносто девять ) руб."},
      {700000, "700000 (Семьсот тысяч ) руб."},
      {1000000000, "1000000000 (Один миллиард ) руб."},
      {1000000001, "1000000001 (Один миллиард один ) руб."},
      {4000000000, "4000000000 (Четыре миллиарда ) руб."},
      {20000000, "20000000 (Двадцать миллионов ) руб."},
      {2002002, "2002002 (Два миллиона две тысячи два ) руб."},
      {2002002002, "2002002002 (Два миллиарда два миллиона две тысячи два ) руб."},
      {1001001001, "1001001001 (Один миллиард один миллион одна тысяча один ) руб."},
      {32000, "32000 (Тридцать две тысячи ) руб."},
      {11000, "11000 (Одиннадцать тысяч ) руб."},
      {12000, "12000 (Двенадцать тысяч ) руб."},
      {13000, "13000 (Тринадцать тысяч ) руб."},
      {111000000, "111000000 (Сто одиннадцать миллионов ) руб."},
      {12000000000, "12000000000 (Двенадцать миллиардов ) руб."},
      {22000, "22000 (Двадцать две тысячи ) руб."},
      {24000000, "24000000 (Двадцать четыре миллиона ) руб."},
      {25000, "25000 (Двадцать пять тысяч ) руб."},
      {100000, "100000 (Сто тысяч ) руб."},

      // Fractions: the figures rounded, the words cut off.
      {1000.7, "1001 (Одна тысяча ) руб."},
      {1000.2, "1000 (Одна тысяча ) руб."},
      {2.5, "3 (Два ) руб."},
      {3.5, "4 (Три ) руб."},
      {0.5, "1 () руб."},
      {0.4, "0 () руб."},
      // The largest double below one half stays below it.
      {0.49999999999999994, "0 () руб."},
      {999999999999.9, "1000000000000 (Девятьсот девяносто девять "
                       "миллиардов девятьсот девяносто девять миллионов "
                       "девятьсот девяносто девять тысяч девятьсот "
                       "девяносто девять ) руб."},

      // A negative amount: a minus sign and the words of its absolute value.
      {-1, "-1 (Минус один ) руб."},
      {-21000, "-21000 (Минус двадцать одна тысяча ) руб."},
      {-1000.7, "-1001 (Минус одна тысяча ) руб."},
      {-2.5, "-3 (Минус два ) руб."},
      {-0.0, "0 () руб."},
      {-0.3, "0 () руб."},
      {-0.7, "-1 () руб."},
      {-5000000000, "-5000000000 (Минус пять миллиардов ) руб."},

      // A count of milliards beyond nine hundred is written in words.
      {1000000000000, "1000000000000 (Одна тысяча миллиардов ) руб."},
      {1234000000000, "1234000000000 (Одна тысяча двести тридцать четыре миллиарда ) руб."},
      {1001000000005, "1001000000005 (Одна тысяча один миллиард пять ) руб."},
      {11000000001000, "11000000001000 (Одиннадцать тысяч миллиардов одна тысяча ) руб."},
      {2001000000000000, "2001000000000000 (Два миллиона одна тысяча миллиардов ) руб."},
      {2000001000000000, "2000001000000000 (Два миллиона один миллиард ) руб."},
      // 2^63 and above do not fit in 64 bits; the words still come out.
      {1e21, "1000000000000000000000 (Одна тысяча миллиардов миллиардов ) руб."},
      {-1e21, "-1000000000000000000000 (Минус одна тысяча миллиардов миллиардов ) руб."},

      // Not a finite number: its general form in figures and no words.
      {std::nan(""), "не число () руб."},
      {kInfinity, "бесконечность () руб."},
      {-kInfinity, "-бесконечность () руб."},
  };
  for (const auto& [amount, words] : cases) {
    EXPECT_EQ(AmountInWords(amount), words) << std::setprecision(17) << amount;
  }
}

TEST(AmountInWordsTables, WordsWithinTheTables) {
  EXPECT_EQ(UnitsText(1, "Мужской"), "один ");
  EXPECT_EQ(UnitsText(1, "Женский"), "одна ");
  EXPECT_EQ(UnitsText(2, "Мужской"), "два ");
  EXPECT_EQ(UnitsText(2, "Женский"), "две ");
  EXPECT_EQ(UnitsText(2, ""), "две ");
  EXPECT_EQ(UnitsText(3, "Женский"), "три ");
  EXPECT_EQ(UnitsText(19, "Мужской"), "девятнадцать ");
  EXPECT_EQ(TensText(2), "двадцать ");
  EXPECT_EQ(TensText(9), "девяносто ");
  EXPECT_EQ(HundredsText(1), "сто ");
  EXPECT_EQ(HundredsText(9), "девятьсот ");

  EXPECT_EQ(ThousandWord(1), "тысяча ");
  EXPECT_EQ(MillionWord(3), "миллиона ");
  EXPECT_EQ(MilliardWord(4), "миллиарда ");
  for (int residual : {0, 5, 11, 19, -1, 21}) {
    EXPECT_EQ(ThousandWord(residual), "тысяч ") << residual;
    EXPECT_EQ(MillionWord(residual), "миллионов ") << residual;
    EXPECT_EQ(MilliardWord(residual), "миллиардов ") << residual;
  }
}

TEST(AmountInWordsTables, ValuesOutsideTheTablesGiveEmptyText) {
  for (int value : {0, 20, -1, 100, std::numeric_limits<int>::min(),
                    std::numeric_limits<int>::max()}) {
    EXPECT_EQ(UnitsText(value, "Мужской"), "") << value;
    EXPECT_EQ(UnitsText(value, "Женский"), "") << value;
  }
  for (int value : {0, 1, 10, -2, std::numeric_limits<int>::max()}) {
    EXPECT_EQ(TensText(value), "") << value;
  }
  for (int value : {0, 10, -1, std::numeric_limits<int>::min()}) {
    EXPECT_EQ(HundredsText(value), "") << value;
  }
}

TEST(AmountInWordsLarge, LargestDoubleGivesAllItsDigits) {
  const std::string text = AmountInWords(DBL_MAX);
  ASSERT_EQ(text.substr(0, 10), "1797693134");
  EXPECT_EQ(text.find(' '), 309u);
  EXPECT_EQ(text.compare(309, std::string(" (Сто семьдесят девять миллиардов ").size(),
                         " (Сто семьдесят девять миллиардов "),
            0);
  EXPECT_EQ(text.substr(text.size() - std::string(" ) руб.").size()), " ) руб.");
}

}  // namespace
}  // namespace verdin
