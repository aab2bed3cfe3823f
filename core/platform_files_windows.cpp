// The Windows side of the platform calls. Files are opened with
// CreateFileW (names in UTF-16, so Cyrillic names work whatever the
// system's code page) and then held as C library descriptors, so that the
// rest of the program sees the same FileDescriptor as on POSIX systems.
// Failures are turned into errno values for the callers' Russian messages.
//
// The atomic replacement keeps its guarantees: the new file is written
// beside the target, flushed (FlushFileBuffers) and moved over it in one
// step (MoveFileExW with MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH),
// which fails for a read-only target; a temporary file in use by a living
// writer carries a byte-range lock, which the system drops when that
// process ends however it ends.
#ifdef _WIN32
#include "core/platform_files.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>
// windows.h names ReplaceFileW "ReplaceFile"; ours is the one here.
#undef ReplaceFile
// After windows.h:
#include <fcntl.h>
#include <io.h>
#include <knownfolders.h>
#include <shellapi.h>
#include <shlobj.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <iostream>
#include <random>
#include <streambuf>
#include <string>
#include <system_error>
#include <utility>

#include "core/leftover_slots.h"

namespace verdin::platform {
namespace {

// The system's error as the errno value the callers word.
int ErrnoOf(DWORD error) {
  switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
    case ERROR_BAD_NET_NAME:
      return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_CURRENT_DIRECTORY:
      return EACCES;
    case ERROR_WRITE_PROTECT:
      return EROFS;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
      return EEXIST;
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
      return EBUSY;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
      return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
      return ENOMEM;
    case ERROR_FILENAME_EXCED_RANGE:
      return ENAMETOOLONG;
    case ERROR_INVALID_NAME:
    case ERROR_BAD_PATHNAME:
    case ERROR_INVALID_PARAMETER:
      return EINVAL;
    case ERROR_DIRECTORY:
      return ENOTDIR;
    case ERROR_DIR_NOT_EMPTY:
      return ENOTEMPTY;
    case ERROR_NOT_SUPPORTED:
      return EOPNOTSUPP;
    default:
      return EIO;
  }
}

int LastErrno() { return ErrnoOf(::GetLastError()); }

HANDLE HandleOf(const FileDescriptor& file) { return reinterpret_cast<HANDLE>(::_get_osfhandle(file.get())); }

// Wraps an open handle into a C library descriptor that owns it.
int Adopt(HANDLE handle, int flags, FileDescriptor& file) {
  const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle), flags | _O_BINARY | _O_NOINHERIT);
  if (fd < 0) {
    ::CloseHandle(handle);
    return EMFILE;
  }
  file = FileDescriptor(fd);
  return 0;
}

