#include "forms/construction_cost_form.h"

#include <gtest/gtest.h>

#include <initializer_list>
#include <string>
#include <vector>

#include "core/text_forms.h"
#include "forms/main_form.h"

namespace verdin {
namespace {

using Kind = RecordingMessages::Kind;

// A line of the percentage table: the cost bound and the percentages of
// categories 1..5.
PercentageLine Line(double bound, std::initializer_list<double> percentages) {
  PercentageLine line;
  line.numbers.push_back(bound);
  line.numbers.insert(line.numbers.end(), percentages);
  for (const double number : line.numbers) line.texts.push_back(GeneralForm(number));
  return line;
}

// Bounds 5, 10, 20, 50 million roubles.
NormStore SampleTable() {
  NormStore store;
  store.Smr = {Line(5, {6.5, 6.4, 6.3, 6.2, 6.1}), Line(10, {4, 4.4, 4.3, 4.2, 4.1}),
               Line(20, {3, 3.4, 3.3, 3.2, 3.1}), Line(50, {2.5, 2.4, 2.3, 2.2, 2.1})};
  return store;
}

ConstructionCostForm Typed(const std::string& cost, const std::string& category) {
  ConstructionCostForm form;
  form.txt1 = cost;
  form.txt2 = category;
  return form;
}

struct Outcome {
  bool ok = false;
  ConstructionCostForm form;
  RecordingMessages messages;
};

Outcome Calculate(const std::string& cost, const std::string& category,
                  const NormStore& store = SampleTable()) {
  Outcome outcome;
  outcome.form = Typed(cost, category);
  outcome.ok = ConstructionCostCmdOk(outcome.form, store, outcome.messages);
  return outcome;
}

void ExpectSameTexts(const ConstructionCostForm& form) {
  EXPECT_EQ(form.lblPr, form.txtPr);
  EXPECT_EQ(form.lblS, form.txtS);
}

TEST(ConstructionCostCalculation, CostBelowFirstBoundIsPricedAtIt) {
  for (const std::string typed : {"2", "0,001", "5,0"}) {
    SCOPED_TRACE(typed);
    const Outcome result = Calculate(typed, "3");
    ASSERT_TRUE(result.ok);
    EXPECT_EQ(result.form.txtPr, "6,3 + (( 5 - 5 ) * ( 4,3  - 6,3 )) / ( 10 - 5 ) = 6,300");
    EXPECT_EQ(result.form.txtS, "6,300 x 1000 x 5 /100 = 315,000");
    EXPECT_DOUBLE_EQ(result.form.StProekt, 5 * 6.3 * 10);
    ExpectSameTexts(result.form);
  }
}

// Costs inside an interval (fractions in general form, the cost as typed)
// and at and beyond the bounds of the table: above the last bound it is
// priced at it; on the last bound the last interval is used and the typed
// text kept; on an inner bound the interval starting there is taken.
TEST(ConstructionCostCalculation, InterpolatesInTheIntervalOfTheCost) {
  struct Case {
    const char* cost;
    const char* category;
    const char* txtPr;
    const char* txtS;
    double StProekt;
  };
  const Case cases[] = {
      {"15", "1", "4 + (( 15 - 10 ) * ( 3  - 4 )) / ( 20 - 10 ) = 3,500", "3,500 x 1000 x 15 /100 = 525,000", 525.0},
      // P = 4.4 + (3.4 - 4.4) * 2.5 / 10 = 4.15; cost 12.5 * 4.15 * 10 = 518.75.
      {"12,50", "2", "4,4 + (( 12,50 - 10 ) * ( 3,4  - 4,4 )) / ( 20 - 10 ) = 4,150",
       "4,150 x 1000 x 12,50 /100 = 518,750", 518.75},
      {"80", "5", "3,1 + (( 50 - 20 ) * ( 2,1  - 3,1 )) / ( 50 - 20 ) = 2,100", "2,100 x 1000 x 50 /100 = 1050,000",
       1050.0},
      {"50,0", "4", "3,2 + (( 50,0 - 20 ) * ( 2,2  - 3,2 )) / ( 50 - 20 ) = 2,200",
       "2,200 x 1000 x 50,0 /100 = 1100,000", 1100.0},
      {"20", "1", "3 + (( 20 - 20 ) * ( 2,5  - 3 )) / ( 50 - 20 ) = 3,000", "3,000 x 1000 x 20 /100 = 600,000", 600.0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.cost);
    const Outcome result = Calculate(c.cost, c.category);
    ASSERT_TRUE(result.ok);
    EXPECT_TRUE(result.messages.entries.empty());
    EXPECT_EQ(result.form.txtPr, c.txtPr);
    EXPECT_EQ(result.form.txtS, c.txtS);
    EXPECT_DOUBLE_EQ(result.form.StProekt, c.StProekt);
    ExpectSameTexts(result.form);
  }
}

// No construction prices no design: 0 and below are refused, not priced
// at the first bound.
TEST(ConstructionCostCalculation, CostOfZeroOrBelowIsRefused) {
  for (const std::string typed : {"0", "-3"}) {
    SCOPED_TRACE(typed);
    EXPECT_FALSE(Calculate(typed, "3").ok);
  }
}

TEST(ConstructionCostCalculation, WholeCategoryWrittenWithFractionIsAccepted) {
  const Outcome result = Calculate("15", "1,0");
  ASSERT_TRUE(result.ok);
  EXPECT_DOUBLE_EQ(result.form.StProekt, 525.0);
}

TEST(ConstructionCostCalculation, RoundCostStaysRound) {
  NormStore store;
  store.Smr = {Line(10, {3.1, 3.1, 3.1, 3.1, 3.1}), Line(50, {3.1, 3.1, 3.1, 3.1, 3.1})};
  const Outcome result = Calculate("30", "1", store);
  ASSERT_TRUE(result.ok);
  EXPECT_EQ(GeneralForm(result.form.StProekt), "930");
  EXPECT_EQ(result.form.txtS, "3,100 x 1000 x 30 /100 = 930,000");
}

TEST(ConstructionCostCalculation, NewCalculationReplacesThePreviousOne) {
  const NormStore store = SampleTable();
  RecordingMessages messages;
  ConstructionCostForm form = Typed("15", "1");
  ASSERT_TRUE(ConstructionCostCmdOk(form, store, messages));
  form.txt1 = "80";
  form.txt2 = "5";
  ASSERT_TRUE(ConstructionCostCmdOk(form, store, messages));
  EXPECT_DOUBLE_EQ(form.StProekt, 1050.0);
  EXPECT_EQ(form.txtS, "2,100 x 1000 x 50 /100 = 1050,000");
  ExpectSameTexts(form);
}

struct RefusedCase {
  std::string cost;
  std::string category;
  std::vector<PercentageLine> table;
  std::string message;
};

TEST(ConstructionCostMessages, RefusedInputIsReportedAndChangesNothing) {
  const std::vector<PercentageLine> table = SampleTable().Smr;
  const std::string badCategory = "Категория сложности должна быть целым числом от 1 до 5.";
  const std::string shortTable =
      "В таблице процентов от стоимости СМР меньше двух строк: расчет невозможен.";
  const std::vector<RefusedCase> cases = {
      {"", "1", table, "Не задана стоимость СМР, млн. руб."},
      {"   ", "1", table, "Не задана стоимость СМР, млн. руб."},
      {"abc", "1", table, "Стоимость СМР «abc» не является числом."},
      {"1,2,3", "1", table, "Стоимость СМР «1,2,3» не является числом."},
      {"-", "1", table, "Стоимость СМР «-» не является числом."},
      {"15", "", table, badCategory},
      {"15", "x", table, badCategory},
      {"15", "0", table, badCategory},
      {"15", "6", table, badCategory},
      {"15", "-1", table, badCategory},
      {"15", "2,5", table, badCategory},
      {"15", "1", {}, shortTable},
      {"15", "1", {Line(10, {4, 4, 4, 4, 4})}, shortTable},
      {"25", "1",
       {Line(10, {4, 4, 4, 4, 4}), Line(20, {3, 3, 3, 3, 3}), Line(20, {2, 2, 2, 2, 2})},
       "В таблице процентов от стоимости СМР две строки с одинаковой стоимостью 20 млн. руб. "
       "(строки 2 и 3): расчет невозможен."},
      {"15", "1", {Line(20, {4, 4, 4, 4, 4}), Line(10, {3, 3, 3, 3, 3})},
       "В таблице процентов от стоимости СМР нет строки для стоимости 20 млн. руб.: "
       "проверьте порядок строк таблицы."},
  };
  for (const RefusedCase& refused : cases) {
    SCOPED_TRACE(refused.cost + " / " + refused.category + " / " + refused.message);
    NormStore store;
    store.Smr = refused.table;
    ConstructionCostForm form = Typed(refused.cost, refused.category);
    form.txtPr = form.lblPr = "прежний процент";
    form.txtS = form.lblS = "прежняя стоимость";
    form.StProekt = 77;
    RecordingMessages messages;

    EXPECT_FALSE(ConstructionCostCmdOk(form, store, messages));

    ASSERT_EQ(messages.entries.size(), 2u);
    EXPECT_EQ(messages.entries[0].kind, Kind::Beep);
    EXPECT_EQ(messages.entries[1].kind, Kind::Message);
    EXPECT_EQ(messages.entries[1].title, "Ошибка в исходных данных!!");
    EXPECT_EQ(messages.entries[1].icon, MessageIcon::Exclamation);
    EXPECT_EQ(messages.entries[1].text, refused.message);
    EXPECT_EQ(form.txt1, refused.cost);
    EXPECT_EQ(form.txt2, refused.category);
    EXPECT_EQ(form.txtPr, "прежний процент");
    EXPECT_EQ(form.lblPr, "прежний процент");
    EXPECT_EQ(form.txtS, "прежняя стоимость");
    EXPECT_EQ(form.lblS, "прежняя стоимость");
    EXPECT_EQ(form.StProekt, 77);
  }
}

TEST(ConstructionCostTransfer, HandsTheCostToTheMainWindowAsOneRowTable) {
  ConstructionCostForm form = Typed("15", "1");
  RecordingMessages messages;
  ASSERT_TRUE(ConstructionCostCmdOk(form, SampleTable(), messages));
  MainForm main;
  main.txtV[2] = "5";
  main.txtSt[2] = "100";
  main.txtStBaz = "12";

  ConstructionCostCmdGl(form, main);

  EXPECT_EQ(main.txtNp, "Объект");
  EXPECT_EQ(main.txtKolic, "1");
  EXPECT_EQ(main.txtV[1], "1");
  EXPECT_EQ(main.txtSt[1], "525");
  // Points of an earlier table would be priced with the handed cost.
  EXPECT_EQ(main.txtV[2], "");
  EXPECT_EQ(main.txtSt[2], "");
  EXPECT_EQ(main.txtStBaz, "12");
  EXPECT_DOUBLE_EQ(form.StProekt, 525.0);
}

TEST(ConstructionCostTransfer, BeforeAnyCalculationPassesZero) {
  MainForm main;
  ConstructionCostCmdGl(ConstructionCostForm{}, main);
  EXPECT_EQ(main.txtNp, "Объект");
  EXPECT_EQ(main.txtKolic, "1");
  EXPECT_EQ(main.txtV[1], "1");
  EXPECT_EQ(main.txtSt[1], "0");
}

TEST(ConstructionCostTransfer, PassesFractionalCostInGeneralForm) {
  NormStore store;
  store.Smr = {Line(10, {3.1, 3.1, 3.1, 3.1, 3.1}), Line(50, {3.1, 3.1, 3.1, 3.1, 3.1})};
  ConstructionCostForm form = Typed("12,345", "1");
  RecordingMessages messages;
  ASSERT_TRUE(ConstructionCostCmdOk(form, store, messages));
  MainForm main;
  ConstructionCostCmdGl(form, main);
  EXPECT_EQ(main.txtSt[1], "382,695");
}

}  // namespace
}  // namespace verdin
