#include "core/pricing.h"

#include <algorithm>
#include <string_view>

#include "core/amount_bound.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

// The legends of the calculation texts. In them the multiplication sign is
// the Cyrillic letter "х"; between the numbers it is the Latin "x".
constexpr std::string_view kBelowLegend =
    "Цб = Цмин - ((Цмин+1 - Цмин) х (Хмин - Хоб) х 0.8 / (Хмин+1 - Хмин)) = ";
constexpr std::string_view kAboveLegend =
    "Цб = Цмах + ((Цmax - Цmax-1) х (Хоб - Хmax) х 0.8 / (Хmax - Хmax-1)) = ";
constexpr std::string_view kBetweenLegend =
    "Цб = Цмин + ((Цmax - Цмин) х (Хоб - Хмин) / (Хmax - Хмин)) = ";
constexpr std::string_view kProportionalLegend = "Цб = Ц х Хоб  / Х = ";
constexpr std::string_view kPercentageLegend =
    "Cсмр х 1000 х [ Lmax - (( Lmax - Lmin ) х ( Cсмр - Срmin ) / ( Сmax - Сmin ) ] / 100= ";

// The damping factor of the extrapolation beyond the first or last point.
constexpr double kDamping = 0.8;

std::string Num(double value) { return GeneralForm(value); }

double QuantityValue(const std::string& X, const char* what) {
  const auto value = ParseTypedNumber(X);
  if (!value) {
    throw PricingError(std::string(what) + " «" + X +
                       "» не является числом. Введите число с десятичной запятой, например 1250,5.");
  }
  if (!WithinAmountBound(*value)) throw PricingError(BeyondBoundMessage(what, X));
  return *value;
}

// Both neighbouring indicators are different in a sound table; the check
// keeps a broken one from dividing by zero.
void RequireDistinct(double lower, double upper) {
  if (lower == upper) {
    throw PricingError("В пункте таблицы две точки с одинаковым значением показателя (" + Num(lower) +
                       "): интерполяция невозможна. Исправьте таблицу.");
  }
}

BasePrice BelowFirst(const NormRow& row, double x, const std::string& X) {
  const NormPoint& p1 = row.points[0];
  const NormPoint& p2 = row.points[1];
  RequireDistinct(p1.x, p2.x);
  BasePrice result;
  result.Cb = p1.price - ((p1.x - x) * (p2.price - p1.price) * kDamping) / (p2.x - p1.x);
  result.Text = std::string(kBelowLegend) + Num(p1.price) + " - " + " (( " + Num(p2.price) + " - " +
                Num(p1.price) + " ) x ( " + Num(p1.x) + " - " + X + " ) x 0.8 / ( " + Num(p2.x) +
                " - " + Num(p1.x) + " )) = ";
  return result;
}

BasePrice AboveLast(const NormRow& row, double x, const std::string& X) {
  const NormPoint& pn = row.points[row.points.size() - 1];
  const NormPoint& pm = row.points[row.points.size() - 2];
  RequireDistinct(pm.x, pn.x);
  BasePrice result;
  result.Cb = pn.price + ((x - pn.x) * (pn.price - pm.price) * kDamping) / (pn.x - pm.x);
  result.Text = std::string(kAboveLegend) + Num(pn.price) + " + " + " (( " + Num(pn.price) + " - " +
                Num(pm.price) + " ) x ( " + X + " - " + Num(pn.x) + " ) x 0.8 / ( " + Num(pn.x) +
                " - " + Num(pm.x) + " )) = ";
  return result;
}

std::optional<BasePrice> Between(const NormRow& row, double x, const std::string& X) {
  for (std::size_t i = 1; i < row.points.size(); ++i) {
    const NormPoint& upper = row.points[i];
    if (!(upper.x > x)) continue;
    const NormPoint& lower = row.points[i - 1];
    RequireDistinct(lower.x, upper.x);
    BasePrice result;
    result.Cb = lower.price + ((x - lower.x) * (upper.price - lower.price)) / (upper.x - lower.x);
    result.Text = std::string(kBetweenLegend) + Num(lower.price) + " + " + " (( " + Num(upper.price) +
                  " - " + Num(lower.price) + " ) x ( " + X + " - " + Num(lower.x) + " )  / ( " +
                  Num(upper.x) + " - " + Num(lower.x) + " )) = ";
    return result;
  }
  return std::nullopt;  // points out of order: no bracketing point
}

