// The POSIX side of the platform calls (Linux); Windows has its own file.
#ifndef _WIN32
#include "core/platform_files.h"

#include <dlfcn.h>
#include <pthread.h>
#include <pwd.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/syscall.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <cstdlib>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <random>
#include <string>
#include <system_error>
#include <utility>
#include <vector>

#include "core/leftover_slots.h"

namespace verdin::platform {
namespace {

// A fresh random part of a temporary file's name: always six digits, so
// the name's length never depends on chance.
std::string RandomNamePart() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  std::string digits = std::to_string(generator() % 1'000'000);
  return std::string(kTemporaryDigits - digits.size(), '0') + digits;
}

FileStatus FromStat(const struct stat& info) {
  FileStatus status;
  status.exists = true;
  status.folder = S_ISDIR(info.st_mode);
  status.regular = S_ISREG(info.st_mode);
  status.size = info.st_size > 0 ? static_cast<std::uintmax_t>(info.st_size) : 0;
  status.permissions = static_cast<unsigned>(info.st_mode & 07777);
  status.owner = static_cast<unsigned>(info.st_uid);
  status.group = static_cast<unsigned>(info.st_gid);
  return status;
}

// Whether the process's user belongs to the group.
bool InGroup(unsigned group) {
  if (static_cast<unsigned>(::getegid()) == group) return true;
  const int count = ::getgroups(0, nullptr);
  if (count <= 0) return false;
  std::vector<gid_t> groups(static_cast<std::size_t>(count));
  const int got = ::getgroups(count, groups.data());
  return got > 0 && std::any_of(groups.begin(), groups.begin() + got,
                                [group](gid_t g) { return static_cast<unsigned>(g) == group; });
}

// The name under which an open file can be reached again, even one
// without a name of its own.
std::string OpenFileLink(const FileDescriptor& file) { return "/proc/self/fd/" + std::to_string(file.get()); }

// Tries `create` with fresh names "<folder of target>/.~<digits><suffix>"
// until one is free: `create` returns 0, EEXIST for a name taken, or
// another error that ends the attempts. The name is short whatever the
// target's, so a valid name never fails for its temporary's length.
template <typename Create>
int WithFreshTemporaryName(const std::filesystem::path& target, std::string_view suffix,
                           std::filesystem::path& named, Create create) {
  constexpr int kAttempts = 100;
  const std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate = folder / (std::string(kTemporaryPrefix) + RandomNamePart());
    candidate += suffix;
    const int error = create(candidate);
    if (error == 0) {
      named = std::move(candidate);
      return 0;
    }
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

}  // namespace

int CloseDescriptor(int fd) { return ::close(fd) != 0 ? errno : 0; }

bool UserMayWrite(const FileStatus& status) {
  const unsigned user = static_cast<unsigned>(::geteuid());
  if (user == 0) return (status.permissions & 0222) != 0;
  if (status.owner == user) return (status.permissions & 0200) != 0;
  if (InGroup(status.group)) return (status.permissions & 0020) != 0;
  return (status.permissions & 0002) != 0;
}

FileStatus StatusOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return FromStat(info);
}

int OpenForReading(const std::filesystem::path& path, FileDescriptor& file) {
  // A pipe without a writer would block the open itself; without waiting
  // the caller can look at what it opened and refuse it. An ordinary file
  // reads the same either way.
  file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_NOCTTY | O_CLOEXEC));
  return file.IsOpen() ? 0 : errno;
}

FileStatus LinkStatusOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::lstat(path.c_str(), &info) != 0) return {};
  FileStatus status = FromStat(info);
  status.link = S_ISLNK(info.st_mode);
  return status;
}

int FolderWritable(const std::filesystem::path& folder) {
  struct stat info {};
  if (::stat(folder.c_str(), &info) != 0) return errno;
  if (!S_ISDIR(info.st_mode)) return ENOTDIR;
  return ::access(folder.c_str(), W_OK | X_OK) == 0 ? 0 : errno;
}

int StatusOf(const FileDescriptor& file, FileStatus& status) {
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return errno;
  status = FromStat(info);
  return 0;
}

