// The two file chooser windows as models: "Сохранить данные в файле"
// (FileSave), where the user names the input-data file and the workbook of
// a save, and "Взять данные из файла" (FileLoad), where the user picks an
// input-data file to open. Each window's controls are fields of a struct;
// each user event is a function over it. The Qt windows only show the
// fields and pass the events on.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/messages.h"
#include "forms/general_data_form.h"
#include "forms/open_estimate.h"
#include "forms/save_estimate.h"

namespace verdin {

inline constexpr const char* kFileSaveCaption = "Сохранить данные в файле";
inline constexpr const char* kFileLoadCaption = "Взять данные из файла";

// What lblS shows after a click on a file that fails the file-type test.
inline constexpr const char* kNotInputDataFile = "Это не файл исходных данных!!";

// The longest folder text txtActDir shows unshortened.
inline constexpr int kSaveFolderLimit = 23;
inline constexpr int kLoadFolderLimit = 50;

// The entries of gmbSpec. The input-data entry is selected when a window
// opens and after every change of folder in FileLoad.
std::vector<std::string> FileSaveTypes();
std::vector<std::string> FileLoadTypes();
inline constexpr int kSaveTypeAll = 0;
inline constexpr int kSaveTypeXls = 1;
inline constexpr int kSaveTypeXlsx = 2;
inline constexpr int kSaveTypePdf = 3;  // the estimate as a PDF document in place of a workbook
inline constexpr int kSaveTypeIsx = 4;
inline constexpr int kLoadTypeIsx = 2;

// The pattern of a type entry: from its first "*" up to the closing ")"
// ("Результаты(*.xls)" → "*.xls"); empty when the entry has no "*".
std::string PatternOf(const std::string& entry);

// Whether a file name matches a file-list pattern: "*" any run of
// characters, "?" one character, letters compared without regard to case
// (as the file list shows them); "*.*" matches every name.
bool MatchesPattern(const std::string& name, const std::string& pattern);

// The names of the plain files in `folder` that match `pattern`, sorted.
// A folder that cannot be read gives an empty list.
std::vector<std::string> FilesInFolder(const std::filesystem::path& folder, const std::string& pattern);

// The folder as txtActDir shows it: unchanged up to `limit` characters;
// longer, its first three characters, "..." and its last (limit − 6)
// characters, cut further to begin at their first separator ("/", or the
// system's own).
std::string ShortFolderText(const std::string& folder, int limit);

// The name FileSave proposes: "Смета к дог " + contract number + " от " +
// contract date, with "\" and "/" turned into "_" and "." into "-".
std::string ProposedFileName(const std::string& txtNdog, const std::string& txtDataDog);

// The PDF file printing to a file proposes: the estimate's input-data file
// (opened or saved, not the autosave copy in the Temp folder) with ".pdf"
// in place of ".isx"; for an estimate without one, the name the save window
// proposes, in the estimates' folder.
std::filesystem::path ProposedPrintFile(const AppState& state, const GeneralDataForm& frmObD);

// folder + "/" + name, as the labels show a file.
std::string FolderFile(const std::filesystem::path& folder, const std::string& name);

// The question FileSave asks when the clicked file's input data exist.
std::string OverwriteQuestion(const std::string& base);

// The question FileSave asks on OK when files it would write are already
// on the disk; `files` names them, one a line.
std::string ReplaceFilesQuestion(const std::vector<std::string>& files);

// ---------------------------------------------------------------- FileSave

struct FileSaveForm {
  std::filesystem::path PathIsx;   // where the input-data file goes
  std::filesystem::path PathRez;   // where a clicked file's workbook goes