std::optional<BasePrice> Interpolate(const NormRow& row, double x, const std::string& X) {
  if (x <= row.points.front().x) return BelowFirst(row, x, X);
  if (x >= row.points.back().x) return AboveLast(row, x, X);
  return Between(row, x, X);
}

BasePrice Proportional(const NormPoint& point, double x, const std::string& X) {
  if (point.x == 0) {
    throw PricingError("Единственная точка пункта имеет значение показателя 0: "
                       "пропорциональный расчет невозможен. Исправьте таблицу.");
  }
  return {(x * point.price) / point.x,
          std::string(kProportionalLegend) + Num(point.price) + " x  " + X + "  / " + Num(point.x) + " = "};
}

// Design cost as a percentage of the construction cost: the percentage
// falls from Lmax to Lmin across the interval of the table that holds C,
// from line k to the line after it.
BasePrice Percentage(const NormStore& store, const std::string& X, int category) {
  const int m = store.SmrLineCount();
  if (m < 2) {
    throw PricingError("В таблице процентов от стоимости СМР меньше двух строк: расчет невозможен.");
  }
  if (category < 0 || category >= kCategoryCount) {
    throw PricingError("Категория сложности должна быть от I до V.");
  }
  const int field = kFirstCategoryField + category;
  const int lastLine = m - 1;
  double C = QuantityValue(X, "Стоимость СМР");
  std::string CText = X;
  if (C <= store.SmrD(0, 0)) {
    C = store.SmrD(0, 0);
    CText = Num(C);
  } else if (C > store.SmrD(lastLine, 0)) {
    C = store.SmrD(lastLine, 0);
    CText = Num(C);
  }
  int k = lastLine - 1;  // C equal to the last bound uses the last interval
  for (int i = 0; i < lastLine; ++i) {
    if (store.SmrD(i, 0) <= C && C < store.SmrD(i + 1, 0)) {
      k = i;
      break;
    }
  }
  const double Lmax = store.SmrD(k, field);
  const double Lmin = store.SmrD(k + 1, field);
  const double Cmin = store.SmrD(k, 0);
  const double Cmax = store.SmrD(k + 1, 0);
  if (Cmin == Cmax) {
    throw PricingError("В таблице процентов от стоимости СМР две строки с одинаковой стоимостью (" +
                       Num(Cmin) + "): интерполяция невозможна.");
  }
  const double L = Lmax - ((Lmax - Lmin) * (C - Cmin)) / (Cmax - Cmin);
  BasePrice result;
  result.Cb = L * (10 * C);
  result.Text = std::string(kPercentageLegend) + CText + "х 1000 х [ " + Num(Lmax) + " - (( " + CText + " - " +
                Num(Cmin) + " ) * ( " + Num(Lmax) + "  - " + Num(Lmin) + " )) / ( " + Num(Cmax) + " - " +
                Num(Cmin) + " ) ] / 100 = " + CText + " x 1000 x " + FixedThreeForm(L) + " / 100 = ";
  return result;
}

// A point of the user's table from the cells of grid row `gridRow` (as the
// window numbers it).
NormPoint UserTablePoint(const std::string& x, const std::string& price, int gridRow) {
  const auto number = [gridRow](const std::string& text, const char* column) {
    const auto value = ParseTypedNumber(text);
    if (!value) {
      throw PricingError("В строке " + std::to_string(gridRow) + " таблицы значение «" + text +
                         "» в графе «" + column + "» не является числом.");
    }
    if (!WithinAmountBound(*value)) {
      throw PricingError("В строке " + std::to_string(gridRow) + " таблицы значение «" + Trim(text) +
                         "» в графе «" + column + "» слишком велико: допускается число не больше " +
                         AmountBoundText() + " по абсолютной величине.");
    }
    return *value;
  };
  const double priceValue = number(price, "Стоимость");
  // The price cells take no minus sign; a pasted one is no price.
  if (priceValue < 0) {
    throw PricingError("В строке " + std::to_string(gridRow) + " таблицы значение «" + Trim(price) +
                       "» в графе «Стоимость» отрицательно: стоимость не может быть меньше 0.");
  }
  return {number(x, "Кол."), priceValue, {}};
}

// The last point added to `row` must lie above the one before it.
void CheckUserTableOrder(const NormRow& row, int gridRow) {
  const auto size = row.points.size();
  if (size >= 2 && !(row.points.back().x > row.points[size - 2].x)) {
    throw PricingError("В таблице значения в графе «Кол.» должны возрастать сверху вниз; строка " +
                       std::to_string(gridRow) + " нарушает порядок.");
  }
}

}  // namespace

