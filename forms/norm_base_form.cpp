#include "forms/norm_base_form.h"

#include <algorithm>
#include <stdexcept>

#include "core/line_file.h"
#include "core/norm_collection.h"
#include "core/norm_loader.h"
#include "forms/coefficient_form.h"
#include "forms/norm_exchange.h"
#include "forms/open_estimate.h"

namespace verdin {

namespace {

constexpr const char* kExportTitle = "Выгрузка нормативной базы";
constexpr const char* kImportTitle = "Загрузка нормативной базы";
constexpr const char* kUnnamed = "не указано";

// The position of `title` in `titles`, or -1.
int IndexOf(const std::vector<std::string>& titles, const std::string& title) {
  const auto found = std::find(titles.begin(), titles.end(), title);
  return found == titles.end() ? -1 : static_cast<int>(found - titles.begin());
}

// The table and row chosen in the main window taken again by their titles
// from the new tables; a table that is gone gives way to the first norm
// table.
void SelectAgain(MainContext& ctx, const std::string& tableTitle, const std::string& rowTitle) {
  MainForm& form = ctx.frm1;
  int table = tableTitle.empty() ? -1 : IndexOf(form.cboTab, tableTitle);
  if (table < 0 && !tableTitle.empty()) table = ctx.state.KolSpec + 1;
  SelectTable(ctx, table);
  const int row = IndexOf(form.cboP, rowTitle);
  if (row >= 0) SelectRow(ctx, row, true);
}

// The industry list of the coefficient window from the new tables. The
// entry chosen stays chosen by its name; its value is taken again only
// when the new tables changed it, so a value the user typed for the same
// coefficient is kept.
void FollowIndustryList(CoefficientForm& form, const std::vector<IndustryCoefficient>& before, const NormStore& norms) {
  const bool chosen = form.cboKotrIndex >= 0 && form.cboKotrIndex < static_cast<int>(before.size());
  const IndustryCoefficient old = chosen ? before[static_cast<std::size_t>(form.cboKotrIndex)] : IndustryCoefficient{};
  form.cboKotr.clear();
  for (const IndustryCoefficient& coefficient : norms.Kotr) form.cboKotr.push_back(coefficient.name);
  int index = IndexOf(form.cboKotr, old.name);
  if (index < 0 && !form.cboKotr.empty()) index = 0;
  const bool same = index >= 0 && chosen && norms.Kotr[static_cast<std::size_t>(index)].value == old.value &&
                    norms.Kotr[static_cast<std::size_t>(index)].name == old.name;
  form.cboKotrIndex = same ? index : -1;
  if (!same && index >= 0) SelectKotr(form, norms, index, true);
}

void ShowIdentity(NormBaseForm& form, const std::filesystem::path& folder) {
  try {
    const NormIdentity identity = IdentifyNormDatabase(folder);
    form.lblName = identity.name.empty() ? std::string(kUnnamed) + " (отпечаток файлов " + identity.fingerprint + ")"
                                         : identity.name;
    form.lblDate = identity.date;
    form.lblTables = std::to_string(identity.tableCount);
  } catch (const std::runtime_error& error) {
    form.lblName = std::string("база не читается: ") + error.what();
    form.lblDate.clear();
    form.lblTables.clear();
  }
}

}  // namespace

NormBaseForm LoadNormBaseForm(const AppState& state) {
  NormBaseForm form;
  form.lblSource = PathText(state.folders.PathData);
  form.workbookFolder = state.folders.PathIsx;
  ShowIdentity(form, state.folders.PathData);
  return form;
}

std::string AboutDatabaseText(const AppState& state) {
  try {
    return "Нормативная база: " + NormIdentityText(IdentifyNormDatabase(state.folders.PathData));
  } catch (const std::runtime_error& error) {
    return std::string("Нормативная база не читается: ") + error.what();
  }
}

std::string ProposedNormWorkbookName(const NormBaseForm& form) {
  std::string name = "Нормативная база";
  if (!form.lblDate.empty()) name += " " + form.lblDate;
  return name + ".xlsx";
}

bool ExportNormBase(MainContext& ctx, NormBaseForm& form, const std::filesystem::path& file) {
  form.workbookFolder = file.parent_path();
  try {
    ExportNorms(ctx.state.folders.PathData, file);
  } catch (const std::runtime_error& error) {
    form.lblResult = "Книга не записана.";
    ctx.messages.Show(kExportTitle, error.what(), MessageIcon::Exclamation);
    return false;
  }
  form.lblResult = "База выгружена в книгу «" + PathText(file) + "».";
  return true;
}

bool ImportNormBase(MainContext& ctx, NormBaseForm& form, const std::filesystem::path& file) {
  form.workbookFolder = file.parent_path();
  form.lstProblems.clear();
  const auto confirm = [&](int tables) {
    return ctx.messages.AskOkCancel(
        kImportTitle,
        "Книга «" + PathText(file) + "» проверена: ошибок нет, таблиц: " + std::to_string(tables) +
            ".\rЗаменить ею нормативную базу?\rПрежние файлы базы сохранятся с расширением «.bak»;\r"
            "открытая смета будет рассчитана заново по новым таблицам.",
        MessageIcon::Question, DefaultButton::LeaveAsIs);
  };
  NormImport result;
  try {
    result = ImportNorms(ctx.state.folders.PathData, file, confirm);
  } catch (const std::runtime_error& error) {
    form.lblResult = "База норм не изменена.";
    ctx.messages.Show(kImportTitle, error.what(), MessageIcon::Exclamation);
    return false;
  }
  if (!result.written) {
    form.lstProblems = std::move(result.problems);
    form.lblResult = form.lstProblems.empty()
                         ? "База норм не изменена."
                         : NormImportRefusal(file) + " Ошибок: " + std::to_string(form.lstProblems.size()) + ".";
    return false;
  }
  form.lblResult = "База загружена из книги «" + PathText(file) + "», таблиц: " + std::to_string(result.tableCount) + ".";
  ReloadNormTables(ctx);
  ShowIdentity(form, ctx.state.folders.PathData);
  return true;
}

bool ReloadNormTables(MainContext& ctx) {
  AppState& state = ctx.state;
  MainForm& form = ctx.frm1;
  NormStore fresh;
  try {
    ZagrBaz(state.folders.PathData, fresh);
  } catch (const std::runtime_error& error) {
    ctx.messages.Show(kImportTitle,
                      std::string("Новые таблицы не загружены, программа работает с прежними.\r") + error.what(),
                      MessageIcon::Exclamation);
    return false;
  }
  const auto titleAt = [](const std::vector<std::string>& titles, int index) {
    return index >= 0 && index < static_cast<int>(titles.size()) ? titles[static_cast<std::size_t>(index)]
                                                                   : std::string();
  };
  const std::string tableTitle = titleAt(form.cboTab, form.cboTabIndex);
  const std::string rowTitle = titleAt(form.cboP, form.cboPIndex);
  const std::vector<IndustryCoefficient> industriesBefore = state.norms.Kotr;
  state.norms = std::move(fresh);
  form.cboTab.clear();
  for (const NormTable& table : state.norms.tables) form.cboTab.push_back(table.title);
  SelectAgain(ctx, tableTitle, rowTitle);
  FollowIndustryList(ctx.frmKoeff, industriesBefore, state.norms);
  PriceEstimateAgain(ctx);
  return true;
}

std::string ProblemsText(const NormBaseForm& form) {
  std::string text;
  for (const std::string& problem : form.lstProblems) text += problem + "\n";
  return text;
}

}  // namespace verdin
