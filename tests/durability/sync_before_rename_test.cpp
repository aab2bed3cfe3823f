// A file must be on the disk before it takes its name: otherwise a power
// cut right after the rename can leave an empty or partial file (an empty
// .isx, a workbook without content) where the earlier one stood.
//
// This program puts its own fsync, fdatasync, rename, renameat, renameat2
// and linkat in front of the C library's (the real ones are found with
// dlsym(RTLD_NEXT)). They record what happens to which file; the tests then
// check, for every file the program writes, that its data were flushed
// after their last change and before the file was put in place, and that
// the folder was flushed after the rename.
#include <dlfcn.h>
#include <fcntl.h>
#include <stdio.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "core/app_state.h"
#include "core/folders.h"
#include "core/line_file.h"
#include "isx/isx_file.h"
#include "test_support.h"
#include "workbook/save_workbook.h"
#include "workbook/sheet.h"

namespace {

// One file as the system knows it, at one moment.
struct FileIdentity {
  dev_t device = 0;
  ino_t inode = 0;
  off_t size = 0;
  std::int64_t modifiedNs = 0;

  bool SameFile(const FileIdentity& other) const {
    return device == other.device && inode == other.inode;
  }
  bool SameContent(const FileIdentity& other) const {
    return SameFile(other) && size == other.size && modifiedNs == other.modifiedNs;
  }
};

FileIdentity IdentityOf(const struct stat& info) {
  return {info.st_dev, info.st_ino, info.st_size,
          static_cast<std::int64_t>(info.st_mtim.tv_sec) * 1'000'000'000 + info.st_mtim.tv_nsec};
}

struct Event {
  enum class Kind { kSync, kPutInPlace } kind;
  FileIdentity file;
  std::string target;  // the new name, for kPutInPlace
};

// What the interposed calls saw, in order.
std::vector<Event>& Events() {
  static std::vector<Event> events;
  return events;
}

template <typename Function>
Function Real(const char* name) {
  return reinterpret_cast<Function>(dlsym(RTLD_NEXT, name));
}

void RecordSync(int fd) {
  struct stat info {};
  if (fstat(fd, &info) == 0) Events().push_back({Event::Kind::kSync, IdentityOf(info), {}});
}

// Records the file that is about to get the name `to`.
void RecordPutInPlace(int dirfd, const char* from, int flags, int todirfd, const char* to) {
  struct stat info {};
  if (fstatat(dirfd, from, &info, flags) != 0 || !S_ISREG(info.st_mode)) return;
  std::string target = to;
  if (target.empty() || target.front() != '/') {
    char folder[4096];
    const std::string link = todirfd == AT_FDCWD ? "/proc/self/cwd" : "/proc/self/fd/" + std::to_string(todirfd);
    const ssize_t length = readlink(link.c_str(), folder, sizeof folder - 1);
    if (length > 0) target = std::string(folder, static_cast<std::size_t>(length)) + "/" + target;
  }
  Events().push_back({Event::Kind::kPutInPlace, IdentityOf(info), target});
}

}  // namespace

extern "C" {

int fsync(int fd) {
  static const auto real = Real<int (*)(int)>("fsync");
  const int result = real(fd);
  if (result == 0) RecordSync(fd);
  return result;
}

int fdatasync(int fd) {
  static const auto real = Real<int (*)(int)>("fdatasync");
  const int result = real(fd);
  if (result == 0) RecordSync(fd);
  return result;
}

int rename(const char* from, const char* to) {
  static const auto real = Real<int (*)(const char*, const char*)>("rename");
  RecordPutInPlace(AT_FDCWD, from, AT_SYMLINK_NOFOLLOW, AT_FDCWD, to);
  return real(from, to);
}

int renameat(int fromdir, const char* from, int todir, const char* to) {
  static const auto real = Real<int (*)(int, const char*, int, const char*)>("renameat");
  RecordPutInPlace(fromdir, from, AT_SYMLINK_NOFOLLOW, todir, to);
  return real(fromdir, from, todir, to);
}

int renameat2(int fromdir, const char* from, int todir, const char* to, unsigned int flags) {
  static const auto real = Real<int (*)(int, const char*, int, const char*, unsigned int)>("renameat2");
  RecordPutInPlace(fromdir, from, AT_SYMLINK_NOFOLLOW, todir, to);
  return real(fromdir, from, todir, to, flags);
}

// A file created with O_TMPFILE gets its name through linkat.
int linkat(int fromdir, const char* from, int todir, const char* to, int flags) {
  static const auto real = Real<int (*)(int, const char*, int, const char*, int)>("linkat");
  RecordPutInPlace(fromdir, from, (flags & AT_EMPTY_PATH) | AT_SYMLINK_NOFOLLOW, todir, to);
  return real(fromdir, from, todir, to, flags);
}

}  // extern "C"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Checks the events recorded since `from` for the file `target`: it was
// put in place exactly once, its content was flushed before that (and not
// changed since), and its folder was flushed afterwards.
void ExpectSyncedBeforePutInPlace(std::size_t from, const fs::path& target) {
  const std::vector<Event>& events = Events();
  std::size_t placed = events.size();
  for (std::size_t i = from; i < events.size(); ++i) {
    if (events[i].kind == Event::Kind::kPutInPlace && fs::path(events[i].target) == target) {
      ASSERT_EQ(placed, events.size()) << "put in place twice: " << target;
      placed = i;
    }
  }
  ASSERT_LT(placed, events.size()) << "never renamed or linked into place: " << target;
  const FileIdentity& file = events[placed].file;
  bool synced = false;
  for (std::size_t i = from; i < placed; ++i) {
    synced = synced || (events[i].kind == Event::Kind::kSync && events[i].file.SameContent(file));
  }
  EXPECT_TRUE(synced) << "the data of " << target << " were not flushed to the disk before the rename";

  struct stat folder {};
  ASSERT_EQ(stat(target.parent_path().c_str(), &folder), 0);
  bool folderSynced = false;
  for (std::size_t i = placed + 1; i < events.size(); ++i) {
    folderSynced = folderSynced || (events[i].kind == Event::Kind::kSync &&
                                    events[i].file.SameFile(IdentityOf(folder)));
  }
  EXPECT_TRUE(folderSynced) << "the folder of " << target << " was not flushed after the rename";
}

Sheet SmallSheet() {
  Sheet sheet;
  sheet.SetValue(1, 1, "Смета");
  sheet.SetValue(2, 1, 12345.67);
  return sheet;
}

struct Writer {
  const char* name;
  const char* fileName;
  void (*write)(const fs::path& file);
};

const Writer kWriters[] = {
    {"LineFile", "vb_prog.ini", [](const fs::path& file) { WriteLineFile(file, {"DATA= /data", "ISX= /isx"}); }},
    {"Bytes", "bytes.dat", [](const fs::path& file) { WriteFileAtomically(file, std::string(100'000, 'x')); }},
    {"Isx", "смета.isx", [](const fs::path& file) { WriteIsx(Estimate{}, GeneralData{}, file); }},
    {"Xls", "смета.xls", [](const fs::path& file) { SaveWorkbook(SmallSheet(), file); }},
    {"Xlsx", "смета.xlsx", [](const fs::path& file) { SaveWorkbook(SmallSheet(), file); }},
};

void PrintTo(const Writer& writer, std::ostream* out) { *out << writer.name; }

class SyncBeforeRename : public ::testing::TestWithParam<Writer> {};

TEST_P(SyncBeforeRename, NewFile) {
  const TempFolder folder;
  const fs::path file = folder / GetParam().fileName;
  const std::size_t from = Events().size();
  GetParam().write(file);
  ExpectSyncedBeforePutInPlace(from, file);
}

TEST_P(SyncBeforeRename, ReplacedFile) {
  const TempFolder folder;
  const fs::path file = folder / GetParam().fileName;
  GetParam().write(file);
  const std::size_t from = Events().size();
  GetParam().write(file);
  ExpectSyncedBeforePutInPlace(from, file);
}

INSTANTIATE_TEST_SUITE_P(EveryWriter, SyncBeforeRename, ::testing::ValuesIn(kWriters),
                         [](const auto& info) { return std::string(info.param.name); });

// The demo database copied into a new user's data folder: a copy cut short
// would stay there for good, as files already in the folder are kept.
TEST(SyncBeforeRenameOfSeededDatabase, EveryDemoFile) {
  const TempFolder folder;
  const fs::path demo = folder / "demo";
  fs::create_directory(demo);
  const std::vector<std::string> names = {"ВердинПИР_Таблицы.txt", "Вердина ПИР СМР.dat"};
  for (const std::string& name : names) WriteLineFile(demo / name, {"\\END"});
  const std::size_t from = Events().size();
  Folders folders;
  UseBuiltInLayout(folder / "user", demo, folders);
  for (const std::string& name : names) ExpectSyncedBeforePutInPlace(from, folders.PathData / name);
}

}  // namespace
}  // namespace verdin
