// What a write leaves behind and what it trusts: the .xlsx package read
// back before it replaces a file, module files checked before the loader
// maps them, lock files every user of a folder can take, scratch folders
// of dead processes swept, and nothing left after SIGTERM.
#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <string>
#include <vector>

#ifndef _WIN32
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include "core/atomic_file.h"
#include "core/loaded_module.h"
#include "core/module_image.h"
#include "core/platform_files.h"
#include "test_support.h"
#include "workbook/sheet.h"
#include "workbook/xlsx_package.h"
#include "workbook/xlsx_writer.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

void PutNumber(std::string& out, std::uint32_t value, int width) {
  for (int i = 0; i < width; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

// A package of stored (uncompressed) parts, as a zip writer would make it;
// `checksumOffset` spoils the recorded checksums.
std::string StoredPackage(const std::vector<std::pair<std::string, std::string>>& parts,
                          std::uint32_t checksumOffset = 0) {
  std::string body;
  std::string directory;
  for (const auto& [name, bytes] : parts) {
    const auto checksum = static_cast<std::uint32_t>(
        crc32(0L, reinterpret_cast<const Bytef*>(bytes.data()), static_cast<uInt>(bytes.size())) + checksumOffset);
    const auto offset = static_cast<std::uint32_t>(body.size());
    std::string common;
    PutNumber(common, 20, 2);  // version needed
    PutNumber(common, 0, 2);   // flags
    PutNumber(common, 0, 2);   // stored
    PutNumber(common, 0, 4);   // time and date
    PutNumber(common, checksum, 4);
    PutNumber(common, static_cast<std::uint32_t>(bytes.size()), 4);
    PutNumber(common, static_cast<std::uint32_t>(bytes.size()), 4);
    PutNumber(common, static_cast<std::uint32_t>(name.size()), 2);
    PutNumber(common, 0, 2);  // extra
    PutNumber(body, 0x04034b50, 4);
    body += common + name + bytes;
    PutNumber(directory, 0x02014b50, 4);
    PutNumber(directory, 20, 2);  // made by
    directory += common;
    PutNumber(directory, 0, 2);  // comment
    PutNumber(directory, 0, 2);  // disk
    PutNumber(directory, 0, 2);  // internal attributes
    PutNumber(directory, 0, 4);  // external attributes
    PutNumber(directory, offset, 4);
    directory += name;
  }
  std::string end;
  PutNumber(end, 0x06054b50, 4);
  PutNumber(end, 0, 4);
  PutNumber(end, static_cast<std::uint32_t>(parts.size()), 2);
  PutNumber(end, static_cast<std::uint32_t>(parts.size()), 2);
  PutNumber(end, static_cast<std::uint32_t>(directory.size()), 4);
  PutNumber(end, static_cast<std::uint32_t>(body.size()), 4);
  PutNumber(end, 0, 2);
  return body + directory + end;
}

TEST(XlsxPackage, PartsCutShortOrEmptyAreFound) {
  const std::string sheet = "<?xml version=\"1.0\"?>\n<worksheet a=\"1\"><row/></worksheet>\n";
  const std::string types = "<?xml version=\"1.0\"?><Types/>";
  struct Case {
    const char* what;
    std::string package;
    const char* fault;  // nullptr: whole
  };
  const std::string whole = StoredPackage({{"[Content_Types].xml", types}, {"xl/worksheets/sheet1.xml", sheet}});
  // Longer than a piece the check inflates at a time.
  std::string longSheet = "<?xml version=\"1.0\"?><worksheet>";
  while (longSheet.size() < 600000) longSheet += "<row><c><v>1</v></c></row>";
  longSheet += "</worksheet>";
  const std::vector<Case> cases = {
      {"whole", whole, nullptr},
      {"a part cut at a page", StoredPackage({{"xl/worksheets/sheet1.xml", sheet.substr(0, 40)}}), "обрезана"},
      {"a long part", StoredPackage({{"xl/worksheets/sheet1.xml", longSheet}}), nullptr},
      {"a long part cut", StoredPackage({{"xl/worksheets/sheet1.xml", longSheet.substr(0, 300000)}}), "обрезана"},
      {"an empty part", StoredPackage({{"[Content_Types].xml", types}, {"xl/styles.xml", ""}}), "пуста"},
      {"a wrong checksum", StoredPackage({{"xl/worksheets/sheet1.xml", sheet}}, 1), "контрольной суммой"},
      {"the file cut", whole.substr(0, whole.size() / 2), "оглавления"},
      {"nothing", "", "обрезан"},
  };
  for (const Case& c : cases) {
    const std::optional<std::string> fault = XlsxPackageFault(c.package);
    if (c.fault == nullptr) {
      EXPECT_FALSE(fault) << c.what << ": " << fault.value_or("");
    } else {
      ASSERT_TRUE(fault) << c.what;
      EXPECT_NE(fault->find(c.fault), std::string::npos) << c.what << ": " << *fault;
    }
  }
}

TEST(XlsxPackage, TheWritersOwnWorkbookIsWholeAndLeavesNoScratch) {
  const TempFolder folder;
  Sheet sheet;
  sheet.SetValue(1, 1, std::string("Смета"));
  sheet.SetValue(2, 2, 12.5);
  WriteXlsx(sheet, folder / "смета.xlsx");
  EXPECT_FALSE(XlsxPackageFault(testing::Bytes(folder / "смета.xlsx")));
  EXPECT_EQ(testing::FolderEntries(folder.path()), std::vector<std::string>{"смета.xlsx"});
}

TEST(ModuleImage, ModulesCutShortAreRefusedBeforeLoading) {
  const fs::path module = platform::ProgramFile().parent_path() / ModuleFileName("verdin-xls");
  const std::string image = testing::Bytes(module);
  ASSERT_GT(image.size(), 200'000U) << module;
  EXPECT_FALSE(ModuleImageFault(image));
  for (const std::size_t kept : {std::size_t{0}, std::size_t{40}, std::size_t{100'000}, image.size() / 2,
                                 image.size() - 1}) {
    const std::optional<std::string> fault = ModuleImageFault(std::string_view(image).substr(0, kept));
    ASSERT_TRUE(fault) << kept;
    EXPECT_TRUE(fault->starts_with("файл")) << *fault;
  }

}

#ifndef _WIN32
// A scratch folder left by a process that is gone goes at the next use of
// its parent; one of a living process stays, and so does anything else.
TEST(PrivateFolder, FoldersOfEndedProcessesAreSwept) {
  const TempFolder parent;
  const std::string alive = ".~xlsx-" + std::to_string(platform::ProcessNumber()) + "-abcdef";
  for (const char* name : {".~xlsx-999999999-abcdef", ".~xlsx-2147483646-x"}) {
    fs::create_directory(parent / name);
    testing::PutBytes(parent / name / "book.xlsx", "обрывок");
  }
  for (const std::string& name : {alive, std::string(".~xlsx-abc-1"), std::string(".~xlsx-")}) {
    fs::create_directory(parent / name);
  }
  {
    const PrivateFolder scratch(parent.path(), ".~xlsx-");
    EXPECT_TRUE(scratch.path().filename().string().starts_with(alive.substr(0, alive.size() - 6)));
  }
  std::vector<std::string> expected = {".~xlsx-", ".~xlsx-abc-1", alive};
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(testing::FolderEntries(parent.path()), expected);
}

// The lock file of a file in a shared folder can be taken by every member
// of the group; a lock file that is there but cannot be opened is taken
// for a lock held, never skipped.
TEST(WriteLockSharing, LockFilesFollowTheFolderAndAreNeverSkipped) {
  const TempFolder folder;
  ASSERT_EQ(::chmod(folder.path().c_str(), 02775), 0);
  const mode_t before = ::umask(022);
  {
    const WriteLock lock(folder / "смета.xls");
    const std::vector<std::string> entries = testing::FolderEntries(folder.path());
    ASSERT_EQ(entries.size(), 1U);
    struct stat info {};
    ASSERT_EQ(::stat((folder.path() / entries.front()).c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0060, 0060U) << std::oct << info.st_mode;
  }
  ::umask(before);
  EXPECT_TRUE(testing::FolderEntries(folder.path()).empty());

  if (::geteuid() == 0) return;  // the superuser opens any file
  std::string lockName;
  {
    const WriteLock lock(folder / "смета.xls");
    lockName = testing::FolderEntries(folder.path()).front();
  }
  testing::PutBytes(folder / lockName, "");
  ASSERT_EQ(::chmod((folder.path() / lockName).c_str(), 0), 0);
  try {
    const WriteLock refused(folder / "смета.xls");
    ADD_FAILURE() << "a lock file that cannot be opened was skipped";
  } catch (const WriteFault& fault) {
    // Named as the lock file it is, with who may remove it; not taken for
    // a program that is writing.
    EXPECT_EQ(fault.error(), EACCES);
    const std::string reason = fault.what();
    EXPECT_NE(reason.find("файл блокировки «" + PathText(folder / lockName) + "» нельзя открыть: нет доступа"),
              std::string::npos) << reason;
    EXPECT_NE(reason.find("» или администратор"), std::string::npos) << reason;
  }
}

// Another user's file of the program's own naming is not ours to remove.
TEST(WriteLockSharing, TemporariesOfAnotherUserStay) {
  if (::geteuid() != 0) GTEST_SKIP() << "needs a second user";
  const TempFolder folder;
  testing::PutBytes(folder / ".~123456", "чужое");
  ASSERT_EQ(::chown((folder.path() / ".~123456").c_str(), 65534, 65534), 0);
  WriteFileAtomically(folder / "смета.isx", "данные");
  EXPECT_EQ(testing::FolderEntries(folder.path()), (std::vector<std::string>{".~123456", "смета.isx"}));
}

// SIGTERM in the middle of a write: the temporary file, the lock file and
// the scratch folder go with the process, the target stays as it was.
TEST(SignalLeftovers, TerminatedWriteLeavesOnlyTheTarget) {
  for (const int signal : {SIGTERM, SIGINT, SIGHUP}) {
    // A signal ignored where the tests were started (SIGINT for a program
    // started in the background) stays ignored by design: nothing to test.
    struct sigaction now {};
    if (::sigaction(signal, nullptr, &now) == 0 && now.sa_handler == SIG_IGN) continue;
    const TempFolder folder;
    const fs::path file = folder / "смета.xlsx";
    testing::PutBytes(file, "прежняя книга");
    int ready[2];
    ASSERT_EQ(::pipe(ready), 0);
    const pid_t child = ::fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
      ::alarm(60);  // ends a child that a lost signal left waiting
      platform::RemoveLeftoversOnSignals();
      const WriteLock lock(file);
      AtomicReplacement replacement(file, ".xlsx");
      static_cast<void>(replacement.temporaryPath());
      replacement.Write("половина");
      const PrivateFolder scratch(folder.path(), ".~xlsx-");
      testing::PutBytes(scratch.path() / "book.xlsx", "обрывок");
      static_cast<void>(::write(ready[1], "x", 1));
      for (;;) ::pause();
    }
    ::close(ready[1]);
    char byte = 0;
    ASSERT_EQ(::read(ready[0], &byte, 1), 1);
    ::close(ready[0]);
    ::kill(child, signal);
    int status = 0;
    ASSERT_EQ(::waitpid(child, &status, 0), child);
    EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal) << status;
    EXPECT_EQ(testing::FolderEntries(folder.path()), std::vector<std::string>{"смета.xlsx"}) << signal;
    EXPECT_EQ(testing::Bytes(file), "прежняя книга");
  }
}
#endif

}  // namespace
}  // namespace verdin
