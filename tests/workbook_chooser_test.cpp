// The chooser of the norm database's workbooks: which file OK takes, and
// when it refuses or asks first.
#include "forms/workbook_chooser.h"

#include <gtest/gtest.h>

#include "core/line_file.h"
#include "forms/file_chooser_model.h"
#include "test_support.h"

namespace verdin {
namespace {

using testing::WriteLines;

TEST(WorkbookChooser, OkTakesTheNamedWorkbookOrSaysWhy) {
  testing::TempFolder folder;
  WriteLines(folder.path() / PathFromText("есть.xlsx"), {"x"});
  std::filesystem::create_directories(folder.path() / PathFromText("папка.xlsx"));
  struct Case {
    WorkbookUse use;
    std::string name;
    bool answer;          // to the question, when one is asked
    std::string chosen;   // the file taken, relative to the folder; empty: none
    std::string message;  // what the user is told or asked; empty: nothing
  };
  const Case cases[] = {
      {WorkbookUse::Export, "база", true, "база.xlsx", ""},
      {WorkbookUse::Export, "база.XLSX", true, "база.XLSX", ""},
      {WorkbookUse::Export, "", true, "", "Не задано имя книги!!"},
      {WorkbookUse::Export, "*.xlsx", true, "", "Не задано имя книги!!"},
      {WorkbookUse::Export, "есть.xlsx", true, "есть.xlsx", "Файл уже существует на диске:"},
      {WorkbookUse::Export, "есть", false, "", "Файл уже существует на диске:"},
      {WorkbookUse::Export, "папка", true, "", "это папка, а не книга"},
      {WorkbookUse::Import, "есть.xlsx", true, "есть.xlsx", ""},
      {WorkbookUse::Import, "нет.xlsx", true, "", "не найдена"},
      {WorkbookUse::Import, "папка.xlsx", true, "", "не найдена"},
      {WorkbookUse::Import, "  ", true, "", "Не выбрана книга!!"},
  };
  for (const Case& c : cases) {
    RecordingMessages messages;
    messages.Answer(c.answer);
    WorkbookChooserForm form = LoadWorkbookChooser(c.use, folder.path(), c.name);
    const std::optional<std::filesystem::path> chosen = ConfirmWorkbookFile(form, messages);
    EXPECT_EQ(chosen.has_value(), !c.chosen.empty()) << c.name;
    if (chosen) {
      EXPECT_EQ(*chosen, folder.path() / PathFromText(c.chosen)) << c.name;
    }
    EXPECT_EQ(messages.entries.empty(), c.message.empty()) << c.name;
    if (!messages.entries.empty()) {
      EXPECT_NE(messages.entries[0].text.find(c.message), std::string::npos) << c.name;
    }
  }
}

TEST(WorkbookChooser, ImportListsBothWorkbookKinds) {
  testing::TempFolder folder;
  for (const char* name : {"a.xlsx", "b.xls", "c.isx"}) WriteLines(folder.path() / name, {"x"});
  const WorkbookChooserForm form = LoadWorkbookChooser(WorkbookUse::Import, folder.path(), "");
  EXPECT_EQ(FilesInFolder(form.folder, form.filePattern), (std::vector<std::string>{"a.xlsx", "b.xls"}));
  EXPECT_EQ(form.lblNameFile, "?");
}

}  // namespace
}  // namespace verdin
