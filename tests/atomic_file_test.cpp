#include "core/atomic_file.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "test_support.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

std::string Bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<std::string> Entries(const fs::path& folder) {
  std::vector<std::string> names;
  for (const auto& entry : fs::directory_iterator(folder)) names.push_back(entry.path().filename().string());
  return names;
}

TEST(AtomicReplacement, CommitReplacesTheFileAndLeavesNothingElse) {
  const TempFolder folder;
  const fs::path file = folder / "смета.isx";
  std::ofstream(file, std::ios::binary) << "прежнее";
  AtomicReplacement replacement(file, ".isx");
  EXPECT_EQ(replacement.temporaryPath().parent_path(), folder.path());
  EXPECT_EQ(replacement.temporaryPath().extension(), ".isx");
  replacement.Write("новое ");
  replacement.Write("содержимое");
  EXPECT_EQ(Bytes(file), "прежнее");  // nothing changes before the commit
  replacement.Commit();
  EXPECT_EQ(Bytes(file), "новое содержимое");
  EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"смета.isx"});
}

TEST(AtomicReplacement, AbandonedReplacementKeepsTheEarlierFile) {
  const TempFolder folder;
  const fs::path file = folder / "vb_prog.ini";
  std::ofstream(file, std::ios::binary) << "DATA= /data";
  {
    AtomicReplacement replacement(file);
    replacement.Write("наполовину");
  }
  EXPECT_EQ(Bytes(file), "DATA= /data");
  EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"vb_prog.ini"});
}

struct RefusedTarget {
  const char* name;
  std::string file;  // below the test folder; "" for the folder itself
  int error;
  std::string reason;
};

TEST(AtomicReplacement, RefusedTargetsNameTheReasonAndCreateNothing) {
  const std::vector<RefusedTarget> cases = {
      {"missing folder", "нет такой/смета.isx", ENOENT, "папка не найдена"},
      {"target is a folder", "папка", EISDIR, "это папка, а не файл"},
      {"no file name", "папка/", 0, "не указано имя файла"},
  };
  for (const RefusedTarget& c : cases) {
    const TempFolder folder;
    fs::create_directory(folder / "папка");
    try {
      AtomicReplacement replacement(folder.path() / c.file);
      ADD_FAILURE() << c.name << ": no fault";
    } catch (const WriteFault& fault) {
      EXPECT_EQ(fault.error(), c.error) << c.name;
      EXPECT_EQ(std::string(fault.what()), c.reason) << c.name;
    }
    EXPECT_EQ(Entries(folder.path()), std::vector<std::string>{"папка"}) << c.name;
    EXPECT_TRUE(fs::is_empty(folder / "папка")) << c.name;
  }
}

}  // namespace
}  // namespace verdin