// Owns a bare handle for the few calls that need no descriptor.
class Handle {
 public:
  explicit Handle(HANDLE handle) : handle_(handle) {}
  ~Handle() {
    if (IsOpen()) ::CloseHandle(handle_);
  }
  Handle(const Handle&) = delete;
  Handle& operator=(const Handle&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

 private:
  HANDLE handle_;
};

constexpr DWORD kShareAll = FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE;

// Opens a path only to look at it: folders too, and a link itself when
// `followLinks` is false.
Handle OpenForStatus(const std::filesystem::path& path, bool followLinks) {
  const DWORD flags = FILE_FLAG_BACKUP_SEMANTICS | (followLinks ? 0 : FILE_FLAG_OPEN_REPARSE_POINT);
  return Handle(::CreateFileW(path.c_str(), FILE_READ_ATTRIBUTES, kShareAll, nullptr, OPEN_EXISTING, flags, nullptr));
}

FileStatus StatusOfHandle(HANDLE handle) {
  FileStatus status;
  BY_HANDLE_FILE_INFORMATION info{};
  const DWORD type = ::GetFileType(handle);
  status.exists = true;
  if (type != FILE_TYPE_DISK || !::GetFileInformationByHandle(handle, &info)) {
    // A device (CON, NUL, a pipe): neither a folder nor an ordinary file.
    status.permissions = 0666;
    return status;
  }
  status.folder = (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
  status.regular = !status.folder;
  status.link = (info.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
  status.size = (static_cast<std::uintmax_t>(info.nFileSizeHigh) << 32) | info.nFileSizeLow;
  const bool readOnly = (info.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
  status.permissions = (status.folder ? 0555 : 0444) | (readOnly ? 0 : 0222);
  return status;
}

FileStatus StatusOfPath(const std::filesystem::path& path, bool followLinks) {
  const Handle handle = OpenForStatus(path, followLinks);
  if (!handle.IsOpen()) return {};
  FileStatus status = StatusOfHandle(handle.get());
  if (followLinks) status.link = false;
  return status;
}

// A fresh random part of a temporary name: always six digits.
std::string RandomNamePart() {
  static thread_local std::mt19937_64 generator{std::random_device{}()};
  std::string digits = std::to_string(generator() % 1'000'000);
  return std::string(kTemporaryDigits - digits.size(), '0') + digits;
}

// The byte the in-use mark locks: far beyond any data, so that the lock
// never stands in the way of reading or writing the file itself.
constexpr DWORD kMarkOffsetHigh = 0x7FFFFFFF;

bool LockMark(HANDLE handle) {
  OVERLAPPED where{};
  where.OffsetHigh = kMarkOffsetHigh;
  return ::LockFileEx(handle, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where) != 0;
}

// Marks an open file (opened with DELETE access) to go when it is closed.
bool DeleteOnClose(HANDLE handle) {
  FILE_DISPOSITION_INFO disposition{};
  disposition.DeleteFile = TRUE;
  return ::SetFileInformationByHandle(handle, FileDispositionInfo, &disposition, sizeof disposition) != 0;
}

std::string Utf8Of(const std::wstring& text) {
  if (text.empty()) return {};
  const int size = ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0,
                                         nullptr, nullptr);
  std::string utf8(static_cast<std::size_t>(size > 0 ? size : 0), '\0');
  if (size > 0) {
    ::WideCharToMultiByte(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), utf8.data(), size, nullptr,
                          nullptr);
  }
  return utf8;
}

std::filesystem::path KnownFolder(const KNOWNFOLDERID& id) {
  PWSTR folder = nullptr;
  std::filesystem::path found;
  if (::SHGetKnownFolderPath(id, KF_FLAG_CREATE, nullptr, &folder) == S_OK && folder != nullptr) found = folder;
  ::CoTaskMemFree(folder);
  return found;
}

}  // namespace

int CloseDescriptor(int fd) { return ::_close(fd) != 0 ? errno : 0; }

// Windows keeps no permission bits; a read-only file is read-only for
// every user, the administrator included.
bool UserMayWrite(const FileStatus& status) { return (status.permissions & 0200) != 0; }

FileStatus StatusOf(const std::filesystem::path& path) { return StatusOfPath(path, true); }

FileStatus LinkStatusOf(const std::filesystem::path& path) { return StatusOfPath(path, false); }

int FolderWritable(const std::filesystem::path& folder) {
  const Handle handle = OpenForStatus(folder, true);
  if (!handle.IsOpen()) return LastErrno();
  // The read-only mark of a folder does not stop files being made in it;
  // a folder the user may not write is reported by the write itself.
  return StatusOfHandle(handle.get()).folder ? 0 : ENOTDIR;
}

int OpenForReading(const std::filesystem::path& path, FileDescriptor& file) {
  const HANDLE handle =
      ::CreateFileW(path.c_str(), GENERIC_READ, kShareAll, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastErrno();
  return Adopt(handle, _O_RDONLY, file);
}

int StatusOf(const FileDescriptor& file, FileStatus& status) {
  const HANDLE handle = HandleOf(file);
  if (handle == INVALID_HANDLE_VALUE) return EBADF;
  status = StatusOfHandle(handle);
  return 0;
}

int ReadAll(const FileDescriptor& file, std::string& content, std::uintmax_t limit) {
  // Room for an ordinary file at once, as on POSIX.
  FileStatus status;
  if (StatusOf(file, status) == 0 && status.regular && status.size <= limit) content.reserve(content.size() + status.size);
  std::array<char, 65536> buffer{};
  for (;;) {
    const int got = ::_read(file.get(), buffer.data(), static_cast<unsigned>(buffer.size()));
    if (got == 0) return 0;
    if (got < 0) return errno;
    content.append(buffer.data(), static_cast<std::size_t>(got));
    if (content.size() > limit) return EFBIG;
  }
}

int WriteAll(const FileDescriptor& file, std::string_view bytes) {
  constexpr std::size_t kChunk = 1 << 20;
  while (!bytes.empty()) {
    const unsigned size = static_cast<unsigned>(std::min(bytes.size(), kChunk));
    const int put = ::_write(file.get(), bytes.data(), size);
    if (put < 0) return errno;
    if (put == 0) return EIO;
    bytes.remove_prefix(static_cast<std::size_t>(put));
  }
  return 0;
}

int SyncToDisk(const FileDescriptor& file) {
  return ::FlushFileBuffers(HandleOf(file)) ? 0 : LastErrno();
}

int SetPermissions(const FileDescriptor& file, unsigned permissions) {
  if ((permissions & 0200) != 0) return 0;
  FILE_BASIC_INFO info{};
  const HANDLE handle = HandleOf(file);
  if (!::GetFileInformationByHandleEx(handle, FileBasicInfo, &info, sizeof info)) return LastErrno();
  info.FileAttributes |= FILE_ATTRIBUTE_READONLY;
  return ::SetFileInformationByHandle(handle, FileBasicInfo, &info, sizeof info) ? 0 : LastErrno();
}

int CreateTemporaryBeside(const std::filesystem::path& target, std::string_view suffix,
                          std::filesystem::path& created, FileDescriptor& file) {
  constexpr int kAttempts = 100;
  const std::filesystem::path folder = target.parent_path();
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate = folder / (std::string(kTemporaryPrefix) + RandomNamePart());
    candidate += std::string(suffix);
    // Shared for writing, since a library (libxlsxwriter) may write the
    // file by its name, and for deleting, so that it can be moved over the
    // target while it is still open (and marked in use). Without DELETE
    // access of its own, so that such a library's plain open is not refused.
    const HANDLE handle = ::CreateFileW(candidate.c_str(), GENERIC_READ | GENERIC_WRITE, kShareAll,
                                        nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
      const int error = LastErrno();
      if (error == EEXIST) continue;
      return error;
    }
    const int error = Adopt(handle, _O_WRONLY, file);
    if (error != 0) {
      ::DeleteFileW(candidate.c_str());
      return error;
    }
    created = std::move(candidate);
    return 0;
  }
  return EEXIST;
}

// Windows has no files without a name; the writer uses a named one.
int CreateUnnamedIn(const std::filesystem::path&, FileDescriptor&) { return EOPNOTSUPP; }

int NameTemporaryBeside(const FileDescriptor&, const std::filesystem::path&, std::string_view,
                        std::filesystem::path&) {
  return EOPNOTSUPP;
}

int MarkInUse(const FileDescriptor& file) { return LockMark(HandleOf(file)) ? 0 : LastErrno(); }

void RemoveIfAbandoned(const std::filesystem::path& path) noexcept {
  const Handle handle(::CreateFileW(path.c_str(), GENERIC_READ | DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
  if (!handle.IsOpen()) return;
  const FileStatus status = StatusOfHandle(handle.get());
  // Held by a writer that is still alive: its mark cannot be locked.
  if (status.regular && !status.link && LockMark(handle.get())) DeleteOnClose(handle.get());
}

int TakeLockFile(const std::filesystem::path& path, const std::filesystem::path&, FileDescriptor& held) {
  const HANDLE handle = ::CreateFileW(path.c_str(), GENERIC_READ | GENERIC_WRITE | DELETE, kShareAll, nullptr,
                                      OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (handle == INVALID_HANDLE_VALUE) return LastErrno();
  if (!LockMark(handle)) {
    const DWORD error = ::GetLastError();
    ::CloseHandle(handle);
    return error == ERROR_LOCK_VIOLATION ? EWOULDBLOCK : ErrnoOf(error);
  }
  return Adopt(handle, _O_RDWR, held);
}

void ReleaseLockFile(const std::filesystem::path&, FileDescriptor& held) noexcept {
  if (!held.IsOpen()) return;
  // Removed while still held, so that nobody locks the name we leave.
  DeleteOnClose(HandleOf(held));
  held.Close();
}

int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  if (::MoveFileExW(from.c_str(), to.c_str(), MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH)) return 0;
  const DWORD error = ::GetLastError();
  if (error != ERROR_ACCESS_DENIED) return ErrnoOf(error);
  // A file another program holds open (a spreadsheet showing the workbook)
  // refuses its replacement as "access denied"; asking for the right to
  // delete it, sharing everything, tells that case from a real refusal.
  const HANDLE held = ::CreateFileW(to.c_str(), DELETE, kShareAll, nullptr, OPEN_EXISTING,
                                    FILE_FLAG_OPEN_REPARSE_POINT, nullptr);
  if (held != INVALID_HANDLE_VALUE) {
    ::CloseHandle(held);
    return EACCES;
  }
  return ::GetLastError() == ERROR_SHARING_VIOLATION ? EBUSY : EACCES;
}

void RemoveFile(const std::filesystem::path& path) noexcept { ::DeleteFileW(path.c_str()); }

// MOVEFILE_WRITE_THROUGH has already put the new entry on the disk.
void SyncFolder(const std::filesystem::path&) noexcept {}

std::filesystem::path SystemTemporaryFolder() {
  std::array<wchar_t, MAX_PATH + 1> folder{};
  const DWORD length = ::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data());
  if (length == 0 || length > folder.size()) return std::filesystem::path(L"C:\\Windows\\Temp");
  return std::filesystem::path(std::wstring(folder.data(), length));
}

int CreatePrivateFolder(const std::filesystem::path& parent, std::string_view prefix,
                        std::filesystem::path& created) {
  constexpr int kAttempts = 100;
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::filesystem::path candidate = parent / (std::string(prefix) + RandomNamePart());
    // The folder inherits the rights of the user's own temporary folder.
    if (::CreateDirectoryW(candidate.c_str(), nullptr)) {
      created = std::move(candidate);
      return 0;
    }
    const int error = LastErrno();
    if (error != EEXIST) return error;
  }
  return EEXIST;
}

// A folder's own rights decide on Windows; a file of the user's folder
// counts as the user's.
bool OwnedByUser(const FileStatus&) { return true; }

std::string OwnerName(const FileStatus&) { return {}; }

long ProcessNumber() noexcept { return static_cast<long>(::GetCurrentProcessId()); }

bool ProcessRunning(long number) noexcept {
  if (number <= 0) return false;
  const HANDLE process = ::OpenProcess(SYNCHRONIZE, FALSE, static_cast<DWORD>(number));
  if (process == nullptr) return ::GetLastError() != ERROR_INVALID_PARAMETER;
  const bool running = ::WaitForSingleObject(process, 0) == WAIT_TIMEOUT;
  ::CloseHandle(process);
  return running;
}

namespace {

bool IsAscii(const std::wstring& text) {
  return std::all_of(text.begin(), text.end(), [](wchar_t c) { return c > 0 && c < 0x80; });
}

// The folder's short (8.3) form when it is made of ASCII letters alone;
// empty when there is none.
std::filesystem::path AsciiForm(const std::filesystem::path& folder) {
  if (IsAscii(folder.native())) return folder;
  const DWORD length = ::GetShortPathNameW(folder.c_str(), nullptr, 0);
  if (length == 0) return {};
  std::wstring shortForm(length, L'\0');
  const DWORD got = ::GetShortPathNameW(folder.c_str(), shortForm.data(), length);
  if (got == 0 || got >= length) return {};
  shortForm.resize(got);
  return IsAscii(shortForm) ? std::filesystem::path(shortForm) : std::filesystem::path();
}

}  // namespace

// The .xlsx library opens its scratch files through the code page of the
// system, which cannot name every folder: it gets a form of the folder
// made of ASCII letters (the short name), else the temporary folder's,
// else the user's public folder.
std::filesystem::path ScratchFolderFor(const std::filesystem::path& folder) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(folder, error);
  for (const std::filesystem::path& candidate : {error ? folder : absolute, SystemTemporaryFolder()}) {
    if (std::filesystem::path ascii = AsciiForm(candidate); !ascii.empty()) return ascii;
  }
  return std::filesystem::path(L"C:\\Users\\Public");
}

