#include "core/item_input.h"

#include <algorithm>
#include <cmath>

#include "core/amount_bound.h"
#include "core/cost_chain.h"
#include "core/index.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

constexpr int kFirstSearchedTables = 50;

constexpr const char* kEmptyUserTable =
    "Таблица не заполнена: введите в графы «Кол.» и «Стоимость» хотя бы одну строку "
    "(натуральный показатель и его стоимость), затем нажмите «Рассчитать текущий объект».";

// The base price of a share: the cost of its source as it stands now.
double ShareBase(const ItemInput& input, const Estimate& estimate) {
  if (input.shareSource < 0 || input.shareSource >= estimate.Count()) {
    throw PricingError("Объект, от суммы которого рассчитывается доля, в смете не найден.");
  }
  return estimate.items[At(input.shareSource)].cost;
}

// The quantity box of a mode as the main window names it.
std::string QuantityField(PricingMode mode) {
  return mode == PricingMode::ConstructionCost ? "Цсмр, млн.руб" : "Количество";
}

// Nothing is priced for no work: a quantity of 0 would still be priced by a
// table's extrapolation, and a negative one is no quantity at all.
void RequireQuantityAboveZero(const ItemInput& input) {
  if (input.quantity > 0) return;
  throw PricingError("Значение «" + GeneralForm(input.quantity) + "» в поле «" + QuantityField(input.mode) +
                     "» должно быть больше 0: объект не рассчитан.");
}

std::optional<BasePrice> TableBase(const NormStore& store, const ItemInput& input) {
  if (input.mode == PricingMode::UserTable && input.userTable.points.empty()) {
    throw PricingError(kEmptyUserTable);
  }
  if (input.mode == PricingMode::NormTable && input.tableEntry >= store.TableCount()) {
    throw PricingError("В базе нормативов нет таблицы, по которой рассчитан объект (строка " +
                       std::to_string(input.tableEntry + 1) + " списка таблиц).");
  }
  RequireQuantityAboveZero(input);
  return RaschCb(store, input);
}

// Nothing negative, infinite or beyond the bound is priced: such a figure
// could be shown and saved but never read back.
void RequireSoundCost(double cost) {
  if (!WithinAmountBound(cost)) {
    throw PricingError("Стоимость объекта получилась больше " + AmountBoundText() +
                       " по абсолютной величине или не числом: объект не рассчитан. "
                       "Проверьте количество и значения коэффициентов.");
  }
  if (cost < 0) {
    throw PricingError("Стоимость объекта получилась отрицательной (" + GeneralForm(cost) +
                       "): объект не рассчитан. Проверьте количество и значения коэффициентов.");
  }
}

}  // namespace

std::string ItemNumberText(int index) { return "№ " + std::to_string(index + 1); }

double ReadTypedAmount(std::string_view field, std::string_view text) {
  const std::string quoted = "«" + std::string(field) + "»";
  const std::string typed = Trim(text);
  constexpr const char* kExample = " Введите число с десятичной запятой, например 1250,5.";
  if (typed.empty()) throw PricingError("Поле " + quoted + " не заполнено." + kExample);
  const std::optional<double> value = ParseTypedNumber(typed);
  if (!value) throw PricingError("Значение «" + typed + "» в поле " + quoted + " не является числом." + kExample);
  if (!WithinAmountBound(*value)) throw PricingError(BeyondBoundMessage(field, typed));
  if (*value < 0) {
    throw PricingError("Значение «" + typed + "» в поле " + quoted +
                       " не может быть отрицательным: введите число не меньше 0.");
  }
  return *value;
}

double ShownValue(double amount) {
  return ParseTypedNumber(GeneralForm(TruncateToThousandths(amount))).value_or(0);
}

std::vector<AppliedCoefficient> AppliedCoefficients(const std::array<CoefficientRow, kCoefficientRows>& rows) {
  std::vector<AppliedCoefficient> applied;
  for (const CoefficientRow& row : rows) {
    if (row.ticked) applied.push_back({row.symbol, row.value, row.basis});
  }
  return applied;
}

PricedItem PriceItem(const NormStore& store, const ItemInput& input, const Estimate& estimate) {
  PricedItem price;
  price.applied = AppliedCoefficients(input.coefficientRows);
  if (input.mode == PricingMode::TypedCost) {
    RequireSoundCost(input.typedCost);
    // Kept to thousandths as every other cost, so that the list, its total
    // and the sheet's sum of the items count the same figure.
    price.cost = ShownValue(input.typedCost);
    price.basePrice = price.cost;
    return price;
  }
  if (input.mode == PricingMode::ShareOfItem) {
    price.basePrice = ShareBase(input, estimate);
  } else if (const std::optional<BasePrice> base = TableBase(store, input)) {
    price.basePrice = base->Cb;
    price.calculation = base->Text;
  }
  RequireSoundCost(price.basePrice);
  // The cost as the estimate sheet computes it, coefficient by coefficient.
  const double cost = ChainCoefficients(price.basePrice, price.applied).last;
  RequireSoundCost(cost);
  price.cost = ShownValue(cost);
  return price;
}

