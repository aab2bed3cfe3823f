#include "core/atomic_file.h"

#include <cerrno>
#include <utility>

#include "core/line_file.h"

namespace verdin {
namespace {

// Throws the fault of a failed system call, 0 meaning success.
void Check(int error) {
  if (error != 0) throw WriteFault(error, SystemErrorText(error));
}

// The folder a file lives in, "." for a bare file name.
std::filesystem::path FolderOf(const std::filesystem::path& path) {
  std::filesystem::path folder = path.parent_path();
  return folder.empty() ? std::filesystem::path(".") : folder;
}

}  // namespace

AtomicReplacement::AtomicReplacement(std::filesystem::path target, std::string_view temporarySuffix)
    : target_(std::move(target)) {
  if (!target_.has_filename()) throw WriteFault(0, "не указано имя файла");
  targetStatus_ = platform::StatusOf(target_);
  if (targetStatus_.folder) Check(EISDIR);
  const int error = platform::CreateTemporaryBeside(target_, temporarySuffix, temporary_, file_);
  // Creating a file fails with ENOENT only when its folder is missing.
  if (error == ENOENT) throw WriteFault(error, "папка не найдена");
  Check(error);
}

AtomicReplacement::~AtomicReplacement() {
  if (committed_) return;
  file_.Close();
  platform::RemoveFile(temporary_);
}

void AtomicReplacement::Write(std::string_view bytes) { Check(platform::WriteAll(file_, bytes)); }

void AtomicReplacement::Commit() {
  // A replaced file keeps its permissions; failing to copy them is no
  // reason to lose the new content.
  if (targetStatus_.exists) {
    static_cast<void>(platform::SetPermissions(file_, targetStatus_.permissions));
  }
  // The data must be on the disk before the new name points at them:
  // otherwise a power cut right after the rename may leave an empty file.
  Check(platform::SyncToDisk(file_));
  Check(file_.Close());
  Check(platform::ReplaceFile(temporary_, target_));
  committed_ = true;
  platform::SyncFolder(FolderOf(target_));
}

}  // namespace verdin
