// The settings file and the working folders, and start-up on the demo
// database.
#include "core/folders.h"

#include <gtest/gtest.h>

#include "core/line_file.h"
#include "test_support.h"

namespace verdin {
namespace {

using testing::TempFolder;
using testing::WriteLines;

Folders Apply(const std::vector<std::string>& lines) {
  Folders folders;
  ApplySettingsLines(lines, "vb_prog.ini", folders);
  return folders;
}

TEST(SettingsFile, KeysInAnyCaseSetTheFolders) {
  TempFolder folder;
  const auto ini = folder / "vb_prog.ini";
  WriteLines(ini, {"prog= C:\\Programs\\Estimate", "Isx= D:\\Estimates",
                   "DATA= C:\\Programs\\Estimate\\Data", " temp = C:\\Temp  "});
  Folders folders;
  ChtIni(ini, folders);
  EXPECT_EQ(folders.PathProg, "C:\\Programs\\Estimate");
  EXPECT_EQ(folders.PathIsx, "D:\\Estimates");
  EXPECT_EQ(folders.PathData, "C:\\Programs\\Estimate\\Data");
  EXPECT_EQ(folders.PathTemp, "C:\\Temp");
  EXPECT_EQ(folders.DiskIsx, "D:");
  EXPECT_EQ(folders.PathWin, folder.path());
}

TEST(SettingsFile, OneCharacterAfterTheEqualsSignIsSkipped) {
  EXPECT_EQ(Apply({"ISX=D:\\Estimates"}).PathIsx, ":\\Estimates");
  EXPECT_EQ(Apply({"ISX=  /home/u/Сметы  "}).PathIsx, PathFromText("/home/u/Сметы"));
  // A key with nothing or one character after "=" gives an empty folder.
  EXPECT_EQ(Apply({"ISX= x", "ISX="}).PathIsx, "");
  EXPECT_EQ(Apply({"ISX=x"}).PathIsx, "");
  // The value may itself hold "=": only the first one separates.
  EXPECT_EQ(Apply({"DATA= /a=b"}).PathData, "/a=b");
}

TEST(SettingsFile, LaterKeyWinsAndOtherKeysAreIgnored) {
  const Folders folders = Apply({"DATA= /first", "COLOR= red", "Data= /second", "PROGRAM= /x"});
  EXPECT_EQ(folders.PathData, "/second");
  EXPECT_EQ(folders.PathProg, "");
}

TEST(SettingsFile, LineWithoutEqualsSignNamesFileAndLine) {
  try {
    Apply({"DATA= /d", "ISX /i"});
    FAIL();
  } catch (const SettingsError& error) {
    const std::string message = error.what();
    EXPECT_NE(message.find("vb_prog.ini"), std::string::npos) << message;
    EXPECT_NE(message.find("строка 2"), std::string::npos) << message;
  }
}

TEST(SettingsFile, LineWithoutEqualsSignGivesTheWholeMessage) {
  Folders folders;
  try {
    ApplySettingsLines({"DATA= /d", "PROG= /p", "ISX /i"}, "/etc/verdin/vb_prog.ini", folders);
    FAIL();
  } catch (const SettingsError& error) {
    // The file is named with the system's own separator.
    EXPECT_EQ(std::string(error.what()),
              "Ошибка в файле настроек «" + PathText(PathFromText("/etc/verdin/vb_prog.ini")) +
                  "», строка 3: нет знака «=»; ожидалась строка вида «КЛЮЧ= значение» (ключи PROG, ISX, DATA, TEMP).");
  }
}

TEST(SettingsFile, MissingNamedFileIsReported) {
  TempFolder folder;
  SettingsLocation location;
  location.iniOverride = folder / PathFromText("нет.ini");
  Folders folders;
  try {
    SetUpFolders(location, folders);
    FAIL();
  } catch (const SettingsError& error) {
    EXPECT_NE(std::string(error.what()).find("нет.ini"), std::string::npos) << error.what();
  }
}

TEST(SettingsFile, AbsentFolderMeansTheRootFolder) {
  EXPECT_EQ(FileInFolder("", "ВердинПИР_ОбД.dat"), PathFromText("/ВердинПИР_ОбД.dat"));
  EXPECT_EQ(FileInFolder("/d", "x.isx"), std::filesystem::path("/d/x.isx"));
}

TEST(Folders, SettingsFileInTheConfigurationFolderIsUsed) {
  TempFolder folder;
  SettingsLocation location;
  location.configFolder = folder / "config";
  location.userFolder = folder / "user";
  std::filesystem::create_directories(location.configFolder);
  WriteLines(location.configFolder / PathFromText(kSettingsFileName), {"ISX= /srv/Сметы", "DATA= /srv/data"});
  Folders folders;
  SetUpFolders(location, folders);
  EXPECT_EQ(folders.PathIsx, PathFromText("/srv/Сметы"));
  EXPECT_EQ(folders.DiskIsx, PathText(PathFromText("/s")));
  EXPECT_FALSE(std::filesystem::exists(location.userFolder));
}

// An older installation's settings file in the Windows folder comes before
// the per-user one; it may be read-only and is only read.
TEST(Folders, SettingsFileInTheWindowsFolderComesFirst) {
  TempFolder folder;
  SettingsLocation location;
  location.windowsFolder = folder / "windows";
  location.configFolder = folder / "config";
  location.userFolder = folder / "user";
  std::filesystem::create_directories(location.windowsFolder);
  std::filesystem::create_directories(location.configFolder);
  const auto older = location.windowsFolder / PathFromText(kSettingsFileName);
  WriteLines(older, {"ISX= /old/Сметы", "DATA= /old/data"});
  WriteLines(location.configFolder / PathFromText(kSettingsFileName), {"ISX= /new"});
  std::filesystem::permissions(older, std::filesystem::perms::owner_write, std::filesystem::perm_options::remove);
  const std::string before = testing::Bytes(older);
  Folders folders;
  SetUpFolders(location, folders);
  EXPECT_EQ(folders.PathIsx, PathFromText("/old/Сметы"));
  EXPECT_EQ(folders.PathWin, location.windowsFolder);
  EXPECT_EQ(testing::Bytes(older), before);
  std::filesystem::permissions(older, std::filesystem::perms::owner_write, std::filesystem::perm_options::add);
}

TEST(Folders, WithoutSettingsTheBuiltInLayoutIsCreatedAndSeeded) {
  TempFolder folder;
  const auto demo = folder / "demo";
  std::filesystem::create_directories(demo);
  WriteLines(demo / "a.txt", {"демо"});
  WriteLines(demo / "b.txt", {"демо"});
  SettingsLocation location;
  location.configFolder = folder / "config";
  location.userFolder = folder / "user";
  location.demoData = demo;
  std::filesystem::create_directories(location.userFolder / "data");
  WriteLines(location.userFolder / "data" / "a.txt", {"свой"});

  Folders folders;
  SetUpFolders(location, folders);
  EXPECT_EQ(folders.PathData, location.userFolder / "data");
  EXPECT_EQ(folders.PathIsx, location.userFolder / "Isx");
  EXPECT_TRUE(std::filesystem::is_directory(folders.PathIsx));
  EXPECT_TRUE(std::filesystem::is_directory(folders.PathTemp));
  // The user's own file is kept; the missing one is copied.
  EXPECT_EQ(ReadLineFile(folders.PathData / "a.txt").at(0), "свой");
  EXPECT_EQ(ReadLineFile(folders.PathData / "b.txt").at(0), "демо");
}

}  // namespace
}  // namespace verdin
