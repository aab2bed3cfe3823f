#include "core/pricing.h"

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
// falls from Lmax to Lmin across the interval of the table that holds C.
BasePrice Percentage(const NormStore& store, const std::string& X, int category) {
  const int m = store.SmrLineCount();
  if (m < 2) {
    throw PricingError("В таблице процентов от стоимости СМР меньше двух строк: расчет невозможен.");
  }
  if (category < 1 || category > 5) {
    throw PricingError("Категория сложности должна быть от I до V.");
  }
  double C = QuantityValue(X, "Стоимость СМР");
  std::string CText = X;
  if (C <= store.SmrD(1, 0)) {
    C = store.SmrD(1, 0);
    CText = Num(C);
  } else if (C > store.SmrD(m, 0)) {
    C = store.SmrD(m, 0);
    CText = Num(C);
  }
  int k = m - 1;  // C equal to the last bound uses the last interval
  for (int i = 1; i < m; ++i) {
    if (store.SmrD(i, 0) <= C && C < store.SmrD(i + 1, 0)) {
      k = i;
      break;
    }
  }
  const double Lmax = store.SmrD(k, category);
  const double Lmin = store.SmrD(k + 1, category);
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

}  // namespace

bool IsBlankCell(const std::string& text) { return Trim(text).empty(); }

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

void CheckUserTableOrder(const NormRow& row, int gridRow) {
  const auto size = row.points.size();
  if (size >= 2 && !(row.points[size - 1].x > row.points[size - 2].x)) {
    throw PricingError("В таблице значения в графе «Кол.» должны возрастать сверху вниз; строка " +
                       std::to_string(gridRow) + " нарушает порядок.");
  }
}

const NormRow* PricedRow(const NormStore& store, const PricingRequest& request) {
  if (request.t == 1 && request.r == 0) return request.userTable;
  return NormRowAt(store, request.t, request.r);
}

const NormRow* NormRowAt(const NormStore& store, int t, int r) {
  if (t < 1 || t > store.TableCount()) return nullptr;
  const auto& rows = store.Table(t).rows;
  if (r < 1 || r > static_cast<int>(rows.size())) return nullptr;
  return &rows[static_cast<std::size_t>(r - 1)];
}

namespace {

// Where a refused price came from, for its message: «таблица 2.1, пункт 3».
std::string PricedPlace(const NormStore& store, const PricingRequest& request) {
  if (request.NomTab == 2 || request.t < 1 || request.t > store.TableCount() || request.userTable != nullptr) {
    return {};
  }
  const NormTable& table = store.Table(request.t);
  std::string place = " (таблица «" + table.title + "»";
  if (request.r >= 1 && request.r <= static_cast<int>(table.rows.size())) {
    place += ", пункт «" + table.rows[static_cast<std::size_t>(request.r - 1)].title + "»";
  }
  return place + ")";
}

// Where the quantity of a refused extrapolation lies: a row whose prices
// fall turns negative beyond its last point, one whose prices rise below
// its first.
std::string ExtrapolatedSide(const NormStore& store, const PricingRequest& request) {
  const NormRow* row = request.NomTab == 2 ? nullptr : PricedRow(store, request);
  if (row != nullptr && row->points.size() > 1 && QuantityValue(request.X, "Количество") >= row->points.back().x) {
    return "выше последней точки";
  }
  return "ниже первой точки";
}

// A price that overflowed or grew beyond the bound is no price: it would be
// shown and written as if it were one. Nor is a negative one, which only a
// steep extrapolation beyond the row's points can give.
std::optional<BasePrice> SoundPrice(std::optional<BasePrice> price, const NormStore& store,
                                    const PricingRequest& request) {
  if (price && !WithinAmountBound(price->Cb)) {
    throw PricingError("Базовая цена по этим данным" + PricedPlace(store, request) + " получилась больше " +
                       AmountBoundText() + " по абсолютной величине или не числом: объект не рассчитан. "
                       "Проверьте количество и значения пункта таблицы.");
  }
  if (price && price->Cb < 0) {
    throw PricingError("Базовая цена по этим данным" + PricedPlace(store, request) + " получилась отрицательной (" +
                       Num(price->Cb) + "): количество лежит слишком далеко " + ExtrapolatedSide(store, request) +
                       " пункта. Объект не рассчитан; проверьте количество.");
  }
  return price;
}

std::optional<BasePrice> PriceOf(const NormStore& store, const PricingRequest& request) {
  if (request.NomTab == 2) return Percentage(store, request.X, request.category);
  const NormRow* row = PricedRow(store, request);
  if (row == nullptr) {
    throw PricingError(request.NomTab < 0 ? "Не выбрана таблица СБЦ." : "Не выбран пункт таблицы СБЦ.");
  }
  const double x = QuantityValue(request.X, "Количество");
  if (row->points.size() > 1) return Interpolate(*row, x, request.X);
  if (row->points.size() == 1) return Proportional(row->points.front(), x, request.X);
  return std::nullopt;
}

}  // namespace

std::optional<BasePrice> RaschCb(const NormStore& store, const PricingRequest& request) {
  return SoundPrice(PriceOf(store, request), store, request);
}

}  // namespace verdin
