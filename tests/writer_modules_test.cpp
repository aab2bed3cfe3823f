// The writers reached through their modules: the format a name asks for,
// the module loader's failures, and SaveWorkbook through each module.
#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "core/line_file.h"
#include "core/loaded_module.h"
#include "core/platform_files.h"
#include "test_support.h"
#include "workbook/save_workbook.h"
#include "workbook/sheet.h"
#include "workbook/writer_module.h"

namespace verdin {
namespace {

using testing::Bytes;
using testing::TempFolder;

// The ending of a module's file name on this system (".so", ".dll").
const std::string kSuffix(platform::ModuleSuffix());

TEST(WriterModules, FormatOfNameReadsTheEndingInAnyCase) {
  const std::vector<std::pair<std::string, WorkbookFormat>> cases = {
      {"смета.xls", WorkbookFormat::Xls},    {"СМЕТА.XLS", WorkbookFormat::Xls},
      {"смета.xlsx", WorkbookFormat::Xlsx},  {"Смета.XlsX", WorkbookFormat::Xlsx},
      {"смета.pdf", WorkbookFormat::Pdf},    {"/d/Смета.PDF", WorkbookFormat::Pdf},
      {"a.xls.pdf", WorkbookFormat::Pdf},    {"a.pdf.xls", WorkbookFormat::Xls},
      {"смета.isx", WorkbookFormat::None},   {"pdf", WorkbookFormat::None},
      {"смета.pdf.txt", WorkbookFormat::None}, {"папка.pdf/смета", WorkbookFormat::None},
  };
  for (const auto& [name, format] : cases) EXPECT_EQ(FormatOfName(name), format) << name;
}

TEST(WriterModules, TheProgramFolderComesFirstThenTheInstallLibraryFolder) {
  const auto folders = ModuleFolders();
  ASSERT_EQ(folders.size(), 2u);
  EXPECT_EQ(folders[1], (folders[0].parent_path() / "lib" / "verdin").lexically_normal());
}

TEST(WriterModules, LoaderFailuresAreModuleErrorsNamingTheFile) {
  try {
    const LoadedModule module("verdin-no-such-module" + kSuffix);
    FAIL() << "a missing module loaded";
  } catch (const ModuleError& error) {
    const std::string text = error.what();
    EXPECT_NE(text.find("«verdin-no-such-module" + kSuffix + "»"), std::string::npos) << text;
    EXPECT_NE(text.find(PathText(ModuleFolders().front())), std::string::npos) << text;
  }
  const LoadedModule module("verdin-xls" + kSuffix);
  EXPECT_NE(module.Find<WriteSheetFunction>(WriterEntryName("xls").c_str()), nullptr);
  EXPECT_EQ(module.Find<WriterFormatFunction>(kWriterFormatFunction)(), WriterStamp("xls"));
  // An entry of another format is not there: a broken module to the loader.
  try {
    static_cast<void>(module.Find<WriteSheetFunction>(WriterEntryName("xlsx").c_str()));
    ADD_FAILURE() << "the .xls module has the .xlsx entry";
  } catch (const ModuleError& error) {
    EXPECT_EQ(error.kind(), ModuleError::Kind::Broken);
    EXPECT_NE(std::string(error.what()).find("повреждён или не от этой версии программы"), std::string::npos);
  }
  // Everything but the entry is hidden.
  EXPECT_THROW(module.Find<void()>("_ZN6verdin8WriteXlsERKNS_5SheetERKNSt10filesystem4pathE"), ModuleError);
}

Sheet SmallSheet(int repeatedRow) {
  Sheet sheet;
  sheet.SetValue(1, 1, "Смета");
  sheet.SetValue(2, 1, 42.5);
  sheet.SetColumnWidth("A1", 20);
  sheet.SetRepeatedRow(repeatedRow);
  return sheet;
}

// Each module writes its format; the repeated row is a print setting that
// the .xls writer leaves out of the file.
TEST(WriterModules, SaveWorkbookWritesEachFormatThroughItsModule) {
  TempFolder folder;
  const std::vector<std::pair<std::string, std::string>> cases = {
      {"смета.xls", std::string("\xD0\xCF\x11\xE0", 4)}, {"смета.xlsx", "PK"}, {"смета.PDF", "%PDF"}};
  for (const auto& [name, magic] : cases) {
    SaveWorkbook(SmallSheet(1), folder / name);
    EXPECT_EQ(Bytes(folder / name).substr(0, magic.size()), magic) << name;
  }
  SaveWorkbook(SmallSheet(0), folder.path() / PathFromText("без повтора.xls"));
  EXPECT_EQ(Bytes(folder.path() / PathFromText("без повтора.xls")), Bytes(folder.path() / PathFromText("смета.xls")));
}

// A writer's failure comes back across the module's edge as the same
// SheetOperationError with its Russian message.
TEST(WriterModules, FailuresInsideAModuleReachTheCaller) {
  TempFolder folder;
  for (const char* name : {"смета.xls", "смета.xlsx", "смета.pdf"}) {
    const auto file = folder.path() / PathFromText("нет такой папки") / name;
    try {
      SaveWorkbook(SmallSheet(1), file);
      ADD_FAILURE() << name << " written into a missing folder";
    } catch (const SheetOperationError& error) {
      EXPECT_NE(std::string(error.what()).find(PathText(file)), std::string::npos) << error.what();
    }
    EXPECT_FALSE(std::filesystem::exists(file)) << name;
  }
}

}  // namespace
}  // namespace verdin