namespace {

// Ctrl+C, Ctrl+Break, the console closed, the user logging off: the
// registered files and folders go before the process ends.
BOOL WINAPI RemoveLeftoversAndEnd(DWORD) {
  Leftovers().RemoveAll([](const wchar_t* path, bool folder) {
    if (!folder) {
      ::DeleteFileW(path);
      return;
    }
    std::error_code ignored;
    std::filesystem::remove_all(std::filesystem::path(path), ignored);
  });
  return FALSE;  // and then the system's own handling: the process ends
}

}  // namespace

// Each copy of this code (the program and each writer module linked with
// it) adds its own handler, for its own table of leftovers.
void RemoveLeftoversOnSignals() noexcept {
  static std::atomic<bool> installed{false};
  if (!installed.exchange(true)) ::SetConsoleCtrlHandler(RemoveLeftoversAndEnd, TRUE);
}

namespace {

bool IsConsole(HANDLE handle) {
  DWORD mode = 0;
  return handle != INVALID_HANDLE_VALUE && handle != nullptr && ::GetConsoleMode(handle, &mode) != 0;
}

// The length of the text up to its last whole UTF-8 character: a
// character cut by the buffer's end waits for its other bytes.
std::size_t WholeCharacters(std::string_view text) {
  std::size_t start = text.size();
  // The start of the last character: at most three continuation bytes back.
  while (start > 0 && text.size() - start < 4 && (static_cast<unsigned char>(text[start - 1]) & 0xC0) == 0x80) {
    --start;
  }
  if (start == 0) return text.size();
  const auto lead = static_cast<unsigned char>(text[start - 1]);
  const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
  return text.size() - (start - 1) < length ? start - 1 : text.size();
}

// The buffer of std::cout or std::cerr while the program runs: what goes
// to a console is written there as UTF-16 (the C library would read the
// UTF-8 bytes in its own code page); into a pipe, a file or NUL the bytes
// go through the stream's own buffer, unchanged. The descriptor is looked
// at on every write, so that an output silenced or redirected meanwhile is
// respected.
class ConsoleBuffer : public std::streambuf {
 public:
  ConsoleBuffer(int fd, std::streambuf* original) : fd_(fd), original_(original) {
    setp(buffer_.data(), buffer_.data() + buffer_.size());
  }
  ~ConsoleBuffer() override { Flush(true); }
  ConsoleBuffer(const ConsoleBuffer&) = delete;
  ConsoleBuffer& operator=(const ConsoleBuffer&) = delete;

