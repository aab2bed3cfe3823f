// Estimates and general data for the tests of the estimate figures and
// the estimate sheet: the general data as the program ships them and
// items built from a pricing mode, a base amount and coefficients.
#pragma once

#include <string>
#include <utility>
#include <vector>

#include "core/estimate.h"
#include "core/estimate_figures.h"

namespace verdin::testing {

// The general data of a first start: the shipped charge rows and
// signatories, the contract of the general-data window on 6 December 2026.
inline GeneralData ShippedGeneralData() {
  GeneralData general;
  general.header = CleanHeaderTexts("2008/11", "12-06-2026",
                                    {"Строительный проект\r\n", "ООО \"Кварцтехлит\"", "ОАО \"Зеленовка\""});
  general.charges = {{
      {true, 33.6, "Сложившийся уровень рентабельности, %"},
      {true, 0, "База для расчета в инновационный фонд"},
      {true, 4.5, "Отчисления в инновационный фонд, %"},
      {true, 0.5, "Отчисления в фонд стройнауки, %"},
      {true, 2, "Отчисления в фонд под. с/х, %"},
      {false, 0, ""},
      {false, 0, ""},
      {true, 18, "НДС, %"},
  }};
  general.signatories = {{
      {true, "ГИП", "Р.Т Бельчар"},
      {true, "Зам. директора по экономике", "О.К. Дорсинская"},
      {false, " ", " "},
  }};
  return general;
}

using Coefficients = std::vector<std::pair<std::string, double>>;

// Adds item n of the estimate: "Объект n", 100 м2, base amount and cost
// `base`, coefficients with the bases "Основание 1", "Основание 2", ...
inline EstimateItem& AddItem(Estimate& estimate, PricingMode mode, double base, const Coefficients& coefficients = {}) {
  EstimateItem& item = estimate.items.emplace_back();
  item.mode = mode;
  item.name = "Объект " + std::to_string(estimate.Count());
  item.quantityText = "100";
  item.unit = "м2";
  item.reference = "Табл. 2.1, п. 3";
  item.calculation = "Цб = …";
  item.baseAmount = base;
  item.cost = base;
  for (std::size_t j = 0; j < coefficients.size(); ++j) {
    item.applied.push_back({coefficients[j].first, coefficients[j].second, "Основание " + std::to_string(j + 1)});
  }
  return item;
}

}  // namespace verdin::testing
