// Replacing a file without ever leaving it half-written. Every file the
// program writes goes through AtomicReplacement: the new content goes to a
// temporary file in the target's folder, is flushed to the disk, and only
// then takes the target's place in one rename. A failed or interrupted
// write leaves the earlier file as it was and no temporary file behind.
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
  // Checks that the target names a file (not a folder) and creates the
  // temporary file beside it, "<target>.tmp-<random><temporarySuffix>".
  // Throws WriteFault.
  explicit AtomicReplacement(std::filesystem::path target, std::string_view temporarySuffix = {});
  AtomicReplacement(const AtomicReplacement&) = delete;
  AtomicReplacement& operator=(const AtomicReplacement&) = delete;
  // Removes the temporary file unless it has been put in place.
  ~AtomicReplacement();

  // The temporary file, for writers that open it by name themselves (they
  // must write it in place, not replace it).
  const std::filesystem::path& temporaryPath() const { return temporary_; }

  // Appends bytes to the temporary file. Throws WriteFault.
  void Write(std::string_view bytes);

  // Gives the temporary file the permissions of the file it replaces,
  // flushes it to the disk, closes it and renames it over the target.
  // Throws WriteFault; the target is untouched then.
  void Commit();

 private:
  std::filesystem::path target_;
  platform::FileStatus targetStatus_;
  std::filesystem::path temporary_;
  platform::FileDescriptor file_;
  bool committed_ = false;
};

}  // namespace verdin
