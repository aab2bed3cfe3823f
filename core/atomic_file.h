// Replacing a file without ever leaving it half-written. Every file the
// program writes goes through AtomicReplacement: the new content goes to a
// temporary file in the target's folder, is flushed to the disk, and only
// then takes the target's place in one rename. A failed or interrupted
// write leaves the earlier file as it was and no temporary file behind.
//
// Where the file system allows it the temporary file has no name until
// the moment before the rename, so a write killed on its way leaves
// nothing. A temporary name left by a killed write of the same target
// ("<target>.tmp-<digits><suffix>", no longer in use by a living process)
// is removed at the next write of that target.
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

class AtomicReplacement {
 public:
  // Checks that the target names a file (not a folder, not a file marked
  // read-only: "файл только для чтения"), removes the abandoned temporary
  // files of earlier writes of it and creates the temporary file beside it.
  // Throws WriteFault.
  explicit AtomicReplacement(std::filesystem::path target, std::string_view temporarySuffix = {});
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;
  // Removes the temporary file unless it has been put in place.
  ~AtomicReplacement();

  // The temporary file, "<target>.tmp-<random><temporarySuffix>", for
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
  platform::FileDescriptor file_;
  bool committed_ = false;
};

}  // namespace verdin