  std::vector<std::string> gmbSpecItems = FileSaveTypes();
  int gmbSpec = kSaveTypeIsx;
  std::filesystem::path folder;    // the folder chosen in Tree
  std::string txtActDir;           // that folder, shortened
  std::string filePattern = "*.isx";  // the pattern of the file list
  std::string NameFile;
  std::string lblNameFileIsx = "?.isx";
  bool lblNameFileIsxRed = false;  // red while the input data are not saved
  std::string lblNameFileOut = "?.out";
  bool chkIsxDan = true;
  std::string Sv;                  // the summary line
  bool SvEnabled = true;
  int OkSave = 0;                  // 1 once the user has confirmed
  // The input-data file the user has already agreed to replace when its
  // file was clicked; OK does not ask about it a second time.
  std::string confirmedIsx;
};

// NacZagr: the type list with the input-data entry selected, the folder
// PathIsx, and the proposed name in NameFile (labels filled from it). Sv
// starts with the summary of the estimate in memory, so saving it again
// keeps its summary.
FileSaveForm LoadFileSave(const Folders& folders, const GeneralDataForm& frmObD, const std::string& svodka);

// A type chosen in gmbSpec: its pattern filters the file list. A file
// name in NameFile stays and takes the type's extension in place of its own
// (.isx, .xls, .xlsx or .pdf; "Все файлы" keeps the name as it is), and the
// labels follow it. While NameFile holds no name, the pattern goes into it
// and the labels back to "?.isx" (while the input data are saved) and
// "?.xls" ("?.xlsx" for the .xlsx type, "?.pdf" for the PDF type).
void ChooseSaveType(FileSaveForm& form, int index);

// NameFile changed by the user. A pattern (first character "*") goes to
// the file list. A name fills the labels: the input-data file in PathIsx,
// the workbook in the current folder; a name ending in ".isx", ".xls",
// ".xlsx" or ".pdf" loses that ending first, and ".xlsx" or ".pdf" (or the
// .xlsx or PDF type) makes the estimate file an .xlsx workbook or a PDF
// document. An empty name, or one beginning with "?",
// names nothing: the labels go back to "?".
void ChangeNameFile(FileSaveForm& form, const std::string& text);

// Another folder chosen in Tree: the labels and NameFile go back to "?".
// Choosing the folder already shown changes nothing.
void ChangeSaveFolder(FileSaveForm& form, const std::filesystem::path& folder);

// A file clicked in the list: NameFile = its name; the labels name the
// input-data file PathIsx/base.isx and the workbook PathRez/base.xls (base
// = the name up to its first "."). While the input data are saved and that
// input-data file exists, its summary goes into Sv and the function
// returns true: the caller asks OverwriteQuestion.
bool SelectSaveFile(FileSaveForm& form, const std::string& name);

// The user declined to overwrite: Sv emptied, the message that only the
// results will be written, and chkIsxDan unticked.
void DeclineOverwrite(FileSaveForm& form, Messages& messages);

// A file clicked, with the overwrite question asked through `messages`.
void ClickSaveFile(FileSaveForm& form, const std::string& name, Messages& messages);

// chkIsxDan clicked. Unticked: "Данные не сохраняются" in red, Sv
// disabled. Ticked: the input-data file in the current folder named after
// NameFile (or "?.isx" while NameFile holds a pattern), in blue, Sv
// enabled.
void ClickChkIsxDan(FileSaveForm& form, bool checked);

// cmdOk. While no file is named yet ("?" in a label) the user is told so
// and the window stays open (nullopt). When the workbook or the
// input-data file already exists (however its name was chosen), one
// question names them all; Cancel keeps the window open (nullopt) and
// nothing is written. Otherwise OkSave = 1 and the workbook, the
// input-data file (or "Данные не сохраняются") and Sv.
std::optional<SaveChoice> ConfirmFileSave(FileSaveForm& form, Messages& messages);

// cmdCancel: OkSave = 0.
void CancelFileSave(FileSaveForm& form);

// ---------------------------------------------------------------- FileLoad

struct FileLoadForm {
  std::vector<std::string> gmbSpecItems = FileLoadTypes();
  int gmbSpec = kLoadTypeIsx;
  std::filesystem::path folder;
  std::string txtActDir;
  std::string filePattern = "*.isx";
  std::string lblNameFile = "*.isx";  // the chosen file's name, or a pattern
  std::string lblS;                   // the summary of the chosen file
  std::optional<std::filesystem::path> FileIsx;  // the input-data file clicked last
  int OkLoad = 0;
};

// On loading: the type list with the input-data entry, the folder PathIsx.
FileLoadForm LoadFileLoad(const Folders& folders);

// A type chosen: its pattern into lblNameFile and the file list.
void ChooseLoadType(FileLoadForm& form, int index);

// Another folder: lblNameFile back to "*.isx", lblS emptied, the
// input-data type selected again.
void ChangeLoadFolder(FileLoadForm& form, const std::filesystem::path& folder);

// A file clicked. A name that fails the file-type test gives
// "Это не файл исходных данных!!" in lblS with a beep, lblNameFile back to
// "*.isx" and the input-data type, and leaves FileIsx as it was. An
// input-data file becomes FileIsx and its first line shows in lblS; a file
// that cannot be read shows why instead.
void ClickLoadFile(FileLoadForm& form, const std::string& name, Messages& messages);

// CmdOk. Without a chosen input-data file the user is told so and the
// window stays open (nullopt). Otherwise OkLoad = 1, FileIsx and lblS.
std::optional<OpenChoice> ConfirmFileLoad(FileLoadForm& form, Messages& messages);

// CmdCancel: OkLoad = 0.
void CancelFileLoad(FileLoadForm& form);

}  // namespace verdin