 protected:
  int_type overflow(int_type c) override {
    if (!Flush(false)) return traits_type::eof();
    if (!traits_type::eq_int_type(c, traits_type::eof())) {
      *pptr() = traits_type::to_char_type(c);
      pbump(1);
    }
    return traits_type::not_eof(c);
  }
  int sync() override { return Flush(false) ? 0 : -1; }

 private:
  bool Flush(bool all) {
    pending_.append(pbase(), pptr());
    setp(buffer_.data(), buffer_.data() + buffer_.size());
    const HANDLE handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd_));
    if (!IsConsole(handle)) {
      const auto size = static_cast<std::streamsize>(pending_.size());
      const bool written = original_->sputn(pending_.data(), size) == size && original_->pubsync() == 0;
      pending_.clear();
      return written;
    }
    const std::size_t whole = all ? pending_.size() : WholeCharacters(pending_);
    const std::wstring text = WideOf(std::string_view(pending_).substr(0, whole));
    pending_.erase(0, whole);
    for (std::size_t done = 0; done < text.size();) {
      DWORD written = 0;
      const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 8192));
      if (!::WriteConsoleW(handle, text.data() + done, chunk, &written, nullptr) || written == 0) return false;
      done += written;
    }
    return true;
  }

  static std::wstring WideOf(std::string_view text) {
    if (text.empty()) return {};
    const int size = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    std::wstring wide(static_cast<std::size_t>(size > 0 ? size : 0), L'\0');
    if (size > 0) ::MultiByteToWideChar(CP_UTF8, 0, text.data(), static_cast<int>(text.size()), wide.data(), size);
    return wide;
  }

  int fd_;
  std::streambuf* original_;
  std::array<char, 4096> buffer_{};
  std::string pending_;  // bytes taken from the buffer, not yet written
};

