// The operating system's file calls, in one place: opening, reading and
// writing descriptors, flushing to the disk, temporary files and renaming,
// and the few other things that differ between systems (the program's own
// file, its command line, the local time, the per-user folders). Everything
// else reaches the system through these functions (or through
// std::filesystem), so that a port to another system changes this file and
// its .cpp only: platform_files.cpp for POSIX systems,
// platform_files_windows.cpp for Windows.
//
// The functions word nothing: a failure is returned as the errno value
// (0 for success) and the callers turn it into their own Russian message.
#pragma once

#include <utility>

#include <cstdint>
#include <ctime>
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace verdin::platform {

// Owns an open file descriptor and closes it when it goes away.
// Closes a descriptor with the system's call; returns the error of the
// close, 0 when it succeeded; defined once for each system.
int CloseDescriptor(int fd);

class FileDescriptor {
 public:
  FileDescriptor() = default;
  explicit FileDescriptor(int fd) : fd_(fd) {}
  FileDescriptor(FileDescriptor&& other) noexcept : fd_(std::exchange(other.fd_, -1)) {}
  FileDescriptor& operator=(FileDescriptor&& other) noexcept {
    if (this != &other) {
      Close();
      fd_ = std::exchange(other.fd_, -1);
    }
    return *this;
  }
  FileDescriptor(const FileDescriptor&) = delete;
  FileDescriptor& operator=(const FileDescriptor&) = delete;
  ~FileDescriptor() { Close(); }

  bool IsOpen() const { return fd_ >= 0; }
  int get() const { return fd_; }
  // Closes now; returns the error of the close, 0 when it succeeded (or
  // when nothing was open).
  int Close() {
    const int fd = std::exchange(fd_, -1);
    return fd >= 0 ? CloseDescriptor(fd) : 0;
  }

 private:
  int fd_ = -1;
};

// What the system tells about a path or an open file.
struct FileStatus {
  bool exists = false;
  bool folder = false;
  bool regular = false;         // an ordinary file (not a device or a pipe)
  bool link = false;            // a symbolic link (LinkStatusOf only)
  std::uintmax_t size = 0;      // in bytes
  unsigned permissions = 0;     // the permission bits (07777)
  unsigned owner = 0;           // the owning user and group
  unsigned group = 0;
};

// Whether the permission bits let this process's user write the file: the
// owner's, the group's or the others' write bit, whichever applies to the
// user. The superuser, whom the system lets write anything, is held to the
// same marks: a file nobody may write counts as read-only for it too.
bool UserMayWrite(const FileStatus& status);

// The status of a path; `exists` is false when it cannot be found.
FileStatus StatusOf(const std::filesystem::path& path);

// The status of a path itself: a symbolic link is not followed.
FileStatus LinkStatusOf(const std::filesystem::path& path);

// Whether this process may create and rename files in the folder. Returns
// the error (ENOENT: no such folder, ENOTDIR, EACCES, EROFS…), 0 when it
// may.
int FolderWritable(const std::filesystem::path& folder);

// Opens an existing file for reading without waiting: a pipe or a device
// opens at once (and must then be refused by its status, never read).
// Returns the error, 0 on success.
int OpenForReading(const std::filesystem::path& path, FileDescriptor& file);

// The status of an open file. Returns the error, 0 on success.
int StatusOf(const FileDescriptor& file, FileStatus& status);

// Appends everything left in the file to `content`. Stops with EFBIG as
// soon as `content` grows beyond `limit` bytes. Returns the error, 0 on
// success.
int ReadAll(const FileDescriptor& file, std::string& content, std::uintmax_t limit);

// Writes all bytes. Returns the error, 0 on success.
int WriteAll(const FileDescriptor& file, std::string_view bytes);

// Flushes the file's data to the disk (fsync). Returns the error, 0 on
// success.
int SyncToDisk(const FileDescriptor& file);

// Sets the permission bits of an open file. Returns the error, 0 on success.
int SetPermissions(const FileDescriptor& file, unsigned permissions);

// Temporary files are named ".~" and six digits, then the suffix the
// writer asks for: short, so that a target of any valid name can have one.
inline constexpr std::string_view kTemporaryPrefix = ".~";
inline constexpr std::size_t kTemporaryDigits = 6;

// Creates a new, empty, uniquely named file in the folder of `target`,
// named ".~<digits><suffix>", open for writing. The mode 0666 is
// narrowed by the user's umask, as for any new file. Returns the error,
// 0 on success; on success `created` names the new file.
int CreateTemporaryBeside(const std::filesystem::path& target, std::string_view suffix,
                          std::filesystem::path& created, FileDescriptor& file);

// Creates a new file without a name in `folder` (O_TMPFILE), open for
// writing; it disappears by itself unless it is given a name. The mode
// 0666 is narrowed by the umask. Fails (EOPNOTSUPP, EISDIR, EINVAL…) where
// the file system cannot do it, and where the file could not be given a
// name later on. Returns the error, 0 on success.
int CreateUnnamedIn(const std::filesystem::path& folder, FileDescriptor& file);

// Gives a file created by CreateUnnamedIn a new, unique name in the folder
// of `target`, ".~<digits><suffix>". Returns the error, 0 on
// success; on success `named` is that name.
int NameTemporaryBeside(const FileDescriptor& file, const std::filesystem::path& target,
                        std::string_view suffix, std::filesystem::path& named);

// Marks an open file as in use by this process (an exclusive advisory
// lock, which the system drops when the process ends however it ends).
// Returns the error, 0 on success.
int MarkInUse(const FileDescriptor& file);

// Removes the file when it is an ordinary file of this user that no
// living process marks as in use (see MarkInUse); otherwise leaves it
// alone.
void RemoveIfAbandoned(const std::filesystem::path& path) noexcept;

// Opens (creating it when missing) the lock file of the file `guarded`
// and locks it for this process alone, without waiting. A new lock file
// gets the permissions of the guarded file (group-writable where the
// folder is), so that every user who may replace the file may lock it.
// Returns EWOULDBLOCK when another process holds it, another error when
// it cannot be opened or made, 0 when `held` holds it now. The lock ends
// with the process however it ends.
int TakeLockFile(const std::filesystem::path& path, const std::filesystem::path& guarded, FileDescriptor& held);

// Removes the lock file and lets the lock go.
void ReleaseLockFile(const std::filesystem::path& path, FileDescriptor& held) noexcept;

// Puts `from` in the place of `to` in one step (rename); an earlier `to`
// is replaced. Returns the error, 0 on success.
int ReplaceFile(const std::filesystem::path& from, const std::filesystem::path& to);

// Removes a file; a failure is ignored (used for cleaning up).
void RemoveFile(const std::filesystem::path& path) noexcept;

// Flushes a folder's entries (a file just renamed into it) to the disk.
// A failure is ignored: the file itself is complete either way.
void SyncFolder(const std::filesystem::path& folder) noexcept;

// The folder for temporary files of the system: $TMPDIR when it names an
// absolute path, else /tmp.
std::filesystem::path SystemTemporaryFolder();

// Creates a new folder "<parent>/<prefix><random>" that only this user may
// enter (mode 0700). Returns the error, 0 on success; on success `created`
// names it.
int CreatePrivateFolder(const std::filesystem::path& parent, std::string_view prefix,
                        std::filesystem::path& created);

// Whether the file or folder belongs to the user this process runs as
// (always true on Windows, where a folder's own rights decide).
bool OwnedByUser(const FileStatus& status);

// The name of the user owning the file, for messages: the login name, or
// the user's number where the system knows no name for it; empty on
// Windows, where files carry no owner here.
std::string OwnerName(const FileStatus& status);

// This process's number, and whether a process with that number is still
// running (true too when the system does not tell: a leftover is kept
// rather than taken from a living owner).
long ProcessNumber() noexcept;
bool ProcessRunning(long number) noexcept;

// The folder in which a library gets its scratch files for a file written
// into `folder`: the folder itself where the library can open any path;
// on Windows, where it opens its scratch files with the system's code
// page, a form of that folder (or of the temporary folder) it can open.
std::filesystem::path ScratchFolderFor(const std::filesystem::path& folder);

// A file or a folder that is removed if the process is ended by SIGTERM,
// SIGINT or SIGHUP while this object lives (a folder with the files in
// it). RemoveLeftoversOnSignals installs the handler once at start-up;
// the handler removes what is registered and then ends the process as the
// signal would have. On Windows the same happens on Ctrl+C and on the
// console being closed.
class RemovedOnSignal {
 public:
  RemovedOnSignal() = default;
  RemovedOnSignal(const std::filesystem::path& path, bool folder) noexcept;
  RemovedOnSignal(RemovedOnSignal&& other) noexcept : slot_(std::exchange(other.slot_, -1)) {}
  RemovedOnSignal& operator=(RemovedOnSignal&& other) noexcept;
  RemovedOnSignal(const RemovedOnSignal&) = delete;
  RemovedOnSignal& operator=(const RemovedOnSignal&) = delete;
  ~RemovedOnSignal();

 private:
  int slot_ = -1;  // -1 when nothing is registered (or no slot was free)
};
void RemoveLeftoversOnSignals() noexcept;

// While it lives, SIGTERM, SIGINT and SIGHUP wait: for the moment between
// making a file and registering it to be removed on a signal. A signal
// that came meanwhile is taken when it goes away. Nothing on Windows.
class EndingSignalsDeferred {
 public:
  EndingSignalsDeferred() noexcept;
  ~EndingSignalsDeferred();
  EndingSignalsDeferred(const EndingSignalsDeferred&) = delete;
  EndingSignalsDeferred& operator=(const EndingSignalsDeferred&) = delete;

 private:
  unsigned long long saved_[16] = {};  // the signal mask before (a sigset_t)
};

// While it lives, a console the program's standard output or error shows
// in takes the program's UTF-8 text as such; output into a pipe or a file
// is UTF-8 unchanged. On Windows std::cout and std::cerr then write to a
// console in UTF-16 (WriteConsoleW), whatever the code pages of the
// console and of the C library, and the console's code page is switched
// to UTF-8 for other writers and put back afterwards. Nothing to do on
// POSIX systems.
class Utf8Console {
 public:
  Utf8Console();
  ~Utf8Console();
  Utf8Console(const Utf8Console&) = delete;
  Utf8Console& operator=(const Utf8Console&) = delete;

 private:
  struct Streams;                    // the console's buffers of std::cout and std::cerr
  std::unique_ptr<Streams> streams_;
  unsigned saved_ = 0;  // the console's code page before, 0 when unchanged
};

// Makes a write beyond the process's file-size limit (ulimit -f) fail with
// EFBIG, which the writers report, instead of ending the process by the
// signal SIGXFSZ and leaving its temporary file. Called once at start-up.
void IgnoreFileSizeSignal() noexcept;

// The running program's own file; empty when the system does not tell.
std::filesystem::path ProgramFile();

// The program's arguments (without its own name) as UTF-8 texts. On
// Windows they are taken from the wide command line, so that Cyrillic file
// names survive whatever the system's code page.
std::vector<std::string> CommandLineArguments(int argc, char** argv);

// The broken-down local time of `seconds`; false when it cannot be told.
bool LocalTime(std::time_t seconds, std::tm& local);

// The folder where the per-user settings file is looked for
// ($XDG_CONFIG_HOME/verdin; %APPDATA%\Verdin on Windows).
std::filesystem::path UserSettingsFolder();

// The Windows folder, where installations of the older program keep their
// settings file (read, never written); empty on Linux, which has none.
std::filesystem::path SystemSettingsFolder();

// The per-user folder of the built-in layout, with the data, estimate and
// temporary folders ($XDG_DATA_HOME/verdin; on Windows the user's
// Documents\Verdin).
std::filesystem::path UserDataFolder();

// The ending of a loadable module's file name: ".so", ".dll" on Windows.
std::string_view ModuleSuffix();

// Loads a shared library with its own symbols kept private; it stays
// loaded for the rest of the process. Returns its handle, or nullptr with
// the system's reason in `reason`.
void* LoadLibraryFile(const std::filesystem::path& file, std::string& reason);

// The address of the library's exported function `name`, or nullptr with
// the system's reason in `reason`.
void* LibraryFunction(void* library, const char* name, std::string& reason);

// Lets go of a library loaded by LoadLibraryFile (it stays mapped).
void ReleaseLibrary(void* library) noexcept;

// While it lives, the standard error stream (the descriptor, not only the
// C library's buffer) goes nowhere; it is put back when it goes away, and
// the C library's errno is kept. For libraries that print lines of their
// own besides the failures they return.
class SilencedStandardError {
 public:
  SilencedStandardError();
  ~SilencedStandardError();
  SilencedStandardError(const SilencedStandardError&) = delete;
  SilencedStandardError& operator=(const SilencedStandardError&) = delete;

 private:
  int saved_ = -1;  // the real stderr while it is silenced
};

}  // namespace verdin::platform