int ReadAll(const FileDescriptor& file, std::string& content, std::uintmax_t limit) {
  // Room for an ordinary file at once: a string grown by doubling copies
  // a large file several times over.
  FileStatus status;
  if (StatusOf(file, status) == 0 && status.regular && status.size <= limit) content.reserve(content.size() + status.size);
  std::array<char, 65536> buffer{};
  for (;;) {
    const ssize_t got = ::read(file.get(), buffer.data(), buffer.size());
    if (got == 0) return 0;
    if (got < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    content.append(buffer.data(), static_cast<std::size_t>(got));
    if (content.size() > limit) return EFBIG;
  }
}

int WriteAll(const FileDescriptor& file, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t put = ::write(file.get(), bytes.data(), bytes.size());
    if (put < 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    if (put == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

int SyncToDisk(const FileDescriptor& file) { return ::fsync(file.get()) != 0 ? errno : 0; }

int SetPermissions(const FileDescriptor& file, unsigned permissions) {
  return ::fchmod(file.get(), static_cast<mode_t>(permissions & 07777)) != 0 ? errno : 0;
}

int CreateTemporaryBeside(const std::filesystem::path& target, std::string_view suffix,
                          std::filesystem::path& created, FileDescriptor& file) {
  return WithFreshTemporaryName(target, suffix, created, [&file](const std::filesystem::path& candidate) {
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0) return errno;
    file = FileDescriptor(fd);
    return 0;
  });
}

int CreateUnnamedIn(const std::filesystem::path& folder, FileDescriptor& file) {
#ifdef O_TMPFILE
  FileDescriptor created(::open(folder.c_str(), O_TMPFILE | O_WRONLY | O_CLOEXEC, 0666));
  if (!created.IsOpen()) return errno;
  // The name is given later through the process's view of its open files;
  // without it the file could never be put in place.
  struct stat info {};
  if (::stat(OpenFileLink(created).c_str(), &info) != 0) return EOPNOTSUPP;
  file = std::move(created);
  return 0;
#else
  static_cast<void>(folder);
  static_cast<void>(file);
  return EOPNOTSUPP;
#endif
}

int NameTemporaryBeside(const FileDescriptor& file, const std::filesystem::path& target,
                        std::string_view suffix, std::filesystem::path& named) {
  const std::string link = OpenFileLink(file);
  return WithFreshTemporaryName(target, suffix, named, [&link](const std::filesystem::path& candidate) {
    return ::linkat(AT_FDCWD, link.c_str(), AT_FDCWD, candidate.c_str(), AT_SYMLINK_FOLLOW) == 0 ? 0 : errno;
  });
}

int MarkInUse(const FileDescriptor& file) {
  while (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
    if (errno != EINTR) return errno;
  }
  return 0;
}

void RemoveIfAbandoned(const std::filesystem::path& path) noexcept {
  const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return;
  struct stat info {};
  // Held by a writer that is still alive: the lock is refused.
  // Another user's file is never ours to remove, whatever its name.
  if (::fstat(fd, &info) == 0 && S_ISREG(info.st_mode) && info.st_uid == ::geteuid() &&
      ::flock(fd, LOCK_EX | LOCK_NB) == 0) {
    ::unlink(path.c_str());
  }
  ::close(fd);
}

namespace {

// Opens the lock file, creating it when missing. Any user of the folder
// must be able to lock it: a lock is taken through a descriptor open for
// reading alone, so a lock file made by another user (readable to us)
// works as well as our own.
FileDescriptor OpenLockFile(const std::filesystem::path& path, bool& created) {
  created = false;
  FileDescriptor file(::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC));
  if (file.IsOpen() || errno != ENOENT) return file;
  file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC,
                               0666));
  created = file.IsOpen();
  if (!created && errno == EEXIST) errno = EAGAIN;  // made by another writer this instant: try anew
  return file;
}

// The permissions of a new lock file: those of the file it guards (the
// umask's for a new one), readable and writable for the group too where
// the folder is the group's to write, so that everyone who may replace the
// file may lock it.
void ShareLockFile(const FileDescriptor& lock, const std::filesystem::path& guarded) {
  struct stat folder {};
  struct stat target {};
  const std::filesystem::path parent = guarded.parent_path().empty() ? "." : guarded.parent_path();
  mode_t mode = 0;
  if (::stat(guarded.c_str(), &target) == 0) {
    mode = target.st_mode & 0666;
  } else {
    struct stat self {};
    if (::fstat(lock.get(), &self) != 0) return;
    mode = self.st_mode & 0666;
  }
  if (::stat(parent.c_str(), &folder) == 0 && (folder.st_mode & S_IWGRP) != 0) mode |= 0060;
  ::fchmod(lock.get(), mode | 0400);
}

}  // namespace

int TakeLockFile(const std::filesystem::path& path, const std::filesystem::path& guarded, FileDescriptor& held) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    bool created = false;
    FileDescriptor file = OpenLockFile(path, created);
    if (!file.IsOpen()) {
      if (errno == EAGAIN || errno == EINTR) continue;
      return errno;
    }
    if (created) ShareLockFile(file, guarded);
    if (::flock(file.get(), LOCK_EX | LOCK_NB) != 0) {
      if (errno == EINTR) continue;
      return errno;
    }
    // The holder before may have removed the file between our open and
    // our lock; a lock on a removed file excludes nobody, so try anew.
    struct stat opened {};
    struct stat named {};
    if (::fstat(file.get(), &opened) == 0 && ::stat(path.c_str(), &named) == 0 && opened.st_dev == named.st_dev &&
        opened.st_ino == named.st_ino) {
      held = std::move(file);
      return 0;
    }
  }
  return EWOULDBLOCK;
}