// One standard stream given a ConsoleBuffer, and given back its own.
class ConsoleStream {
 public:
  ConsoleStream(std::ostream& stream, int fd) : stream_(stream), buffer_(fd, stream.rdbuf()) {
    stream_.rdbuf(&buffer_);
  }
  ~ConsoleStream() {
    stream_.flush();
    stream_.rdbuf(original_);
  }
  ConsoleStream(const ConsoleStream&) = delete;
  ConsoleStream& operator=(const ConsoleStream&) = delete;

 private:
  std::ostream& stream_;
  std::streambuf* original_ = stream_.rdbuf();
  ConsoleBuffer buffer_;
};

}  // namespace

struct Utf8Console::Streams {
  ConsoleStream out{std::cout, 1};
  ConsoleStream error{std::cerr, 2};
};

Utf8Console::Utf8Console() {
  if (!IsConsole(::GetStdHandle(STD_OUTPUT_HANDLE)) && !IsConsole(::GetStdHandle(STD_ERROR_HANDLE))) return;
  streams_ = std::make_unique<Streams>();
  const UINT before = ::GetConsoleOutputCP();
  if (before != CP_UTF8 && ::SetConsoleOutputCP(CP_UTF8)) saved_ = before;
}

Utf8Console::~Utf8Console() {
  streams_.reset();
  std::fflush(stdout);
  std::fflush(stderr);
  if (saved_ != 0) ::SetConsoleOutputCP(saved_);
}