ItemInput StoredInput(const EstimateItem& item) {
  ItemInput input;
  input.mode = item.mode;
  input.tableEntry = item.TableListEntry();
  input.row = item.row;
  input.quantityText = GeneralForm(item.quantity);
  input.quantity = item.quantity;
  input.category = item.category;
  input.shareSource = item.shareSource;
  input.typedCost = item.typedCost;
  input.coefficientRows = item.coefficientRows;
  if (item.mode == PricingMode::UserTable) {
    std::array<std::string, kGridRows> x;
    std::array<std::string, kGridRows> prices;
    for (std::size_t j = 0; j < x.size(); ++j) {
      x[j] = item.grid[j].x;
      prices[j] = item.grid[j].price;
    }
    input.userTable = PackUserTable(x, prices, kGridRows);
  }
  return input;
}

void StoreInput(const ItemInput& input, EstimateItem& item) {
  item.mode = input.mode;
  item.table = input.mode == PricingMode::NormTable ? input.tableEntry : 0;
  item.row = input.row;
  item.quantity = input.quantity;
  item.shareSource = input.shareSource;
  item.typedCost = input.typedCost;
  item.category = input.category;
  item.coefficientRows = input.coefficientRows;
}

void StorePrice(const ItemInput& input, const PricedItem& price, EstimateItem& item) {
  item.calculation = price.calculation;
  item.applied = price.applied;
  item.basePrice = ShownValue(price.basePrice);
  item.cost = price.cost;
  item.baseAmount = input.mode == PricingMode::TypedCost ? price.cost : price.basePrice;
}

void PriceAtZero(EstimateItem& item) {
  item.basePrice = 0;
  item.cost = 0;
  item.baseAmount = 0;
  item.calculation.clear();
  item.applied = AppliedCoefficients(item.coefficientRows);
}

std::string EntryNumber(const std::string& title) {
  const std::size_t blank = title.find(' ');
  if (blank == std::string::npos || blank == 0) return {};
  return Trim(WithoutLastCharacters(std::string_view(title).substr(0, blank), 1));
}

std::string ItemReference(const EstimateItem& item, const NormStore& store) {
  switch (item.mode) {
    case PricingMode::ShareOfItem: return {};
    case PricingMode::TypedCost: return item.tableTitle + " " + item.rowTitle;
    case PricingMode::UserTable: {
      // The list's own entry names no table of the collection; only texts
      // the user gave the table are a reference.
      const bool listTitle = store.TableCount() > 0 && item.tableTitle == store.Table(0).title;
      return Trim(listTitle ? item.rowTitle : item.tableTitle + " " + item.rowTitle);
    }
    case PricingMode::ConstructionCost:
    case PricingMode::NormTable: break;
  }
  return "Табл. " + EntryNumber(item.tableTitle) + ", п. " + EntryNumber(item.rowTitle);
}

bool FindTableByTitle(const NormStore& store, EstimateItem& item) {
  if (item.mode == PricingMode::ShareOfItem) return true;
  const int last = std::min(store.TableCount(), kFirstSearchedTables);
  for (int t = 0; t < last; ++t) {
    if (store.Table(t).title == item.tableTitle) {
      item.SetTableListEntry(t);
      return true;
    }
  }
  return false;
}

namespace {

// Whether a share can be priced now: its source is settled (Ready), is a
// share not yet priced (Waiting), or is missing or the share itself (Broken).
enum class ShareState { Ready, Waiting, Broken };

ShareState StateOf(const Estimate& estimate, const std::vector<bool>& settled, int index) {
  const int source = estimate.items[At(index)].shareSource;
  if (source < 0 || source >= estimate.Count() || source == index) return ShareState::Broken;
  return settled[At(source)] ? ShareState::Ready : ShareState::Waiting;
}

void PriceShareAtZero(Estimate& estimate, int index) { PriceAtZero(estimate.items[At(index)]); }

}  // namespace

std::vector<ShareProblem> RepriceShares(const NormStore& store, Estimate& estimate) {
  const int count = estimate.Count();
  std::vector<bool> settled(At(count), true);
  for (int i = 0; i < count; ++i) settled[At(i)] = estimate.items[At(i)].mode != PricingMode::ShareOfItem;
  std::vector<ShareProblem> problems;
  // Each pass settles every share whose source is settled, in list order;
  // a pass that settles nothing leaves only shares that wait on each other.
  for (bool progress = true; progress;) {
    progress = false;
    for (int i = 0; i < count; ++i) {
      if (settled[At(i)]) continue;
      const ShareState state = StateOf(estimate, settled, i);
      if (state == ShareState::Waiting) continue;
      EstimateItem& item = estimate.items[At(i)];
      settled[At(i)] = true;
      progress = true;
      if (state == ShareState::Broken) {
        PriceShareAtZero(estimate, i);
        problems.push_back({i, "рассчитывается от суммы объекта, которого в смете нет"});
        continue;
      }
      try {
        const ItemInput input = StoredInput(item);
        StorePrice(input, PriceItem(store, input, estimate), item);
      } catch (const PricingError& error) {
        PriceShareAtZero(estimate, i);
        problems.push_back({i, error.what()});
      }
    }
  }
  for (int i = 0; i < count; ++i) {
    if (settled[At(i)]) continue;
    PriceShareAtZero(estimate, i);
    problems.push_back({i, "рассчитывается от суммы объекта " +
                               ItemNumberText(estimate.items[At(i)].shareSource) +
                               ", который сам рассчитан от суммы этого объекта"});
  }
  std::sort(problems.begin(), problems.end(), [](const auto& a, const auto& b) { return a.item < b.item; });
  return problems;
}

}  // namespace verdin
