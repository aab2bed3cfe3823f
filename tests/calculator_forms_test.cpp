// The quantity and pay-out calculators as models: the sum of the products,
// the rows that count and those that are left out, the grouped figures,
// the price row from the total or the current item, the pay-outs, and the
// switch that may open the pay-out window.
#include "forms/calculator_forms.h"
#include "core/text_forms.h"

#include <gtest/gtest.h>

#include <array>
#include <limits>
#include <optional>
#include <string>
#include <tuple>
#include <vector>

namespace verdin {
namespace {

QuantityForm Rows(std::array<std::string, 9> factors) {
  QuantityForm form;
  for (std::size_t i = 0; i < factors.size(); ++i) form.txtKol[i] = factors[i];
  return form;
}

// ---- Quantity ----------------------------------------------------------

TEST(QuantityForm, OpensWithOneBlankInTheFirstTwoBoxes) {
  const QuantityForm form;
  EXPECT_EQ(form.txtKol[0], " ");
  EXPECT_EQ(form.txtKol[1], " ");
  for (std::size_t i = 2; i < form.txtKol.size(); ++i) EXPECT_EQ(form.txtKol[i], "") << i;
}

TEST(QuantitySum, TwoRowsSumTheirProducts) {
  QuantityForm form = Rows({"2", "3", "4", "1", "1", "5", "", "", ""});
  const QuantityResult result = RecomputeQuantity(form);
  EXPECT_EQ(result.sum, 29);
  EXPECT_EQ(result.text, "29");
  EXPECT_TRUE(result.problems.empty());
  EXPECT_EQ(form.txtKol[9], "29");
}

TEST(QuantitySum, AllThreeRowsCount) {
  const QuantityResult result = QuantitySum(Rows({"2", "3", "4", "1", "1", "5", "10", "0,5", "2"}));
  EXPECT_EQ(result.text, "39");
}

TEST(QuantitySum, RowWithTwoFilledBoxesIsIgnored) {
  for (int empty = 0; empty < 3; ++empty) {
    std::array<std::string, 9> factors{"2", "3", "4", "7", "8", "9", "", "", ""};
    factors[static_cast<std::size_t>(3 + empty)] = "";
    const QuantityResult result = QuantitySum(Rows(factors));
    EXPECT_EQ(result.text, "24") << empty;
    EXPECT_TRUE(result.problems.empty());
  }
}

TEST(QuantitySum, NoCompleteRowGivesZero) {
  QuantityForm form;
  EXPECT_EQ(RecomputeQuantity(form).text, "0");
  EXPECT_EQ(form.txtKol[9], "0");
  EXPECT_EQ(QuantitySum(Rows({"5", "", "", "", "6", "", "", "", "7"})).text, "0");
}

TEST(QuantitySum, OnlyTheRowsCountNotTheSumBox) {
  QuantityForm form = Rows({"2", "2", "2", "", "", "", "", "", ""});
  form.txtKol[9] = "1000";
  EXPECT_EQ(RecomputeQuantity(form).text, "8");
}

TEST(QuantitySum, DecimalCommaAndPeriodInGeneralForm) {
  EXPECT_EQ(QuantitySum(Rows({"1,5", "2", "0,1", "", "", "", "", "", ""})).text, "0,3");
  EXPECT_EQ(QuantitySum(Rows({"12.5", "4", "1", "", "", "", "", "", ""})).text, "50");
  // Blanks left around a typed number (the initial blank) do not matter.
  EXPECT_EQ(QuantitySum(Rows({" 2", "3 ", "4", "", "", "", "", "", ""})).text, "24");
}

TEST(QuantitySum, InitialBlanksCountAsEmptyNotAsFilled) {
  // Only the third box of the first row typed: the two initial blanks make
  // no complete row.
  QuantityForm form;
  form.txtKol[2] = "5";
  form.txtKol[3] = "1";
  form.txtKol[4] = "2";
  form.txtKol[5] = "3";
  const QuantityResult result = RecomputeQuantity(form);
  EXPECT_EQ(result.text, "6");
  EXPECT_TRUE(result.problems.empty());
}

TEST(QuantitySum, RowWithTextThatIsNotANumberIsLeftOutAndNamed) {
  const QuantityResult result = QuantitySum(Rows({"2", "3", "4", "1", "abc", "5", "1", "1", "1"}));
  EXPECT_EQ(result.sum, 25);
  EXPECT_EQ(result.text, "25");
  ASSERT_EQ(result.problems.size(), 1U);
  EXPECT_NE(result.problems[0].find("строке 2"), std::string::npos) << result.problems[0];
  EXPECT_NE(result.problems[0].find("«abc»"), std::string::npos) << result.problems[0];
}

TEST(QuantitySum, CommaAloneOrTwoCommasIsNotANumber) {
  const QuantityResult result = QuantitySum(Rows({",", "3", "4", "", "", "", "1,,2", "1", "1"}));
  EXPECT_EQ(result.text, "0");
  ASSERT_EQ(result.problems.size(), 2U);
  EXPECT_NE(result.problems[0].find("строке 1"), std::string::npos);
  EXPECT_NE(result.problems[1].find("строке 3"), std::string::npos);
  EXPECT_EQ(QuantityProblemText(result), result.problems[0] + "\r" + result.problems[1]);
}

TEST(QuantitySum, OverflowingProductIsLeftOutNotInfinite) {
  const QuantityResult result = QuantitySum(Rows({"1E300", "1E300", "1", "2", "2", "2", "", "", ""}));
  EXPECT_EQ(result.text, "8");
  ASSERT_EQ(result.problems.size(), 1U);
  EXPECT_NE(result.problems[0].find("строке 1"), std::string::npos);
}

TEST(QuantitySum, OverflowingSumLeavesTheSumEmpty) {
  const QuantityResult result =
      QuantitySum(Rows({"1E15", "1", "1", "1E15", "1", "1", "1E15", "1", "1"}));
  EXPECT_EQ(result.text, "");
  EXPECT_FALSE(result.problems.empty());
}

// The sum goes into the main window's quantity box. A quantity of 0
// (nothing filled, or products that cancel out) is no quantity the main
// window prices, and a row that is not a number spoils the sum: neither is
// handed over, the box keeps its quantity and a message says why.
TEST(QuantityCmdKol, HandsOverOnlyAPositiveSum) {
  struct Case {
    const char* name;
    QuantityForm form;
    std::optional<std::string> sum;    // the sum box afterwards, where checked
    std::vector<const char*> because;  // in the message; none: handed over
  };
  const std::vector<Case> cases = {
      {"two rows", Rows({"2", "3", "4", "1", "1", "5", "", "", ""}), "29", {}},
      {"nothing filled", QuantityForm{}, std::nullopt, {"больше 0", "Количество не передано."}},
      {"products cancel out", Rows({"2", "3", "4", "-2", "3", "4", "", "", ""}), std::nullopt,
       {"больше 0", "Количество не передано."}},
      {"row 3 not a number", Rows({"2", "3", "4", "", "", "", "x", "1", "1"}), "24",
       {"строке 3", "Количество не передано."}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    QuantityForm form = c.form;
    MainForm frm1;
    frm1.txtKolic = "17";
    RecordingMessages messages;
    const bool handedOver = c.because.empty();
    EXPECT_EQ(QuantityCmdKol(form, frm1, messages), handedOver);
    EXPECT_EQ(frm1.txtKolic, handedOver ? *c.sum : "17");
    if (c.sum) {
      EXPECT_EQ(form.txtKol[9], *c.sum);
    }
    if (handedOver) {
      EXPECT_TRUE(messages.entries.empty());
      continue;
    }
    EXPECT_EQ(messages.Beeps(), 1);
    const auto shown = messages.Shown();
    ASSERT_EQ(shown.size(), 1U);
    EXPECT_EQ(shown[0].title, "Ошибка ввода!!");
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
    for (const char* part : c.because) EXPECT_NE(shown[0].text.find(part), std::string::npos) << shown[0].text;
  }
}

// ---- Grouped figures ----------------------------------------------------

TEST(PayOutGroupedForm, GroupsOfThreeWithoutLeadingBlank) {
  EXPECT_EQ(GroupedForm(0), "0");
  EXPECT_EQ(GroupedForm(-0.0), "0");
  EXPECT_EQ(GroupedForm(7), "7");
  EXPECT_EQ(GroupedForm(46), "46");
  EXPECT_EQ(GroupedForm(440), "440");
  EXPECT_EQ(GroupedForm(1000), "1 000");
  EXPECT_EQ(GroupedForm(129629), "129 629");
  EXPECT_EQ(GroupedForm(1234567), "1 234 567");
  EXPECT_EQ(GroupedForm(999999999999), "999 999 999 999");
  EXPECT_EQ(GroupedForm(1234567890123), "1 234 567 890 123");
  EXPECT_EQ(GroupedForm(-1234), "-1 234");
  EXPECT_EQ(GroupedForm(-12), "-12");
}

TEST(PayOutGroupedForm, NonFiniteGivesEmptyText) {
  EXPECT_EQ(GroupedForm(std::numeric_limits<double>::infinity()), "");
  EXPECT_EQ(GroupedForm(std::numeric_limits<double>::quiet_NaN()), "");
}

TEST(PayOutGroupedForm, HugeWholeNumbersDoNotOverflowTheText) {
  const std::string text = GroupedForm(1e300);
  EXPECT_EQ(text.substr(0, 4), "1 00");
  EXPECT_EQ(ReadGrouped(text), 1e300);
}

TEST(PayOutReadGrouped, IgnoresGroupingBlanks) {
  EXPECT_EQ(ReadGrouped("1 234 567"), 1234567.0);
  EXPECT_EQ(ReadGrouped(" 440 "), 440.0);
  EXPECT_EQ(ReadGrouped("1\xC2\xA0" "234"), 1234.0);
  EXPECT_EQ(ReadGrouped("12 345,5"), 12345.5);
  EXPECT_FALSE(ReadGrouped("").has_value());
  EXPECT_FALSE(ReadGrouped("   ").has_value());
  EXPECT_FALSE(ReadGrouped("12 abc").has_value());
  for (const double value : {0.0, 5.0, 1000.0, 129629.0, 1234567.0, 987654321012.0}) {
    EXPECT_EQ(ReadGrouped(GroupedForm(value)), value);
  }
}

TEST(PayOutWholePart, TowardsMinusInfinityButForgivingBinaryFractions) {
  EXPECT_EQ(WholePart(129629.535), 129629);
  EXPECT_EQ(WholePart(46.2), 46);
  EXPECT_EQ(WholePart(440.9167), 440);
  EXPECT_EQ(WholePart(-1.5), -2);
  // 1,005 thousand roubles are 1005 roubles, although 1.005 * 1000 is
  // 1004.9999999999999 in binary.
  EXPECT_EQ(WholePart(1.005 * 1000), 1005);
  EXPECT_EQ(WholePart(0.29 * 1000), 290);
  EXPECT_EQ(WholePart(0.9999), 0);
  // Hundreds of millions of roubles keep their fraction out of the whole
  // part: half a rouble is no rounding noise.
  EXPECT_EQ(WholePart(600000500.5), 600000500);
  EXPECT_EQ(WholePart(600000.5005 * 1000), 600000500);
}

// ---- Pay-out window -----------------------------------------------------

MainForm WithTotal(const std::string& total, const std::string& rate = "2800") {
  MainForm frm1;
  frm1.txtSym = total;
  frm1.txtStd = rate;
  return frm1;
}

// The main window with no total and a current item costing `cost`, and
// `secondCost` in the second currency.
MainForm WithItem(const std::string& cost, const std::string& secondCost = "") {
  MainForm frm1;
  frm1.txtStP = cost;
  frm1.txtStPd = secondCost;
  return frm1;
}

// The four pay-out boxes and the reason shown for a total and a rate: a
// rate that is not a number or zero empties only the second currency, a
// total that is not a number the price.
TEST(PayOutOpen, BoxesAndProblemForTotalAndRate) {
  struct Case {
    const char* total;
    const char* rate;
    std::array<const char*, 4> boxes;  // txt1[0], txt2[0], txt1[3], txt2[3]
    const char* problem;               // a part of the reason; "" none
  };
  const Case cases[] = {
      {"1234,567", "2800", {"1 234 567", "440", "129 629", "46"}, ""},
      {"0", "2800", {"0", "0", "0", "0"}, ""},
      {"1234,567", "abc", {"1 234 567", "", "129 629", ""}, "Курс «abc» не является числом."},
      {"1000", "0", {"1 000 000", "", "105 000", ""}, "Курс равен нулю."},
      {"1000", "", {"1 000 000", "", "105 000", ""}, "Курс не указан."},
      {"12x", "2800", {"", "", "", ""}, "«12x»"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.total) + " / " + c.rate);
    PayOutForm form;
    OpenPayOut(form, WithTotal(c.total, c.rate));
    EXPECT_EQ(form.txt1[0], c.boxes[0]);
    EXPECT_EQ(form.txt2[0], c.boxes[1]);
    EXPECT_EQ(form.txt1[3], c.boxes[2]);
    EXPECT_EQ(form.txt2[3], c.boxes[3]);
    const std::string problem = PayOutProblemText(form);
    if (*c.problem == '\0') {
      EXPECT_EQ(problem, "");
    } else {
      EXPECT_NE(problem.find(c.problem), std::string::npos) << problem;
    }
  }
}

TEST(PayOutOpen, PercentTwentyChangesBothPayOuts) {
  PayOutForm form;
  OpenPayOut(form, WithTotal("1234,567"));
  form.txt1[2] = "20";
  RecomputePayOut(form);
  EXPECT_EQ(form.txt1[3], "172 839");  // 1234567 * 0,14
  EXPECT_EQ(form.txt2[3], "61");       // 440 * 0,14
  EXPECT_EQ(form.txt1[0], "1 234 567");
}

TEST(PayOutOpen, TheTotalWinsOverTheCurrentItem) {
  MainForm frm1 = WithTotal("10");
  frm1.txtStP = "99";
  frm1.txtStPd = "35357";
  PayOutForm form;
  OpenPayOut(form, frm1);
  EXPECT_EQ(form.txt1[0], "10 000");
  EXPECT_EQ(form.txt2[0], "3");  // 10 / 2800 * 1000 = 3,57 -> whole part
}

TEST(PayOutOpen, FromTheCurrentItemWhenTheTotalIsEmpty) {
  PayOutForm form;
  OpenPayOut(form, WithItem("50920,634", "18185,9"));
  EXPECT_EQ(form.txt1[0], "50 920 634");
  EXPECT_EQ(form.txt2[0], "18 186");  // the pattern rounds
  EXPECT_EQ(form.txt1[3], "5 346 666");
  EXPECT_EQ(form.txt2[3], "1 909");
  EXPECT_EQ(PayOutProblemText(form), "");
}

TEST(PayOutOpen, CurrentItemRoundsHalvesUpAndDownBelow) {
  PayOutForm form;
  OpenPayOut(form, WithItem("1", "2,5"));
  EXPECT_EQ(form.txt2[0], "3");
  OpenPayOut(form, WithItem("1", "2,49"));
  EXPECT_EQ(form.txt2[0], "2");
}

TEST(PayOutOpen, ThousandthsOfTheTotalBecomeWholeRoubles) {
  PayOutForm form;
  OpenPayOut(form, WithTotal("1,005"));
  EXPECT_EQ(form.txt1[0], "1 005");
}

TEST(PayOutOpen, KeepsKopecksAndPercentAsTheUserLeftThem) {
  PayOutForm form;
  form.txt1[2] = "20";
  OpenPayOut(form, WithTotal("1000"));
  EXPECT_EQ(form.txt1[2], "20");
  EXPECT_EQ(form.txt1[3], "140 000");
}

TEST(PayOutOpen, ProblemOfAnEarlierOpeningIsForgotten) {
  PayOutForm form;
  OpenPayOut(form, WithTotal("1000", "0"));
  OpenPayOut(form, WithTotal("1000"));
  EXPECT_EQ(PayOutProblemText(form), "");
  EXPECT_EQ(form.txt2[0], "357");
}

TEST(PayOutOpen, CurrentItemWithoutSecondCurrencyStillPaysOutRoubles) {
  PayOutForm form;
  OpenPayOut(form, WithItem("100"));
  EXPECT_EQ(form.txt1[3], "10 500");
  EXPECT_EQ(form.txt2[0], "");
  EXPECT_EQ(form.txt2[3], "");
  EXPECT_FALSE(PayOutProblemText(form).empty());
}

TEST(PayOutOpen, HugeTotalIsReportedNotInfinite) {
  PayOutForm form;
  OpenPayOut(form, WithTotal("1E11", "1E-10"));
  EXPECT_FALSE(form.txt1[0].empty());
  EXPECT_EQ(form.txt2[0], "");
  EXPECT_FALSE(PayOutProblemText(form).empty());
}

// A kopecks or percent box that cannot be read empties both pay-outs and
// says why; the price row stays, and the box put right again recovers.
TEST(PayOutRecompute, UnreadableBoxEmptiesBothPayOutsAndRecovers) {
  const std::tuple<int, const char*, const char*> cases[] = {
      {1, "7,0,", "Число копеек с рубля «7,0,» не является числом."},
      {2, "", "Процент на раздел не указан."},
  };
  for (const auto& [box, text, problem] : cases) {
    SCOPED_TRACE(problem);
    PayOutForm form;
    OpenPayOut(form, WithTotal("1234,567"));
    const std::string kept = form.txt1[box];
    form.txt1[box] = text;
    RecomputePayOut(form);
    EXPECT_EQ(form.txt1[3], "");
    EXPECT_EQ(form.txt2[3], "");
    EXPECT_EQ(form.payOutProblem, problem);
    EXPECT_EQ(form.txt1[0], "1 234 567");
    EXPECT_EQ(form.txt2[0], "440");
    form.txt1[box] = kept;
    RecomputePayOut(form);
    EXPECT_EQ(form.txt1[3], "129 629");
    EXPECT_EQ(form.txt2[3], "46");
    EXPECT_EQ(PayOutProblemText(form), "");
  }
}

TEST(PayOutRecompute, ReadsThePriceBackFromItsGroupedText) {
  PayOutForm form;
  form.txt1[0] = "2 000 000";
  form.txt2[0] = "714";
  RecomputePayOut(form);
  EXPECT_EQ(form.txt1[3], "210 000");
  EXPECT_EQ(form.txt2[3], "74");  // 714 * 0,105 = 74,97
}

TEST(PayOutRecompute, PriceTypedOverWithTextIsNamed) {
  PayOutForm form;
  OpenPayOut(form, WithTotal("1000"));
  form.txt1[0] = "сто";
  RecomputePayOut(form);
  EXPECT_EQ(form.txt1[3], "");
  EXPECT_EQ(form.txt2[3], "37");  // 357 * 0,105 = 37,485
  EXPECT_NE(form.payOutProblem.find("«сто»"), std::string::npos);
}

TEST(PayOutRecompute, DecimalKopecksAndPercent) {
  PayOutForm form;
  form.txt1[0] = "1 000 000";
  form.txt1[1] = "70,5";
  form.txt1[2] = "12.5";
  RecomputePayOut(form);
  EXPECT_EQ(form.txt1[3], "88 125");
}

TEST(PayOutBoxes, AreTheKopeckAndPercentBoxes) {
  PayOutForm form;
  EXPECT_EQ(PayOutBoxesOf(form).kopecks, "70");
  EXPECT_EQ(PayOutBoxesOf(form).section, "15");
  form.txt1[1] = "65";
  form.txt1[2] = "20";
  const PayOutPercentages boxes = PayOutBoxesOf(form);
  EXPECT_EQ(boxes.kopecks, "65");
  EXPECT_EQ(boxes.section, "20");
}

TEST(PayOutSwitchOn, OpensWhenTheTotalOrTheItemCostIsFilled) {
  RecordingMessages messages;
  EXPECT_TRUE(PayOutSwitchOn(WithTotal("1234,567"), messages));
  MainForm item;
  item.txtStP = "12";
  EXPECT_TRUE(PayOutSwitchOn(item, messages));
  EXPECT_TRUE(messages.entries.empty());
}

TEST(PayOutSwitchOn, NothingCalculatedIsRefusedWithTheWarning) {
  RecordingMessages messages;
  MainForm frm1;
  frm1.txtKolic = "100";
  EXPECT_FALSE(PayOutSwitchOn(frm1, messages));
  const auto shown = messages.Shown();
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0].title, "Ошибка ввода!!");
  EXPECT_EQ(shown[0].text, "Ничего не рассчитано!!!");
  EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
}

}  // namespace
}  // namespace verdin