// A console's Ctrl+C runs its handler in a thread of its own, which finds
// every file registered or not yet made; nothing to hold back.
EndingSignalsDeferred::EndingSignalsDeferred() noexcept {}
EndingSignalsDeferred::~EndingSignalsDeferred() = default;

// Windows has no file-size signal.
void IgnoreFileSizeSignal() noexcept {}

std::filesystem::path ProgramFile() {
  std::wstring name(MAX_PATH, L'\0');
  for (;;) {
    const DWORD length = ::GetModuleFileNameW(nullptr, name.data(), static_cast<DWORD>(name.size()));
    if (length == 0) return {};
    if (length < name.size()) return std::filesystem::path(name.substr(0, length));
    name.resize(name.size() * 2);
  }
}

std::vector<std::string> CommandLineArguments(int, char**) {
  int count = 0;
  LPWSTR* words = ::CommandLineToArgvW(::GetCommandLineW(), &count);
  std::vector<std::string> arguments;
  if (words == nullptr) return arguments;
  for (int i = 1; i < count; ++i) arguments.push_back(Utf8Of(words[i]));
  ::LocalFree(words);
  return arguments;
}

bool LocalTime(std::time_t seconds, std::tm& local) { return ::localtime_s(&local, &seconds) == 0; }

std::filesystem::path UserSettingsFolder() {
  const std::filesystem::path appData = KnownFolder(FOLDERID_RoamingAppData);
  return (appData.empty() ? std::filesystem::path(L".") : appData) / L"Verdin";
}

std::filesystem::path SystemSettingsFolder() {
  std::wstring folder(MAX_PATH, L'\0');
  const UINT length = ::GetWindowsDirectoryW(folder.data(), static_cast<UINT>(folder.size()));
  if (length == 0 || length >= folder.size()) return {};
  folder.resize(length);
  return folder;
}

std::filesystem::path UserDataFolder() {
  const std::filesystem::path documents = KnownFolder(FOLDERID_Documents);
  return (documents.empty() ? std::filesystem::path(L".") : documents) / L"Verdin";
}

std::string_view ModuleSuffix() { return ".dll"; }

namespace {

std::string LoaderReason(DWORD error) {
  wchar_t* text = nullptr;
  const DWORD length = ::FormatMessageW(
      FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, error,
      0, reinterpret_cast<LPWSTR>(&text), 0, nullptr);
  std::wstring reason = length > 0 && text != nullptr ? std::wstring(text, length) : std::wstring();
  ::LocalFree(text);
  while (!reason.empty() && (reason.back() == L'\n' || reason.back() == L'\r' || reason.back() == L' ')) {
    reason.pop_back();
  }
  return reason.empty() ? "ошибка " + std::to_string(error) : Utf8Of(reason);
}

}  // namespace

void* LoadLibraryFile(const std::filesystem::path& file, std::string& reason) {
  // The module's own libraries are looked for beside it first.
  HMODULE library = ::LoadLibraryExW(file.c_str(), nullptr,
                                     LOAD_LIBRARY_SEARCH_DLL_LOAD_DIR | LOAD_LIBRARY_SEARCH_DEFAULT_DIRS);
  if (library == nullptr) reason = LoaderReason(::GetLastError());
  return reinterpret_cast<void*>(library);
}

void* LibraryFunction(void* library, const char* name, std::string& reason) {
  FARPROC address = ::GetProcAddress(reinterpret_cast<HMODULE>(library), name);
  if (address == nullptr) reason = LoaderReason(::GetLastError());
  return reinterpret_cast<void*>(address);
}

// A module stays loaded for the rest of the process, as on POSIX systems.
void ReleaseLibrary(void*) noexcept {}

SilencedStandardError::SilencedStandardError() {
  std::fflush(stderr);
  saved_ = ::_dup(2);
  if (saved_ < 0) return;
  const int sink = ::_open("NUL", _O_WRONLY | _O_NOINHERIT);
  const bool silenced = sink >= 0 && ::_dup2(sink, 2) == 0;
  if (sink >= 0) ::_close(sink);
  if (!silenced) {
    ::_close(saved_);
    saved_ = -1;
  }
}

SilencedStandardError::~SilencedStandardError() {
  if (saved_ < 0) return;
  const int error = errno;
  std::fflush(stderr);
  ::_dup2(saved_, 2);
  ::_close(saved_);
  errno = error;
}

}  // namespace verdin::platform
#endif  // _WIN32
