// Replacing a file without ever leaving it half-written. Every file the
// program writes goes through AtomicReplacement: the new content goes to a
// temporary file in the target's folder, is flushed to the disk, and only
// then takes the target's place in one rename. A failed or interrupted
// write leaves the earlier file as it was and no temporary file behind.
//
// Where the file system allows it the temporary file has no name until
// the moment before the rename, so a write killed on its way leaves
// nothing. A temporary name left by a killed write (".~<digits><suffix>"
// in the target's folder, of the same user, no longer in use by a living
// process) is removed at the next write into that folder; files of any
// other naming or of another user are never touched. A write ended by
// SIGTERM, SIGINT or SIGHUP removes its temporary file, lock file and
// scratch folders on its way out (platform::RemoveLeftoversOnSignals).
//
// A symbolic link at the target is followed: the file it leads to is
// replaced in its own folder and the link stays. A device, a pipe or a
// socket at the target is refused, never replaced.
#pragma once

#include <filesystem>
#include <stdexcept>
#include <string>
#include <string_view>

#include "core/platform_files.h"

namespace verdin {

// Why a replacement failed. what() is the reason in Russian words without
// the file's name ("нет места на диске", "папка не найдена"); each writer
// puts it into its own message. error() is the system's errno behind it,
// 0 when the reason is not a system error.
class WriteFault : public std::runtime_error {
 public:
  WriteFault(int error, const std::string& reason) : std::runtime_error(reason), error_(error) {}
  int error() const { return error_; }

 private:
  int error_;
};

// The file a write of `target` replaces, its symbolic links followed,
// after the checks every write makes: a file name is given, the file is no
// folder ("это папка, а не файл"), no device, pipe or socket ("это не
// обычный файл"), not marked read-only ("файл только для чтения"), and
// its folder exists ("папка не найдена") and may be written. Throws
// WriteFault. Run alone, it checks targets before any of them is written.
std::filesystem::path ReplaceableTarget(const std::filesystem::path& target);

// One writer at a time for a file: an exclusive lock held through a hidden
// lock file ".~<hash of the name>.lock" in the file's folder (its links
// followed), removed when the lock goes. The system drops the lock when
// the process ends however it ends.
class WriteLock {
 public:
  // Takes the lock. Throws WriteFault (error EWOULDBLOCK) when another
  // program holds it, and WriteFault with the system's error, naming the
  // lock file and who may remove it, when a lock file is there but cannot
  // be opened or locked: a lock that may be held is never skipped. Where no lock
  // file can be made (a folder that is missing or cannot be written) the
  // write goes on without one: the write itself then says what stops it.
  explicit WriteLock(const std::filesystem::path& target);
  WriteLock(const WriteLock&) = delete;
  WriteLock& operator=(const WriteLock&) = delete;
  ~WriteLock();

 private:
  std::filesystem::path path_;
  platform::FileDescriptor held_;
  platform::RemovedOnSignal leftover_;
};

// A folder of this process's own for a library's scratch files: made in
// `parent` (mode 0700) as "<prefix><process number>-<random>" and removed
// with everything in it when the owner goes away, on every way out of the
// code that made it, a signal included. Folders of the same prefix that
// processes of this user left there when they were killed are removed
// first.
class PrivateFolder {
 public:
  // Throws WriteFault when the folder cannot be made.
  PrivateFolder(const std::filesystem::path& parent, std::string_view prefix);
  PrivateFolder(const PrivateFolder&) = delete;
  PrivateFolder& operator=(const PrivateFolder&) = delete;
  ~PrivateFolder();

  const std::filesystem::path& path() const { return path_; }

 private:
  std::filesystem::path path_;
  platform::RemovedOnSignal leftover_;
};

class AtomicReplacement {
 public:
  // Checks the target as ReplaceableTarget does, removes the abandoned temporary
  // files of earlier writes of it and creates the temporary file beside it.
  // Throws WriteFault.
  explicit AtomicReplacement(std::filesystem::path target, std::string_view temporarySuffix = {});
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;
  // Removes the temporary file unless it has been put in place.
  ~AtomicReplacement();

  // The temporary file, ".~<digits><temporarySuffix>" beside the target, for
  // writers that open it by name themselves (they must write it in place,
  // not replace it). Gives the temporary file its name if it has none yet.
  // Throws WriteFault.
  const std::filesystem::path& temporaryPath();

  // Appends bytes to the temporary file. Throws WriteFault.
  void Write(std::string_view bytes);

  // Gives the temporary file the permissions of the file it replaces,
  // flushes it to the disk, closes it and renames it over the target.
  // Throws WriteFault; the target is untouched then.
  void Commit();

 private:
  std::filesystem::path target_;
  platform::FileStatus targetStatus_;
  std::string temporarySuffix_;
  std::filesystem::path temporary_;  // empty while the temporary file has no name
  platform::RemovedOnSignal leftover_;
  platform::FileDescriptor file_;
  bool committed_ = false;
};

}  // namespace verdin
