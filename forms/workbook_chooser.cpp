#include "forms/workbook_chooser.h"

#include <system_error>

#include "core/line_file.h"
#include "forms/file_chooser_model.h"

namespace verdin {

namespace {

constexpr const char* kChoiceErrorTitle = "Ошибка ввода!!";
constexpr const char* kConfirmWriteTitle = "Подтверждение записи";
constexpr std::string_view kXlsxEnding = ".xlsx";

std::vector<std::string> TypesFor(WorkbookUse use) {
  if (use == WorkbookUse::Export) return {"Книга Excel (*.xlsx)", "Все файлы (*.*)"};
  return {"Книги Excel (*.xls*)", "Книга Excel (*.xlsx)", "Книга Excel 97-2003 (*.xls)", "Все файлы (*.*)"};
}

bool EndsWithNoCase(const std::string& text, std::string_view tail) {
  return text.size() >= tail.size() && MatchesPattern(text.substr(text.size() - tail.size()), std::string(tail));
}

bool NamesAFile(const std::string& text) {
  return text.find_first_not_of(" \t") != std::string::npos && text.find_first_of("*?") == std::string::npos;
}

// The path the name box stands for: a whole path as typed, a bare name in
// the folder shown.
std::filesystem::path ChosenPath(const WorkbookChooserForm& form) {
  std::string name = form.NameFile;
  if (form.use == WorkbookUse::Export && !EndsWithNoCase(name, kXlsxEnding)) name += kXlsxEnding;
  const std::filesystem::path typed = PathFromText(name);
  return typed.is_absolute() || form.folder.empty() ? typed : form.folder / typed;
}

void ShowChosen(WorkbookChooserForm& form) {
  form.lblNameFile = NamesAFile(form.NameFile) ? PathText(ChosenPath(form)) : "?";
}

}  // namespace

WorkbookChooserForm LoadWorkbookChooser(WorkbookUse use, const std::filesystem::path& folder,
                                        const std::string& proposedName) {
  WorkbookChooserForm form;
  form.use = use;
  form.caption = use == WorkbookUse::Export ? kNormExportCaption : kNormImportCaption;
  form.gmbSpecItems = TypesFor(use);
  ChooseWorkbookType(form, 0);
  ChangeWorkbookFolder(form, folder);
  ChangeWorkbookName(form, proposedName);
  return form;
}

void ChooseWorkbookType(WorkbookChooserForm& form, int index) {
  if (index < 0 || index >= static_cast<int>(form.gmbSpecItems.size())) return;
  form.gmbSpec = index;
  form.filePattern = PatternOf(form.gmbSpecItems[static_cast<std::size_t>(index)]);
}

void ChangeWorkbookFolder(WorkbookChooserForm& form, const std::filesystem::path& folder) {
  form.folder = folder;
  form.txtActDir = ShortFolderText(PathText(folder), kLoadFolderLimit);
  ShowChosen(form);
}

void ChangeWorkbookName(WorkbookChooserForm& form, const std::string& text) {
  form.NameFile = text;
  ShowChosen(form);
}

std::optional<std::filesystem::path> ConfirmWorkbookFile(WorkbookChooserForm& form, Messages& messages) {
  const bool exporting = form.use == WorkbookUse::Export;
  if (!NamesAFile(form.NameFile)) {
    messages.Show(kChoiceErrorTitle,
                  exporting ? "Не задано имя книги!!\rВведите имя в поле «Имя файла:» или выберите книгу в списке."
                            : "Не выбрана книга!!\rВыберите в списке книгу .xlsx или .xls.",
                  MessageIcon::Exclamation);
    return std::nullopt;
  }
  const std::filesystem::path file = ChosenPath(form);
  std::error_code error;
  const auto status = std::filesystem::status(file, error);
  if (exporting) {
    if (std::filesystem::is_directory(status)) {
      messages.Show(kChoiceErrorTitle, "«" + PathText(file) + "» — это папка, а не книга.", MessageIcon::Exclamation);
      return std::nullopt;
    }
    if (std::filesystem::exists(status) &&
        !messages.AskOkCancel(kConfirmWriteTitle, ReplaceFilesQuestion({PathText(file)}), MessageIcon::Question,
                              DefaultButton::LeaveAsIs)) {
      return std::nullopt;
    }
  } else if (!std::filesystem::is_regular_file(status)) {
    messages.Show(kChoiceErrorTitle, "Книга «" + PathText(file) + "» не найдена.", MessageIcon::Exclamation);
    return std::nullopt;
  }
  return file;
}

}  // namespace verdin
