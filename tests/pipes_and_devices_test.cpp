// Files that are not ordinary files, links and permissions: what the
// readers and writers do with each. These
// tests also run under an ordinary user's id (scripts/test.sh), so every
// permission case states the answer for the superuser and for others.
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "test_support.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// Kinds of special file a test can make as any user.
enum class Special { Fifo, Socket, DeviceLink, Folder };

// Makes the special file at `path`; a device is reached through a link to
// /dev/null, which no ordinary user may create.
void Make(Special kind, const fs::path& path) {
  switch (kind) {
    case Special::Fifo:
      ASSERT_EQ(::mkfifo(path.c_str(), 0644), 0);
      break;
    case Special::Socket: {
      const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
      sockaddr_un address{};
      address.sun_family = AF_UNIX;
      ASSERT_LT(path.string().size(), sizeof(address.sun_path));
      path.string().copy(address.sun_path, sizeof(address.sun_path) - 1);
      ASSERT_EQ(::bind(fd, reinterpret_cast<const sockaddr*>(&address), sizeof(address)), 0);
      ::close(fd);
      break;
    }
    case Special::DeviceLink:
      fs::create_symlink("/dev/null", path);
      break;
    case Special::Folder:
      fs::create_directory(path);
      break;
  }
}

struct SpecialCase {
  const char* name;
  Special kind;
  std::string reason;
};

const std::vector<SpecialCase> kSpecialCases = {
    {"pipe", Special::Fifo, "это не обычный файл"},
    {"socket", Special::Socket, "это не обычный файл"},
    {"device", Special::DeviceLink, "это не обычный файл"},
    {"folder", Special::Folder, "это папка, а не файл"},
};

std::string FileErrorOf(const std::function<void()>& action) {
  try {
    action();
  } catch (const FileError& error) {
    return error.what();
  }
  return "no error";
}

// A reader opens without waiting and refuses anything but an ordinary
// file: a pipe without a writer must not block it.
TEST(SpecialFiles, ReadersRefuseThemAtOnce) {
  for (const SpecialCase& c : kSpecialCases) {
    SCOPED_TRACE(c.name);
    const TempFolder folder;
    const fs::path file = folder / "s";
    Make(c.kind, file);
    const auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(FileErrorOf([&] { ReadLineFile(file); }),
              "Не удалось открыть файл «" + PathText(file) + "»: " + c.reason + ".");
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
  }
}

// A writer never puts an ordinary file in the place of a special one: the
// special file stays what it was and nothing else appears.
TEST(SpecialFiles, WritersRefuseThemAndLeaveThemAsTheyWere) {
  for (const SpecialCase& c : kSpecialCases) {
    SCOPED_TRACE(c.name);
    const TempFolder folder;
    const fs::path file = folder / "s";
    Make(c.kind, file);
    const fs::file_type before = fs::symlink_status(file).type();
    EXPECT_EQ(FileErrorOf([&] { WriteFileAtomically(file, "новое"); }),
              "Не удалось записать файл «" + PathText(file) + "»: " + c.reason + ".");
    EXPECT_EQ(fs::symlink_status(file).type(), before);
    EXPECT_EQ(testing::FolderEntries(folder.path()), std::vector<std::string>{"s"});
  }
  EXPECT_EQ(fs::status("/dev/null").type(), fs::file_type::character);
}

// A link at the target stays a link: the file it leads to is replaced in
// its own folder; a link that leads nowhere yet makes that file.
TEST(SpecialFiles, LinksAreFollowedAndStayLinks) {
  const TempFolder folder;
  fs::create_directory(folder / PathFromText("там"));
  testing::PutBytes(folder / PathFromText("там") / PathFromText("книга.xls"), "прежнее");
  struct Case {
    const char* link;
    fs::path leadsTo;
    fs::path file;
  };
  const std::vector<Case> cases = {
      {"к файлу.xls", "там/книга.xls", folder / PathFromText("там") / PathFromText("книга.xls")},
      {"через ссылку.xls", "к файлу.xls", folder / PathFromText("там") / PathFromText("книга.xls")},
      {"в пустоту.xls", folder / PathFromText("там") / PathFromText("новая.xls"), folder / PathFromText("там") / PathFromText("новая.xls")},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.link);
    fs::create_symlink(c.leadsTo, folder / c.link);
    WriteFileAtomically(folder / c.link, c.link);
    EXPECT_TRUE(fs::is_symlink(folder / c.link));
    EXPECT_EQ(testing::Bytes(c.file), c.link);
  }
  EXPECT_EQ(testing::FolderEntries(folder / PathFromText("там")), (std::vector<std::string>{"книга.xls", "новая.xls"}));
  // Links in a circle are refused, not followed for ever.
  fs::create_symlink("круг2", folder / PathFromText("круг1"));
  fs::create_symlink("круг1", folder / PathFromText("круг2"));
  EXPECT_NE(FileErrorOf([&] { WriteFileAtomically(folder / PathFromText("круг1"), "x"); }).find("символических ссылок"),
            std::string::npos);
}

// The permission bits decide whether a file may be replaced, for the
// superuser as for anyone: a file nobody may write is read-only for all.
TEST(Permissions, UserMayWriteFollowsTheBitsThatApply) {
  const unsigned me = static_cast<unsigned>(::geteuid());
  const bool root = me == 0;
  const unsigned someone = me + 1;
  const unsigned noGroup = 0xFFFFFFF0u;
  struct Case {
    const char* name;
    unsigned permissions;
    unsigned owner;
    bool forRoot;
    bool forUser;
  };
  const std::vector<Case> cases = {
      {"own, owner may write", 0644, me, true, true},
      {"own, only read", 0444, me, false, false},
      {"own, owner may only read", 0464, me, true, false},
      {"own, owner may only read, others write", 0446, me, true, false},
      {"another's, others may write", 0606, someone, true, true},
      {"another's, only the owner writes", 0644, someone, true, false},
      {"nobody's marks at all", 0000, someone, false, false},
  };
  for (const Case& c : cases) {
    platform::FileStatus status;
    status.exists = true;
    status.regular = true;
    status.permissions = c.permissions;
    status.owner = c.owner;
    status.group = noGroup;
    EXPECT_EQ(platform::UserMayWrite(status), root ? c.forRoot : c.forUser) << c.name;
  }
}

}  // namespace
}  // namespace verdin
