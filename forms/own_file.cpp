#include "forms/own_file.h"

#include "core/line_file.h"

namespace verdin {

namespace {

constexpr const char* kNewEstimate = "Новая смета";

std::filesystem::path FolderOf(const std::filesystem::path& path) { return (path.parent_path() / "").lexically_normal(); }

int SaveTypeOf(const std::filesystem::path& workbook) {
  const std::string extension = PathText(workbook.extension());
  if (extension == ".xlsx") return kSaveTypeXlsx;
  if (extension == ".pdf") return kSaveTypePdf;
  return kSaveTypeXls;
}

}  // namespace

std::optional<std::filesystem::path> OwnEstimateFile(const AppState& state) {
  const std::filesystem::path& own = state.estimateFile;
  if (own.empty() || !own.has_stem()) return std::nullopt;
  const auto& temp = state.folders.PathTemp;
  if (!temp.empty() && FolderOf(own) == (temp / "").lexically_normal()) return std::nullopt;
  return own;
}

std::optional<std::filesystem::path> OwnWorkbook(const AppState& state) {
  const auto own = OwnEstimateFile(state);
  if (!own) return std::nullopt;
  const std::filesystem::path& last = state.FileXls;
  if (!last.empty() && last.stem() == own->stem()) return last;
  return own->parent_path() / PathFromText(PathText(own->stem()) + ".xls");
}

std::string WindowTitle(const AppState& state, const MainForm& form) {
  const auto own = OwnEstimateFile(state);
  const std::string name = own ? PathText(own->stem()) : std::string(kNewEstimate);
  return name + (state.unsavedChanges ? "*" : "") + " — " + form.caption;
}

FileSaveForm ProposedSave(const AppState& state, const GeneralDataForm& frmObD) {
  FileSaveForm form = LoadFileSave(state.folders, frmObD, state.estimate.summary);
  const auto own = OwnEstimateFile(state);
  const auto workbook = OwnWorkbook(state);
  if (!own || !workbook) return form;
  form.PathIsx = own->parent_path();
  ChangeSaveFolder(form, workbook->parent_path());
  ChooseSaveType(form, SaveTypeOf(*workbook));
  ChangeNameFile(form, PathText(own->stem()) + PathText(workbook->extension()));
  return form;
}

std::optional<SaveChoice> OwnFileSaveDialog::Ask(MainContext& ctx) {
  FileSaveForm form = ProposedSave(ctx.state, ctx.frmObD);
  return ConfirmFileSave(form, ctx.messages);
}

}  // namespace verdin