void ReleaseLockFile(const std::filesystem::path& path, FileDescriptor& held) noexcept {
  if (!held.IsOpen()) return;
  // Removed while still held, so that nobody locks the name we leave.
  ::unlink(path.c_str());
  held.Close();
}

int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  return ::rename(from.c_str(), to.c_str()) != 0 ? errno : 0;
}

void RemoveFile(const std::filesystem::path& path) noexcept { ::unlink(path.c_str()); }

void SyncFolder(const std::filesystem::path& folder) noexcept {
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

std::filesystem::path SystemTemporaryFolder() {
  const char* folder = std::getenv("TMPDIR");
  return folder != nullptr && folder[0] == '/' ? std::filesystem::path(folder) : std::filesystem::path("/tmp");
}

int CreatePrivateFolder(const std::filesystem::path& parent, std::string_view prefix,
                        std::filesystem::path& created) {
  std::string pattern = (parent / (std::string(prefix) + "XXXXXX")).string();
  if (::mkdtemp(pattern.data()) == nullptr) return errno;
  created = pattern;
  return 0;
}

bool OwnedByUser(const FileStatus& status) { return status.owner == static_cast<unsigned>(::geteuid()); }

std::string OwnerName(const FileStatus& status) {
  struct passwd entry {};
  struct passwd* found = nullptr;
  std::array<char, 4096> buffer{};
  if (::getpwuid_r(static_cast<uid_t>(status.owner), &entry, buffer.data(), buffer.size(), &found) == 0 &&
      found != nullptr && found->pw_name != nullptr && found->pw_name[0] != '\0') {
    return found->pw_name;
  }
  return std::to_string(status.owner);
}

long ProcessNumber() noexcept { return static_cast<long>(::getpid()); }

bool ProcessRunning(long number) noexcept {
  if (number <= 0 || number != static_cast<long>(static_cast<pid_t>(number))) return false;
  // EPERM: it runs, as another user.
  return ::kill(static_cast<pid_t>(number), 0) == 0 || errno != ESRCH;
}

std::filesystem::path ScratchFolderFor(const std::filesystem::path& folder) { return folder; }

namespace {

// Removes the files in a folder and then the folder, with calls that are
// safe inside a signal handler (no allocation, no C library streams).
void RemoveFolderInHandler(const char* folder) noexcept {
  const int fd = ::open(folder, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) {
    alignas(8) char buffer[4096];
    for (;;) {
      const long got = ::syscall(SYS_getdents64, fd, buffer, sizeof buffer);
      if (got <= 0) break;
      for (long at = 0; at < got;) {
        // struct linux_dirent64: inode (8), offset (8), record length (2),
        // type (1), then the name.
        unsigned short length = 0;
        __builtin_memcpy(&length, buffer + at + 16, sizeof length);
        const char* name = buffer + at + 19;
        if (!(name[0] == '.' && (name[1] == '\0' || (name[1] == '.' && name[2] == '\0')))) {
          ::unlinkat(fd, name, 0);
        }
        at += length;
      }
    }
    ::close(fd);
  }
  ::rmdir(folder);
}

constexpr std::array<int, 3> kEndingSignals = {SIGTERM, SIGINT, SIGHUP};

// The handlers that were there before ours, by signal. Each copy of this
// code (the program and each writer module linked with it) keeps its own
// table of leftovers and its own handler, which removes its leftovers and
// then passes the signal on to the handler before it.
std::array<struct sigaction, kEndingSignals.size()>& EarlierHandlers() noexcept {
  static std::array<struct sigaction, kEndingSignals.size()> earlier{};
  return earlier;
}

extern "C" void RemoveLeftoversAndEnd(int signal) {
  const int savedErrno = errno;
  Leftovers().RemoveAll([](const char* path, bool folder) {
    if (folder) {
      RemoveFolderInHandler(path);
    } else {
      ::unlink(path);
    }
  });
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    const struct sigaction& earlier = EarlierHandlers()[i];
    if (kEndingSignals[i] != signal || (earlier.sa_flags & SA_SIGINFO) != 0 || earlier.sa_handler == SIG_DFL ||
        earlier.sa_handler == SIG_IGN) {
      continue;
    }
    errno = savedErrno;
    earlier.sa_handler(signal);
    return;
  }
  // Ended as the signal would have ended it, for the parent to see.
  struct sigaction byDefault {};
  byDefault.sa_handler = SIG_DFL;
  ::sigemptyset(&byDefault.sa_mask);
  ::sigaction(signal, &byDefault, nullptr);
  errno = savedErrno;
  ::raise(signal);
}

}  // namespace

