// The base price: interpolation, damped extrapolation, proportional and
// percentage pricing, each with its calculation text letter for letter.
#include "core/pricing.h"

#include <array>

#include <gtest/gtest.h>

#include "core/text_forms.h"

namespace verdin {
namespace {

const std::string kBelow = "Цб = Цмин - ((Цмин+1 - Цмин) х (Хмин - Хоб) х 0.8 / (Хмин+1 - Хмин)) = ";
const std::string kAbove = "Цб = Цмах + ((Цmax - Цmax-1) х (Хоб - Хmax) х 0.8 / (Хmax - Хmax-1)) = ";
const std::string kBetween = "Цб = Цмин + ((Цmax - Цмин) х (Хоб - Хмин) / (Хmax - Хмин)) = ";
const std::string kProportional = "Цб = Ц х Хоб  / Х = ";
const std::string kPercentage = "Cсмр х 1000 х [ Lmax - (( Lmax - Lmin ) х ( Cсмр - Срmin ) / ( Сmax - Сmin ) ] / 100= ";

NormStore StoreWithRow(std::vector<NormPoint> points) {
  NormStore store;
  store.tables.resize(4);
  store.tables[3].title = "2.1. Жилые здания";
  store.tables[3].rows.push_back({"3. Жилые дома", std::move(points)});
  return store;
}

NormStore TwoPointStore() {
  return StoreWithRow({{1000, 18552.02, "м2"}, {5000, 83289.25, "м2"}});
}

// The first row of the norm table at entry 3, priced for quantity X.
ItemInput RowRequest(const std::string& X) {
  ItemInput request;
  request.mode = PricingMode::NormTable;
  request.tableEntry = 3;
  request.row = 0;
  request.quantityText = X;
  return request;
}

// Between the points the price is interpolated, below the first and above
// the last it is extrapolated with damping; the text names each figure.
TEST(RaschCb, InterpolatesBetweenAndExtrapolatesBeyondThePointsWithDamping) {
  struct Case {
    const char* X;
    double Cb;
    bool exact;  // the figure itself, not only to within rounding: it is truncated to thousandths next
    std::string text;
  };
  const Case cases[] = {
      {"3000", 50920.634999999995, true,
       kBetween + "18552,02 +  (( 83289,25 - 18552,02 ) x ( 3000 - 1000 )  / ( 5000 - 1000 )) = "},
      {"500", 12078.297, false,
       kBelow + "18552,02 -  (( 83289,25 - 18552,02 ) x ( 1000 - 500 ) x 0.8 / ( 5000 - 1000 )) = "},
      {"6000", 96236.696, false,
       kAbove + "83289,25 +  (( 83289,25 - 18552,02 ) x ( 6000 - 5000 ) x 0.8 / ( 5000 - 1000 )) = "},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.X);
    const auto result = RaschCb(TwoPointStore(), RowRequest(c.X));
    ASSERT_TRUE(result);
    if (c.exact) {
      EXPECT_EQ(result->Cb, c.Cb);
    } else {
      EXPECT_DOUBLE_EQ(result->Cb, c.Cb);
    }
    EXPECT_EQ(result->Text, c.text);
  }
}

TEST(RaschCb, TheEndPointsThemselvesGoToTheExtrapolationFormulas) {
  const auto first = RaschCb(TwoPointStore(), RowRequest("1000"));
  EXPECT_EQ(first->Cb, 18552.02);
  EXPECT_EQ(first->Text.rfind(kBelow, 0), 0U);
  const auto last = RaschCb(TwoPointStore(), RowRequest("5000"));
  EXPECT_EQ(last->Cb, 83289.25);
  EXPECT_EQ(last->Text.rfind(kAbove, 0), 0U);
}

TEST(RaschCb, ManyPointsUseTheBracketingPair) {
  const NormStore store = StoreWithRow({{10, 1, "м"}, {20, 3, "м"}, {40, 4, "м"}, {80, 10, "м"}});
  const auto result = RaschCb(store, RowRequest("30"));
  EXPECT_DOUBLE_EQ(result->Cb, 3.5);
  EXPECT_EQ(result->Text, kBetween + "3 +  (( 4 - 3 ) x ( 30 - 20 )  / ( 40 - 20 )) = ");
  // Above the last point the two outermost points are used.
  EXPECT_DOUBLE_EQ(RaschCb(store, RowRequest("100"))->Cb, 10 + (20 * 6 * 0.8) / 40);
}

TEST(RaschCb, QuantityIsCopiedAsTyped) {
  const auto result = RaschCb(TwoPointStore(), RowRequest("3000,50"));
  EXPECT_NE(result->Text.find("x ( 3000,50 - 1000 )"), std::string::npos) << result->Text;
  const auto withPoint = RaschCb(TwoPointStore(), RowRequest("3000.5"));
  EXPECT_DOUBLE_EQ(withPoint->Cb, result->Cb);
}

TEST(RaschCb, SinglePointIsPricedInProportion) {
  const auto result = RaschCb(StoreWithRow({{100, 50, "шт"}}), RowRequest("30"));
  ASSERT_TRUE(result);
  EXPECT_DOUBLE_EQ(result->Cb, 15);
  EXPECT_EQ(result->Text, kProportional + "50 x  30  / 100 = ");
}

TEST(RaschCb, RowWithoutPointsGivesNoResult) {
  EXPECT_FALSE(RaschCb(StoreWithRow({}), RowRequest("30")));
}

TEST(RaschCb, InputThatCannotBePricedIsRefusedWithAMessage) {
  const auto refused = [](const NormStore& store, const ItemInput& request, const std::string& fragment) {
    try {
      RaschCb(store, request);
      ADD_FAILURE() << "priced";
    } catch (const PricingError& error) {
      EXPECT_NE(std::string(error.what()).find(fragment), std::string::npos) << error.what();
    }
  };
  refused(TwoPointStore(), RowRequest("3000,,5"), "«3000,,5» не является числом");
  refused(TwoPointStore(), RowRequest("abc"), "не является числом");
  refused(StoreWithRow({{0, 50, "шт"}}), RowRequest("30"), "пропорциональный расчет невозможен");
  refused(StoreWithRow({{10, 1, "м"}, {10, 2, "м"}}), RowRequest("5"), "одинаковым значением");
  ItemInput noRow = RowRequest("5");
  noRow.row = 1;
  refused(TwoPointStore(), noRow, "Не выбран пункт");
  ItemInput noTable = RowRequest("5");
  noTable.tableEntry = -1;
  noTable.row = -1;
  refused(TwoPointStore(), noTable, "Не выбрана таблица");
  // A steep row extrapolated far below its first point: no negative price.
  refused(StoreWithRow({{500, 100, "м"}, {600, 1000, "м"}}), RowRequest("250"), "слишком далеко ниже первой точки");
  // A row whose prices fall turns negative beyond its last point.
  refused(StoreWithRow({{500, 1000, "м"}, {600, 100, "м"}}), RowRequest("900"), "слишком далеко выше последней точки");
}

TEST(UserTable, FilledGridRowsArePackedInOrder) {
  std::array<std::string, 30> txtV{}, txtSt{};
  txtV[0] = "100";
  txtSt[0] = "10";
  txtV[1] = "150";  // half filled: skipped
  txtV[2] = "200";
  txtSt[2] = "30";
  txtV[4] = "  ";  // blanks only count as empty
  txtSt[4] = "7";
  txtV[23] = "300";  // beyond the 23 rows the user table holds
  txtSt[23] = "40";
  NormStore store = TwoPointStore();
  ItemInput request;
  request.mode = PricingMode::UserTable;
  request.tableEntry = 0;
  request.userTable = PackUserTable(txtV, txtSt, 23);
  ASSERT_EQ(request.userTable.points.size(), 2U);
  EXPECT_DOUBLE_EQ(request.userTable.points[1].x, 200);
  request.quantityText = "150";
  EXPECT_DOUBLE_EQ(RaschCb(store, request)->Cb, 20);
}

TEST(UserTable, CellsThatAreNotNumbersOrOutOfOrderAreRefused) {
  std::array<std::string, 23> txtV{}, txtSt{};
  txtV[0] = "100";
  txtSt[0] = "10";
  txtV[1] = "1,2,3";
  txtSt[1] = "20";
  EXPECT_THROW(PackUserTable(txtV, txtSt, 23), PricingError);
  txtV[1] = "100";
  try {
    PackUserTable(txtV, txtSt, 23);
    FAIL();
  } catch (const PricingError& error) {
    EXPECT_NE(std::string(error.what()).find("строка 2"), std::string::npos) << error.what();
  }
}

NormStore PercentageStore() {
  NormStore store;
  store.tables.resize(4);
  const auto line = [](std::vector<double> numbers) {
    PercentageLine parsed;
    parsed.numbers = std::move(numbers);
    return parsed;
  };
  store.Smr = {line({0.5, 4.2, 4.8, 5.5, 6.3, 7.2}), line({1, 3.9, 4.5, 5.1, 5.9, 6.7}),
               line({5, 3.1, 3.6, 4.2, 4.8, 5.4})};
  return store;
}

// The construction-cost entry for cost X and a category counted from 0 (0 = "I").
ItemInput PercentageRequest(const std::string& X, int category) {
  ItemInput request;
  request.mode = PricingMode::ConstructionCost;
  request.tableEntry = 2;
  request.quantityText = X;
  request.category = category;
  return request;
}

TEST(RaschCbPercentage, InterpolatesThePercentageAndAppliesItToTheCost) {
  const auto result = RaschCb(PercentageStore(), PercentageRequest("3", 1));
  ASSERT_TRUE(result);
  const double L = 4.5 - ((4.5 - 3.6) * (3 - 1)) / (5 - 1);
  EXPECT_DOUBLE_EQ(result->Cb, L * (10 * 3));
  EXPECT_EQ(result->Text, kPercentage + "3х 1000 х [ 4,5 - (( 3 - 1 ) * ( 4,5  - 3,6 )) / ( 5 - 1 ) ] / 100 = 3 x 1000 x 4,050 / 100 = ");
}

TEST(RaschCbPercentage, CostsOutsideTheTableUseItsBounds) {
  const auto below = RaschCb(PercentageStore(), PercentageRequest("0,2", 0));
  EXPECT_DOUBLE_EQ(below->Cb, 4.2 * (10 * 0.5));
  EXPECT_EQ(below->Text.find("0,2"), std::string::npos);
  EXPECT_NE(below->Text.find("100= 0,5х 1000 х [ "), std::string::npos) << below->Text;
  const auto above = RaschCb(PercentageStore(), PercentageRequest("12", 4));
  EXPECT_DOUBLE_EQ(above->Cb, 5.4 * (10 * 5));
  EXPECT_NE(above->Text.find("100 = 5 x 1000 x 5,400 / 100 = "), std::string::npos) << above->Text;
  const auto last = RaschCb(PercentageStore(), PercentageRequest("5", 4));
  EXPECT_DOUBLE_EQ(last->Cb, above->Cb);
}

TEST(RaschCbPercentage, DoublePrecisionKeepsRoundFigures) {
  NormStore store = PercentageStore();
  store.Smr[2].numbers = {30, 3.1, 3.1, 3.1, 3.1, 3.1};
  store.Smr[1].numbers = {10, 3.1, 3.1, 3.1, 3.1, 3.1};
  EXPECT_EQ(GeneralForm(RaschCb(store, PercentageRequest("30", 0))->Cb), "930");
}

}  // namespace
}  // namespace verdin
