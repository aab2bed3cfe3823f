#include "core/platform_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>

#include <array>
#include <cerrno>
#include <random>
#include <utility>

namespace verdin::platform {
namespace {

FileStatus FromStat(const struct stat& info) {
  FileStatus status;
  status.exists = true;
  status.folder = S_ISDIR(info.st_mode);
  status.regular = S_ISREG(info.st_mode);
  status.size = info.st_size > 0 ? static_cast<std::uintmax_t>(info.st_size) : 0;
  status.permissions = static_cast<unsigned>(info.st_mode & 07777);
  return status;
}

// A fresh random part of a temporary file's name.
std::string RandomNamePart() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  return std::to_string(generator() % 1'000'000'000);
}

}  // namespace

FileDescriptor::FileDescriptor(FileDescriptor&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)) {}

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept {
  if (this != &other) {
    Close();
    fd_ = std::exchange(other.fd_, -1);
  }
  return *this;
}

FileDescriptor::~FileDescriptor() { Close(); }

int FileDescriptor::Close() {
  const int fd = std::exchange(fd_, -1);
  return (fd >= 0 && ::close(fd) != 0) ? errno : 0;
}

FileStatus StatusOf(const std::filesystem::path& path) {
  struct stat info {};
  if (::stat(path.c_str(), &info) != 0) return {};
  return FromStat(info);
}

int OpenForReading(const std::filesystem::path& path, FileDescriptor& file) {
  file = FileDescriptor(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
  return file.IsOpen() ? 0 : errno;
}

int StatusOf(const FileDescriptor& file, FileStatus& status) {
  struct stat info {};
  if (::fstat(file.get(), &info) != 0) return errno;
  status = FromStat(info);
  return 0;
}

int ReadAll(const FileDescriptor& file, std::string& content, std::uintmax_t limit) {
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
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate = target;
    candidate += ".tmp-" + RandomNamePart();
    candidate += suffix;
    const int fd = ::open(candidate.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0) {
      file = FileDescriptor(fd);
      created = std::move(candidate);
      return 0;
    }
    if (errno != EEXIST) return errno;
  }
  return EEXIST;
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

}  // namespace verdin::platform
