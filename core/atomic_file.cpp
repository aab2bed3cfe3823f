#include "core/atomic_file.h"

#include <cctype>
#include <cerrno>
#include <string>
#include <system_error>
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

// Whether `name` is a temporary file name of a write of `target`:
// "<target>.tmp-" followed by digits and then nothing or `suffix`.
bool IsTemporaryOf(std::string_view name, std::string_view target, std::string_view suffix) {
  const std::string prefix = std::string(target) + ".tmp-";
  if (name.substr(0, prefix.size()) != prefix) return false;
  name.remove_prefix(prefix.size());
  std::size_t digits = 0;
  while (digits < name.size() && std::isdigit(static_cast<unsigned char>(name[digits])) != 0) ++digits;
  if (digits == 0) return false;
  name.remove_prefix(digits);
  return name.empty() || name == suffix;
}

// Removes the temporary files that earlier writes of `target` left behind
// when they were killed. Files a living writer still uses stay.
void RemoveAbandonedTemporaries(const std::filesystem::path& target, std::string_view suffix) {
  const std::string targetName = target.filename().string();
  std::error_code error;
  std::filesystem::directory_iterator it(FolderOf(target), error);
  for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
    if (IsTemporaryOf(it->path().filename().string(), targetName, suffix)) {
      platform::RemoveIfAbandoned(it->path());
    }
  }
}

}  // namespace

AtomicReplacement::AtomicReplacement(std::filesystem::path target, std::string_view temporarySuffix)
    : target_(std::move(target)), temporarySuffix_(temporarySuffix) {
  if (!target_.has_filename()) throw WriteFault(0, "не указано имя файла");
  targetStatus_ = platform::StatusOf(target_);
  if (targetStatus_.folder) Check(EISDIR);
  // Renaming over a file needs only the folder's permission; a file the
  // user has marked read-only must not be replaced all the same.
  if (targetStatus_.exists && !platform::UserMayWrite(targetStatus_)) {
    throw WriteFault(0, "файл только для чтения");
  }
  RemoveAbandonedTemporaries(target_, temporarySuffix_);
  // A file without a name leaves nothing behind if the process is killed;
  // where the file system has no such files a named one is used.
  int error = platform::CreateUnnamedIn(FolderOf(target_), file_);
  if (error != 0) error = platform::CreateTemporaryBeside(target_, temporarySuffix_, temporary_, file_);
  // Creating a file fails with ENOENT only when its folder is missing.
  if (error == ENOENT) throw WriteFault(error, "папка не найдена");
  Check(error);
  // Without the mark another write of the same target might take the
  // temporary file for an abandoned one; that write would then fail, which
  // is reported, so a file system without locks still works.
  static_cast<void>(platform::MarkInUse(file_));
}

AtomicReplacement::~AtomicReplacement() {
  if (committed_) return;
  file_.Close();
  if (!temporary_.empty()) platform::RemoveFile(temporary_);
}

const std::filesystem::path& AtomicReplacement::temporaryPath() {
  if (temporary_.empty()) {
    Check(platform::NameTemporaryBeside(file_, target_, temporarySuffix_, temporary_));
  }
  return temporary_;
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
  // A file without a name gets one only now, right before the rename, so
  // that a kill can leave it behind only in between.
  temporaryPath();
  Check(platform::ReplaceFile(temporary_, target_));
  committed_ = true;
  // The data are on the disk and in place; the file stays open (and marked
  // in use) up to here so that no other write takes it for abandoned.
  static_cast<void>(file_.Close());
  platform::SyncFolder(FolderOf(target_));
}

}  // namespace verdin
