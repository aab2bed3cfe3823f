// The file chooser of the norm database's workbooks: the same window as
// the estimate's choosers (folder tree, file list, type list, name box),
// asking for the workbook an export writes or an import reads.
#pragma once

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "core/messages.h"

namespace verdin {

inline constexpr const char* kNormExportCaption = "Выгрузить нормативную базу в книгу";
inline constexpr const char* kNormImportCaption = "Загрузить нормативную базу из книги";

enum class WorkbookUse { Export, Import };

struct WorkbookChooserForm {
  WorkbookUse use = WorkbookUse::Export;
  std::string caption;
  std::vector<std::string> gmbSpecItems;
  int gmbSpec = 0;
  std::filesystem::path folder;    // the folder chosen in Tree
  std::string txtActDir;           // that folder, shortened
  std::string filePattern;         // the pattern of the file list
  std::string NameFile;            // the name box
  std::string lblNameFile = "?";   // the whole path OK takes, "?" while none
};

// The chooser for `use`, showing `folder`, with `proposedName` in the name
// box (the export proposes one; the import starts without).
WorkbookChooserForm LoadWorkbookChooser(WorkbookUse use, const std::filesystem::path& folder,
                                        const std::string& proposedName);

// A type chosen: its pattern filters the file list.
void ChooseWorkbookType(WorkbookChooserForm& form, int index);

// Another folder chosen in Tree: a name typed stays and now names a file
// there.
void ChangeWorkbookFolder(WorkbookChooserForm& form, const std::filesystem::path& folder);

// The name box changed, by typing or by a click on a file in the list. An
// export's name without ".xlsx" takes it.
void ChangeWorkbookName(WorkbookChooserForm& form, const std::string& text);

// OK. Without a name the user is told so and the window stays (nullopt).
// An export asks before it replaces a file (Cancel, the default, keeps the
// window open); an import needs a workbook that is there.
std::optional<std::filesystem::path> ConfirmWorkbookFile(WorkbookChooserForm& form, Messages& messages);

}  // namespace verdin