bool IsBlankCell(const std::string& text) { return Trim(text).empty(); }

NormRow PackUserTable(std::span<const std::string> txtV, std::span<const std::string> txtSt, int KolStrPol) {
  NormRow row;
  const std::size_t rows = std::min({static_cast<std::size_t>(std::max(KolStrPol, 0)), txtV.size(), txtSt.size()});
  for (std::size_t i = 0; i < rows; ++i) {
    if (IsBlankCell(txtV[i]) || IsBlankCell(txtSt[i])) continue;
    const int shownRow = static_cast<int>(i) + 1;  // the window numbers its grid rows from 1
    row.points.push_back(UserTablePoint(txtV[i], txtSt[i], shownRow));
    CheckUserTableOrder(row, shownRow);
  }
  return row;
}

const NormRow* PricedRow(const NormStore& store, const ItemInput& input) {
  if (input.mode == PricingMode::UserTable && input.row == -1) return &input.userTable;
  return NormRowAt(store, input.tableEntry, input.row);
}

const NormRow* NormRowAt(const NormStore& store, int t, int r) {
  if (t < 0 || t >= store.TableCount()) return nullptr;
  const auto& rows = store.Table(t).rows;
  if (r < 0 || r >= static_cast<int>(rows.size())) return nullptr;
  return &rows[static_cast<std::size_t>(r)];
}

namespace {

// Where a refused price came from, for its message: «таблица 2.1, пункт 3».
std::string PricedPlace(const NormStore& store, const ItemInput& input) {
  if (input.mode == PricingMode::ConstructionCost || input.mode == PricingMode::UserTable ||
      input.tableEntry < 0 || input.tableEntry >= store.TableCount()) {
    return {};
  }
  const NormTable& table = store.Table(input.tableEntry);
  std::string place = " (таблица «" + table.title + "»";
  if (input.row >= 0 && input.row < static_cast<int>(table.rows.size())) {
    place += ", пункт «" + table.rows[static_cast<std::size_t>(input.row)].title + "»";
  }
  return place + ")";
}

// Where the quantity of a refused extrapolation lies: a row whose prices
// fall turns negative beyond its last point, one whose prices rise below
// its first.
std::string ExtrapolatedSide(const NormStore& store, const ItemInput& input) {
  const NormRow* row = input.mode == PricingMode::ConstructionCost ? nullptr : PricedRow(store, input);
  if (row != nullptr && row->points.size() > 1 && QuantityValue(input.quantityText, "Количество") >= row->points.back().x) {
    return "выше последней точки";
  }
  return "ниже первой точки";
}

// A price that overflowed or grew beyond the bound is no price: it would be
// shown and written as if it were one. Nor is a negative one, which only a
// steep extrapolation beyond the row's points can give.
std::optional<BasePrice> SoundPrice(std::optional<BasePrice> price, const NormStore& store,
                                    const ItemInput& input) {
  if (price && !WithinAmountBound(price->Cb)) {
    throw PricingError("Базовая цена по этим данным" + PricedPlace(store, input) + " получилась больше " +
                       AmountBoundText() + " по абсолютной величине или не числом: объект не рассчитан. "
                       "Проверьте количество и значения пункта таблицы.");
  }
  if (price && price->Cb < 0) {
    throw PricingError("Базовая цена по этим данным" + PricedPlace(store, input) + " получилась отрицательной (" +
                       Num(price->Cb) + "): количество лежит слишком далеко " + ExtrapolatedSide(store, input) +
                       " пункта. Объект не рассчитан; проверьте количество.");
  }
  return price;
}

std::optional<BasePrice> PriceOf(const NormStore& store, const ItemInput& input) {
  if (input.mode == PricingMode::ConstructionCost) return Percentage(store, input.quantityText, input.category);
  const NormRow* row = PricedRow(store, input);
  if (row == nullptr) {
    throw PricingError(input.tableEntry < 0 ? "Не выбрана таблица СБЦ." : "Не выбран пункт таблицы СБЦ.");
  }
  const double x = QuantityValue(input.quantityText, "Количество");
  if (row->points.size() > 1) return Interpolate(*row, x, input.quantityText);
  if (row->points.size() == 1) return Proportional(row->points.front(), x, input.quantityText);
  return std::nullopt;
}

}  // namespace

std::optional<BasePrice> RaschCb(const NormStore& store, const ItemInput& input) {
  return SoundPrice(PriceOf(store, input), store, input);
}

}  // namespace verdin