void RemoveLeftoversOnSignals() noexcept {
  static std::atomic<bool> installed{false};
  if (installed.exchange(true)) return;
  for (std::size_t i = 0; i < kEndingSignals.size(); ++i) {
    const int signal = kEndingSignals[i];
    struct sigaction now {};
    // A signal the parent told us to ignore (nohup) stays ignored.
    if (::sigaction(signal, nullptr, &now) != 0 || now.sa_handler == SIG_IGN) continue;
    struct sigaction handler {};
    handler.sa_handler = RemoveLeftoversAndEnd;
    ::sigemptyset(&handler.sa_mask);
    for (const int other : kEndingSignals) ::sigaddset(&handler.sa_mask, other);
    ::sigaction(signal, &handler, &EarlierHandlers()[i]);
  }
}

static_assert(sizeof(sigset_t) <= sizeof(unsigned long long[16]));

EndingSignalsDeferred::EndingSignalsDeferred() noexcept {
  sigset_t ending;
  ::sigemptyset(&ending);
  for (const int signal : kEndingSignals) ::sigaddset(&ending, signal);
  ::pthread_sigmask(SIG_BLOCK, &ending, reinterpret_cast<sigset_t*>(saved_));
}

EndingSignalsDeferred::~EndingSignalsDeferred() {
  ::pthread_sigmask(SIG_SETMASK, reinterpret_cast<const sigset_t*>(saved_), nullptr);
}

struct Utf8Console::Streams {};
Utf8Console::Utf8Console() = default;
Utf8Console::~Utf8Console() = default;

void IgnoreFileSizeSignal() noexcept { std::signal(SIGXFSZ, SIG_IGN); }

std::filesystem::path ProgramFile() {
  std::error_code error;
  auto self = std::filesystem::read_symlink("/proc/self/exe", error);
  return error ? std::filesystem::path() : self;
}

std::vector<std::string> CommandLineArguments(int argc, char** argv) {
  return argc > 1 ? std::vector<std::string>(argv + 1, argv + argc) : std::vector<std::string>();
}

bool LocalTime(std::time_t seconds, std::tm& local) { return ::localtime_r(&seconds, &local) != nullptr; }

namespace {

// "$VARIABLE/verdin" when the variable names an absolute path, else
// "$HOME/<fallbackUnderHome>/verdin".
std::filesystem::path FolderFromEnvironment(const char* variable, const char* fallbackUnderHome) {
  if (const char* value = std::getenv(variable); value != nullptr && *value == '/') {
    return std::filesystem::path(value) / "verdin";
  }
  const char* home = std::getenv("HOME");
  const std::filesystem::path base = (home != nullptr && *home != '\0') ? home : ".";
  return base / fallbackUnderHome / "verdin";
}

}  // namespace

std::filesystem::path UserSettingsFolder() { return FolderFromEnvironment("XDG_CONFIG_HOME", ".config"); }

std::filesystem::path SystemSettingsFolder() { return {}; }

std::filesystem::path UserDataFolder() { return FolderFromEnvironment("XDG_DATA_HOME", ".local/share"); }

std::string_view ModuleSuffix() { return ".so"; }

namespace {

// The loader's last failure, or a plain word when it has none.
std::string LoaderReason() {
  const char* reason = ::dlerror();
  return reason != nullptr ? reason : "причина неизвестна";
}

}  // namespace

void* LoadLibraryFile(const std::filesystem::path& file, std::string& reason) {
  // Its own symbols stay private (RTLD_LOCAL); RTLD_NODELETE keeps the
  // libraries behind it loaded for the rest of the process.
  void* library = ::dlopen(file.c_str(), RTLD_LAZY | RTLD_LOCAL | RTLD_NODELETE);
  if (library == nullptr) reason = LoaderReason();
  return library;
}

void* LibraryFunction(void* library, const char* name, std::string& reason) {
  ::dlerror();
  void* address = ::dlsym(library, name);
  if (address == nullptr) reason = LoaderReason();
  return address;
}

void ReleaseLibrary(void* library) noexcept {
  if (library != nullptr) ::dlclose(library);
}

SilencedStandardError::SilencedStandardError() {
  std::fflush(stderr);
  saved_ = ::fcntl(STDERR_FILENO, F_DUPFD_CLOEXEC, 0);
  if (saved_ < 0) return;
  const int sink = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
  const bool silenced = sink >= 0 && ::dup2(sink, STDERR_FILENO) >= 0;
  if (sink >= 0) ::close(sink);
  if (!silenced) {
    ::close(saved_);
    saved_ = -1;
  }
}

SilencedStandardError::~SilencedStandardError() {
  if (saved_ < 0) return;
  const int error = errno;
  std::fflush(stderr);
  ::dup2(saved_, STDERR_FILENO);
  ::close(saved_);
  errno = error;
}

}  // namespace verdin::platform
#endif  // !_WIN32
