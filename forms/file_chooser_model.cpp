#include "forms/file_chooser_model.h"

#include <algorithm>
#include <cstddef>
#include <string_view>
#include <system_error>

#include "core/line_file.h"
#include "core/text_forms.h"
#include "isx/isx_file.h"

namespace verdin {

namespace {

constexpr const char* kConfirmWriteTitle = "Подтверждение записи";
constexpr const char* kWriteDataTitle = "Запись данных";
constexpr const char* kOnlyResults = "Будут записаны только результаты расчета";
constexpr const char* kEntryErrorTitle = "Ошибка ввода!!";
constexpr const char* kNoSaveName =
    "Не задано имя файла!!\rВыберите файл в списке или введите имя в поле «Имя файла:».";
constexpr const char* kNoLoadFile =
    "Не выбран файл исходных данных!!\rВыберите в списке файл с расширением .isx.";

constexpr std::string_view kIsx = ".isx";
constexpr std::string_view kXls = ".xls";
constexpr std::string_view kXlsx = ".xlsx";
constexpr std::string_view kPdf = ".pdf";

bool StartsWith(std::string_view text, char first) { return !text.empty() && text.front() == first; }

bool EndsWith(std::string_view text, std::string_view tail) {
  return text.size() >= tail.size() && text.substr(text.size() - tail.size()) == tail;
}

// The name up to its first ".".
std::string UpToFirstDot(const std::string& name) { return name.substr(0, name.find('.')); }

bool IsBlank(const std::string& text) {
  return text.find_first_not_of(" \t") == std::string::npos;
}

// The estimate file's extension the selected type stands for.
std::string TypeWorkbookExtension(const FileSaveForm& form) {
  if (form.gmbSpec == kSaveTypeXlsx) return std::string(kXlsx);
  if (form.gmbSpec == kSaveTypePdf) return std::string(kPdf);
  return std::string(kXls);
}

// The estimate file's extension for a name: its own when it names a
// workbook or a PDF document, else the selected type's.
std::string WorkbookExtension(const FileSaveForm& form, const std::string& name) {
  for (const std::string_view own : {kXlsx, kXls, kPdf}) {
    if (EndsWith(name, own)) return std::string(own);
  }
  return TypeWorkbookExtension(form);
}

// Both labels back to "nothing named yet".
void UnnamedLabels(FileSaveForm& form) {
  if (form.chkIsxDan) form.lblNameFileIsx = "?.isx";
  form.lblNameFileOut = "?" + TypeWorkbookExtension(form);
}

// The labels for a base name: the input-data file in PathIsx (while the
// input data are saved) and the workbook in `workbookFolder`.
void NamedLabels(FileSaveForm& form, const std::string& base, const std::filesystem::path& workbookFolder,
                 const std::string& extension) {
  if (base.empty() || IsBlank(base)) {
    UnnamedLabels(form);
    return;
  }
  if (form.chkIsxDan) form.lblNameFileIsx = FolderFile(form.PathIsx, base + std::string(kIsx));
  form.lblNameFileOut = FolderFile(workbookFolder, base + extension);
}

// Whether the name box holds a file name rather than a pattern, a "?"
// placeholder or nothing.
bool NamesAFile(const std::string& text) { return !IsBlank(text) && !StartsWith(text, '*') && !StartsWith(text, '?'); }

// The name without an extension the save window knows (.isx, .xls, .xlsx,
// .pdf); other dots are part of the name ("дом 2.1").
std::string WithoutKnownExtension(const std::string& name) {
  for (const std::string_view known : {kIsx, kXlsx, kXls, kPdf}) {
    if (EndsWith(name, known)) return name.substr(0, name.size() - known.size());
  }
  return name;
}

// The name with the extension of a type's pattern ("*.pdf" → ".pdf"); a
// pattern of every file ("*.*") leaves the name as it is.
std::string WithExtensionOf(const std::string& name, const std::string& pattern) {
  if (pattern.size() < 3 || pattern.rfind("*.", 0) != 0 || pattern == "*.*") return name;
  return WithoutKnownExtension(name) + pattern.substr(1);
}

// A label that still waits for a name.
bool Unnamed(const std::string& label) { return label.empty() || StartsWith(label, '?'); }

// Whether something other than a folder already has this name: saving
// would replace it.
bool OnDisk(const std::string& file) {
  std::error_code error;
  const auto status = std::filesystem::symlink_status(PathFromText(file), error);
  return !error && std::filesystem::exists(status) && !std::filesystem::is_directory(status);
}

// The files the confirmed save would replace and the user has not yet
// agreed to replace.
std::vector<std::string> FilesToReplace(const FileSaveForm& form) {
  std::vector<std::string> files;
  if (form.chkIsxDan && form.lblNameFileIsx != form.confirmedIsx && OnDisk(form.lblNameFileIsx)) {
    files.push_back(form.lblNameFileIsx);
  }
  if (OnDisk(form.lblNameFileOut)) files.push_back(form.lblNameFileOut);
  return files;
}

}  // namespace

std::vector<std::string> FileSaveTypes() {
  return {"Все файлы(*.*)", "Результаты(*.xls)", "Результаты(*.xlsx)", "PDF(*.pdf)", "Исх. данные(*.isx)"};
}

std::vector<std::string> FileLoadTypes() {
  return {"Все файлы (*.*)", "Результаты(*.xls)", "Исх. данные(*.isx)"};
}

std::string PatternOf(const std::string& entry) {
  const std::size_t star = entry.find('*');
  if (star == std::string::npos) return {};
  std::string pattern = entry.substr(star);
  if (const std::size_t close = pattern.find(')'); close != std::string::npos) pattern.resize(close);
  return pattern;
}

bool MatchesPattern(const std::string& name, const std::string& pattern) {
  if (pattern == "*.*" || pattern == "*") return true;
  const auto lower = [](char c) { return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c; };
  // Greedy matching with one back-tracking point for the last "*": linear
  // in practice, never endless.
  std::size_t n = 0, p = 0;
  std::size_t starP = std::string::npos, starN = 0;
  while (n < name.size()) {
    if (p < pattern.size() && pattern[p] == '*') {
      starP = p++;
      starN = n;
    } else if (p < pattern.size() && (pattern[p] == '?' || lower(pattern[p]) == lower(name[n]))) {
      ++p;
      ++n;
    } else if (starP != std::string::npos) {
      p = starP + 1;
      n = ++starN;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> FilesInFolder(const std::filesystem::path& folder, const std::string& pattern) {
  std::vector<std::string> names;
  std::error_code error;
  std::filesystem::directory_iterator it(folder, error);
  if (error) return names;
  for (const std::filesystem::directory_iterator end; it != end; it.increment(error)) {
    if (error) break;
    std::error_code typeError;
    if (!it->is_regular_file(typeError)) continue;
    const std::string name = PathText(it->path().filename());
    if (MatchesPattern(name, pattern)) names.push_back(name);
  }
  std::sort(names.begin(), names.end());
  return names;
}

std::string ShortFolderText(const std::string& folder, int limit) {
  const std::size_t count = CharacterCount(folder);
  if (limit < 7 || count <= static_cast<std::size_t>(limit)) return folder;
  const std::size_t tailLength = static_cast<std::size_t>(limit - 6);
  std::string tail = folder.substr(WithoutLastCharacters(folder, tailLength).size());
  // The folders are separated by "/" or by the system's own separator
  // (a path shown on Windows has «\»).
  constexpr char kSeparators[] = {'/', static_cast<char>(std::filesystem::path::preferred_separator), '\0'};
  if (const std::size_t slash = tail.find_first_of(kSeparators); slash != std::string::npos) tail.erase(0, slash);
  return std::string(FirstCharacters(folder, 3)) + "..." + tail;
}

std::string ProposedFileName(const std::string& txtNdog, const std::string& txtDataDog) {
  std::string name = "Смета к дог " + txtNdog + " от " + txtDataDog;
  for (char& c : name) {
    if (c == '\\' || c == '/') c = '_';
    else if (c == '.') c = '-';
  }
  return name;
}

std::filesystem::path ProposedPrintFile(const AppState& state, const GeneralDataForm& frmObD) {
  const std::filesystem::path& own = state.estimateFile;
  const auto folderOf = [](const std::filesystem::path& folder) { return (folder / "").lexically_normal(); };
  const bool autosaved =
      !state.folders.PathTemp.empty() && folderOf(own.parent_path()) == folderOf(state.folders.PathTemp);
  if (!own.empty() && !autosaved && own.has_stem()) {
    return own.parent_path() / PathFromText(WithoutKnownExtension(PathText(own.filename())) + std::string(kPdf));
  }
  return state.folders.PathIsx / PathFromText(ProposedFileName(frmObD.txtNdog, frmObD.txtDataDog) + std::string(kPdf));
}

std::string FolderFile(const std::filesystem::path& folder, const std::string& name) {
  // Joined as paths, so that the system's own separator stands between.
  if (folder.empty()) return name;
  return PathText(folder / PathFromText(name));
}

std::string OverwriteQuestion(const std::string& base) {
  return "Файл с исходными данными -" + base + ".isx -" + "\r" + "Существует на диске. " + "\r" +
         "Вы хотите его перезаписать?";
}

std::string ReplaceFilesQuestion(const std::vector<std::string>& files) {
  const bool one = files.size() == 1;
  std::string text = one ? "Файл уже существует на диске:" : "Файлы уже существуют на диске:";
  for (const std::string& file : files) text += "\r" + file;
  return text + "\r" + (one ? "Вы хотите его перезаписать?" : "Вы хотите их перезаписать?");
}

// ---------------------------------------------------------------- FileSave

FileSaveForm LoadFileSave(const Folders& folders, const GeneralDataForm& frmObD, const std::string& svodka) {
  FileSaveForm form;
  form.PathIsx = folders.PathIsx;
  form.PathRez = folders.PathRez.empty() ? folders.PathIsx : folders.PathRez;
  ChooseSaveType(form, kSaveTypeIsx);
  form.folder = folders.PathIsx;
  form.txtActDir = ShortFolderText(PathText(form.folder), kSaveFolderLimit);
  form.Sv = svodka;
  ChangeNameFile(form, ProposedFileName(frmObD.txtNdog, frmObD.txtDataDog));
  return form;
}

void ChooseSaveType(FileSaveForm& form, int index) {
  if (index < 0 || index >= static_cast<int>(form.gmbSpecItems.size())) return;
  form.gmbSpec = index;
  const std::string pattern = PatternOf(form.gmbSpecItems[static_cast<std::size_t>(index)]);
  form.filePattern = pattern;
  if (NamesAFile(form.NameFile)) {
    // The typed name stays; only its extension follows the type.
    ChangeNameFile(form, WithExtensionOf(form.NameFile, pattern));
    return;
  }
  form.NameFile = pattern;
  UnnamedLabels(form);
}

void ChangeNameFile(FileSaveForm& form, const std::string& text) {
  form.NameFile = text;
  if (StartsWith(text, '*')) {
    form.filePattern = text;
    return;
  }
  if (IsBlank(text) || StartsWith(text, '?')) {
    UnnamedLabels(form);
    return;
  }
  const std::string base = WithoutKnownExtension(text);
  NamedLabels(form, base, form.folder, WorkbookExtension(form, text));
}

void ChangeSaveFolder(FileSaveForm& form, const std::filesystem::path& folder) {
  if (folder == form.folder) return;
  form.folder = folder;
  form.txtActDir = ShortFolderText(PathText(folder), kSaveFolderLimit);
  UnnamedLabels(form);
  form.NameFile = form.lblNameFileOut;
}

bool SelectSaveFile(FileSaveForm& form, const std::string& name) {
  form.NameFile = name;
  const std::string base = UpToFirstDot(name);
  NamedLabels(form, base, form.PathRez, WorkbookExtension(form, name));
  // The question is about the input-data file this save would replace;
  // with the input data not saved there is nothing to replace.
  if (!form.chkIsxDan || base.empty() || IsBlank(base)) return false;
  const std::filesystem::path isx = form.PathIsx / PathFromText(base + std::string(kIsx));
  std::error_code error;
  if (!std::filesystem::is_regular_file(isx, error)) return false;
  try {
    form.Sv = ReadIsxSummary(isx);
  } catch (const std::exception&) {
    // The summary is only shown for convenience; the question still counts.
  }
  return true;
}

void DeclineOverwrite(FileSaveForm& form, Messages& messages) {
  form.Sv.clear();
  messages.Show(kWriteDataTitle, kOnlyResults, MessageIcon::Warning);
  ClickChkIsxDan(form, false);
}

void ClickSaveFile(FileSaveForm& form, const std::string& name, Messages& messages) {
  if (!SelectSaveFile(form, name)) return;
  if (messages.AskOkCancel(kConfirmWriteTitle, OverwriteQuestion(UpToFirstDot(name)), MessageIcon::Question)) {
    form.confirmedIsx = form.lblNameFileIsx;
  } else {
    DeclineOverwrite(form, messages);
  }
}

void ClickChkIsxDan(FileSaveForm& form, bool checked) {
  form.chkIsxDan = checked;
  form.lblNameFileIsxRed = !checked;
  form.SvEnabled = checked;
  if (!checked) {
    form.lblNameFileIsx = kInputDataNotSaved;
    return;
  }
  const std::string base = UpToFirstDot(form.NameFile);
  if (StartsWith(form.NameFile, '*') || StartsWith(form.NameFile, '?') || IsBlank(base)) {
    form.lblNameFileIsx = "?.isx";
  } else {
    form.lblNameFileIsx = FolderFile(form.folder, base + std::string(kIsx));
  }
}

std::optional<SaveChoice> ConfirmFileSave(FileSaveForm& form, Messages& messages) {
  if (Unnamed(form.lblNameFileOut) || (form.chkIsxDan && Unnamed(form.lblNameFileIsx))) {
    messages.Beep();
    messages.Show(kEntryErrorTitle, kNoSaveName, MessageIcon::Exclamation);
    return std::nullopt;
  }
  if (const std::vector<std::string> files = FilesToReplace(form);
      !files.empty() && !messages.AskOkCancel(kConfirmWriteTitle, ReplaceFilesQuestion(files), MessageIcon::Question)) {
    return std::nullopt;
  }
  form.OkSave = 1;
  SaveChoice choice;
  choice.FileXls = PathFromText(form.lblNameFileOut);
  choice.FileIsx = form.chkIsxDan ? form.lblNameFileIsx : std::string(kInputDataNotSaved);
  choice.Svodka = form.Sv;
  return choice;
}

void CancelFileSave(FileSaveForm& form) { form.OkSave = 0; }

// ---------------------------------------------------------------- FileLoad

FileLoadForm LoadFileLoad(const Folders& folders) {
  FileLoadForm form;
  ChooseLoadType(form, kLoadTypeIsx);
  form.folder = folders.PathIsx;
  form.txtActDir = ShortFolderText(PathText(form.folder), kLoadFolderLimit);
  return form;
}

void ChooseLoadType(FileLoadForm& form, int index) {
  if (index < 0 || index >= static_cast<int>(form.gmbSpecItems.size())) return;
  form.gmbSpec = index;
  form.lblNameFile = PatternOf(form.gmbSpecItems[static_cast<std::size_t>(index)]);
  if (StartsWith(form.lblNameFile, '*')) form.filePattern = form.lblNameFile;
}

void ChangeLoadFolder(FileLoadForm& form, const std::filesystem::path& folder) {
  if (folder == form.folder) return;
  form.folder = folder;
  form.txtActDir = ShortFolderText(PathText(folder), kLoadFolderLimit);
  form.lblS.clear();
  ChooseLoadType(form, kLoadTypeIsx);
}

void ClickLoadFile(FileLoadForm& form, const std::string& name, Messages& messages) {
  form.lblNameFile = name;
  if (!IsIsxFileName(name)) {
    form.lblS = kNotInputDataFile;
    messages.Beep();
    ChooseLoadType(form, kLoadTypeIsx);
    return;
  }
  form.FileIsx = PathFromText(FolderFile(form.folder, name));
  try {
    form.lblS = ReadIsxSummary(*form.FileIsx);
  } catch (const std::exception& error) {
    // The open command reports the file again, with the reason, if the
    // user confirms it anyway.
    form.lblS = error.what();
  }
}

std::optional<OpenChoice> ConfirmFileLoad(FileLoadForm& form, Messages& messages) {
  if (!form.FileIsx || StartsWith(form.lblNameFile, '*')) {
    messages.Beep();
    messages.Show(kEntryErrorTitle, kNoLoadFile, MessageIcon::Exclamation);
    return std::nullopt;
  }
  form.OkLoad = 1;
  return OpenChoice{*form.FileIsx, form.lblS};
}

void CancelFileLoad(FileLoadForm& form) { form.OkLoad = 0; }

}  // namespace verdin
