#include "core/atomic_file.h"

#include <signal.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <gtest/gtest.h>

#include <cerrno>
#include <chrono>
#include <random>
#include <thread>
#include <algorithm>
#include <fstream>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "test_support.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::Bytes;
using testing::FolderEntries;
using testing::TempFolder;

TEST(AtomicReplacement, CommitReplacesTheFileAndLeavesNothingElse) {
  const TempFolder folder;
  const fs::path file = folder / PathFromText("смета.isx");
  std::ofstream(file, std::ios::binary) << "прежнее";
  AtomicReplacement replacement(file, ".isx");
  EXPECT_EQ(replacement.temporaryPath().parent_path(), folder.path());
  EXPECT_EQ(replacement.temporaryPath().extension(), ".isx");
  replacement.Write("новое ");
  replacement.Write("содержимое");
  EXPECT_EQ(Bytes(file), "прежнее");  // nothing changes before the commit
  replacement.Commit();
  EXPECT_EQ(Bytes(file), "новое содержимое");
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"смета.isx"});
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
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"vb_prog.ini"});
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
    fs::create_directory(folder / PathFromText("папка"));
    try {
      AtomicReplacement replacement(folder / c.file);
      ADD_FAILURE() << c.name << ": no fault";
    } catch (const WriteFault& fault) {
      EXPECT_EQ(fault.error(), c.error) << c.name;
      EXPECT_EQ(std::string(fault.what()), c.reason) << c.name;
    }
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"папка"}) << c.name;
    EXPECT_TRUE(fs::is_empty(folder / PathFromText("папка"))) << c.name;
  }
}

// A file marked read-only is not replaced, although renaming over it
// needs only the folder's permission (and the superuser may write it).
// The owner's bits decide for an ordinary user; the superuser is held to
// any write bit.
#ifndef _WIN32  // POSIX permission bits; Windows' read-only attribute is tried under Wine
TEST(AtomicReplacement, ReadOnlyTargetIsRefusedAndKeptAsItWas) {
  struct Case {
    fs::perms permissions;
    bool refusedForRoot;
    bool refusedForUser;
  };
  const Case cases[] = {
      {fs::perms::owner_read | fs::perms::group_read | fs::perms::others_read, true, true},
      {fs::perms::owner_read, true, true},
      {fs::perms::none, true, true},
      {fs::perms::owner_read | fs::perms::owner_write, false, false},
      {fs::perms::owner_read | fs::perms::group_read | fs::perms::group_write, false, true},
  };
  const bool root = ::geteuid() == 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(static_cast<int>(c.permissions));
    const bool refused = root ? c.refusedForRoot : c.refusedForUser;
    const TempFolder folder;
    const fs::path file = folder / PathFromText("смета.xls");
    std::ofstream(file, std::ios::binary) << "прежнее";
    fs::permissions(file, c.permissions);
    if (refused) {
      try {
        WriteFileAtomically(file, "новое");
        ADD_FAILURE() << "no fault";
      } catch (const FileError& error) {
        EXPECT_EQ(std::string(error.what()),
                  "Не удалось записать файл «" + PathText(file) + "»: файл только для чтения.");
      }
      EXPECT_EQ(fs::status(file).permissions(), c.permissions);
    } else {
      WriteFileAtomically(file, "новое");
    }
    // Readable again for the check, also to a user without the bits.
    fs::permissions(file, fs::perms::owner_all);
    EXPECT_EQ(Bytes(file), refused ? "прежнее" : "новое");
    EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"смета.xls"});
  }
}
#endif

// Temporary files that killed writes left behind go at the next write in
// their folder; other files (names like "<target>.tmp-N" included, which
// this program does not make), and the temporary file of a write still
// under way, stay.
TEST(AtomicReplacement, NextWriteRemovesAbandonedTemporariesOfItsTarget) {
  const TempFolder folder;
  const fs::path file = folder / PathFromText("смета.xlsx");
  const std::vector<std::string> abandoned = {".~000042", ".~123456.xlsx"};
  const std::vector<std::string> kept = {"смета.xlsx.tmp-1", "смета.xlsx.tmp-123456789.xlsx", "смета.xlsx.tmp-",
                                         "смета.xlsx.tmp-12x", "смета.xlsx.tmp-5.isx",
                                         "другая.xlsx.tmp-77", "смета.xlsx.bak", ".~12345", ".~1234567",
                                         ".~123456.isx", ".~lock.смета.xlsx#"};
  for (const auto& name : abandoned) std::ofstream(folder / name) << "обрывок";
  for (const auto& name : kept) std::ofstream(folder / name) << "чужое";
  AtomicReplacement underWay(file, ".xlsx");
  const std::string underWayName = underWay.temporaryPath().filename().string();

  AtomicReplacement replacement(file, ".xlsx");
  replacement.Write("книга");
  replacement.Commit();

  std::vector<std::string> expected = kept;
  expected.push_back("смета.xlsx");
  expected.push_back(underWayName);
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(FolderEntries(folder.path()), expected);
  EXPECT_EQ(Bytes(file), "книга");
}

// A writer killed at random moments, again and again, leaves either the
// earlier file or the new one, whole; after one more write nothing but
// the target is left.
#ifndef _WIN32  // a writer process killed from outside: fork and SIGKILL
TEST(AtomicReplacement, WritesKilledAtAnyMomentLeaveNoLitter) {
  const TempFolder folder;
  const fs::path file = folder / PathFromText("смета.isx");
  const std::string first(20'000, 'a');
  const std::string second(30'000, 'b');
  WriteFileAtomically(file, first);
  std::mt19937 random(12345);
  std::uniform_int_distribution<int> delayUs(0, 3000);
  const auto start = std::chrono::steady_clock::now();
  for (int round = 0; round < 200 && std::chrono::steady_clock::now() - start < std::chrono::seconds(4); ++round) {
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      for (int i = 0;; ++i) {
        try {
          WriteFileAtomically(file, i % 2 == 0 ? second : first);
        } catch (...) {
          ::_exit(1);
        }
      }
    }
    std::this_thread::sleep_for(std::chrono::microseconds(delayUs(random)));
    ::kill(child, SIGKILL);
    int status = 0;
    ::waitpid(child, &status, 0);
    ASSERT_TRUE(WIFSIGNALED(status)) << "the writer ended by itself in round " << round;
    const std::string now = Bytes(file);
    ASSERT_TRUE(now == first || now == second) << "a broken file of " << now.size() << " bytes in round " << round;
  }
  WriteFileAtomically(file, "последнее");
  EXPECT_EQ(Bytes(file), "последнее");
  EXPECT_EQ(FolderEntries(folder.path()), std::vector<std::string>{"смета.isx"});
}
#endif

}  // namespace
}  // namespace verdin
