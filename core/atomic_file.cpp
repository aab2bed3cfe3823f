#include "core/atomic_file.h"

#include <cctype>
#include <cstdint>
#include <limits>
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

// Whether `name` is `prefix` followed by `digits` digits (any number when
// 0, at least one) and then nothing or `suffix`.
bool IsNumberedName(std::string_view name, std::string_view prefix, std::size_t digits, std::string_view suffix) {
  if (name.substr(0, prefix.size()) != prefix) return false;
  name.remove_prefix(prefix.size());
  std::size_t found = 0;
  while (found < name.size() && std::isdigit(static_cast<unsigned char>(name[found])) != 0) ++found;
  if (found == 0 || (digits != 0 && found != digits)) return false;
  name.remove_prefix(found);
  return name.empty() || name == suffix;
}

// Removes the temporary files that killed writes with this suffix left in
// the folder of `target`: ".~<six digits><suffix>" of this user. Files a
// living writer still uses stay, and so does every file of another naming
// ("<target>.tmp-<digits>" included: this program makes none).
void RemoveAbandonedTemporaries(const std::filesystem::path& target, std::string_view suffix) {
  std::error_code error;
  std::filesystem::directory_iterator it(FolderOf(target), error);
  for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
    if (IsNumberedName(PathText(it->path().filename()), platform::kTemporaryPrefix, platform::kTemporaryDigits,
                       suffix)) {
      platform::RemoveIfAbandoned(it->path());
    }
  }
}

// Removes the folders "<prefix><process number>-<random>" in `parent`
// that belong to this user and whose process has ended.
void RemoveAbandonedFolders(const std::filesystem::path& parent, std::string_view prefix) {
  std::error_code error;
  std::filesystem::directory_iterator it(parent, error);
  for (const std::filesystem::directory_iterator end; !error && it != end; it.increment(error)) {
    const std::string name = PathText(it->path().filename());
    if (!name.starts_with(prefix)) continue;
    const std::string_view rest = std::string_view(name).substr(prefix.size());
    const std::string_view digits = rest.substr(0, rest.find('-'));
    // A process number is at most ten digits; anything else is no name of ours.
    if (digits.size() == rest.size() || digits.size() > 10 || !IsNumberedName(digits, "", 0, "")) continue;
    const platform::FileStatus status = platform::LinkStatusOf(it->path());
    if (!status.folder || status.link || !platform::OwnedByUser(status)) continue;
    long long owner = 0;
    for (const char digit : digits) owner = owner * 10 + (digit - '0');
    if (owner > std::numeric_limits<int>::max() || platform::ProcessRunning(static_cast<long>(owner))) continue;
    std::error_code ignored;
    std::filesystem::remove_all(it->path(), ignored);
  }
}

// The file a symbolic link leads to, through every link on the way; the
// path itself when it is no link. Throws WriteFault (ELOOP) for a circle.
std::filesystem::path FollowLinks(std::filesystem::path path) {
  constexpr int kMostLinks = 40;  // as many as the system itself follows
  for (int followed = 0; platform::LinkStatusOf(path).link; ++followed) {
    if (followed == kMostLinks) Check(ELOOP);
    std::error_code error;
    const std::filesystem::path next = std::filesystem::read_symlink(path, error);
    if (error) Check(error.value());
    path = next.is_absolute() ? next : FolderOf(path) / next;
  }
  return path;
}

// Names an estimate's lock file: a short hash of the file's name, the same
// in every program and every run (FNV-1a).
std::string LockFileName(std::string_view fileName) {
  std::uint64_t hash = 0xcbf29ce484222325ULL;
  for (const char c : fileName) {
    hash ^= static_cast<unsigned char>(c);
    hash *= 0x100000001b3ULL;
  }
  constexpr std::string_view kDigits = "0123456789abcdef";
  std::string name(platform::kTemporaryPrefix);
  for (int shift = 60; shift >= 0; shift -= 4) name += kDigits[(hash >> shift) & 0xF];
  return name + ".lock";
}

// Why a lock file that is there cannot be taken, and what the user can do.
std::string UnopenedLockReason(const std::filesystem::path& lock, const platform::FileStatus& status, int error) {
  const std::string owner = platform::OwnerName(status);
  std::string reason = "файл блокировки «" + PathText(lock) + "» нельзя открыть: " + SystemErrorText(error);
  if (!owner.empty()) reason += "; он принадлежит пользователю «" + owner + "»";
  reason += ". Если эту смету сейчас никто не записывает, удалить этот файл может ";
  reason += owner.empty() ? std::string("администратор") : "пользователь «" + owner + "» или администратор";
  return reason;
}

}  // namespace

std::filesystem::path ReplaceableTarget(const std::filesystem::path& target) {
  if (!target.has_filename()) throw WriteFault(0, "не указано имя файла");
  // A link stays a link: the file it leads to is replaced, in its own folder.
  std::filesystem::path file = FollowLinks(target);
  const platform::FileStatus status = platform::StatusOf(file);
  if (status.folder) Check(EISDIR);
  // A device, a pipe or a socket is never replaced by an ordinary file.
  if (status.exists && !status.regular) throw WriteFault(0, "это не обычный файл");
  // Renaming over a file needs only the folder's permission; a file the
  // user has marked read-only must not be replaced all the same.
  if (status.exists && !platform::UserMayWrite(status)) throw WriteFault(0, "файл только для чтения");
  const int error = platform::FolderWritable(FolderOf(file));
  if (error == ENOENT) throw WriteFault(error, "папка не найдена");
  Check(error);
  return file;
}

AtomicReplacement::AtomicReplacement(std::filesystem::path target, std::string_view temporarySuffix)
    : target_(ReplaceableTarget(target)), temporarySuffix_(temporarySuffix) {
  targetStatus_ = platform::StatusOf(target_);
  RemoveAbandonedTemporaries(target_, temporarySuffix_);
  // A file without a name leaves nothing behind if the process is killed;
  // where the file system has no such files a named one is used.
  const platform::EndingSignalsDeferred deferred;
  int error = platform::CreateUnnamedIn(FolderOf(target_), file_);
  if (error != 0) error = platform::CreateTemporaryBeside(target_, temporarySuffix_, temporary_, file_);
  // Creating a file fails with ENOENT only when its folder is missing.
  if (error == ENOENT) throw WriteFault(error, "папка не найдена");
  Check(error);
  if (!temporary_.empty()) leftover_ = platform::RemovedOnSignal(temporary_, false);
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
    const platform::EndingSignalsDeferred deferred;
    Check(platform::NameTemporaryBeside(file_, target_, temporarySuffix_, temporary_));
    leftover_ = platform::RemovedOnSignal(temporary_, false);
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
  leftover_ = {};
  // The data are on the disk and in place; the file stays open (and marked
  // in use) up to here so that no other write takes it for abandoned.
  static_cast<void>(file_.Close());
  platform::SyncFolder(FolderOf(target_));
}

PrivateFolder::PrivateFolder(const std::filesystem::path& parent, std::string_view prefix) {
  RemoveAbandonedFolders(parent, prefix);
  const std::string owned = std::string(prefix) + std::to_string(platform::ProcessNumber()) + "-";
  const platform::EndingSignalsDeferred deferred;
  Check(platform::CreatePrivateFolder(parent, owned, path_));
  leftover_ = platform::RemovedOnSignal(path_, true);
}

PrivateFolder::~PrivateFolder() {
  std::error_code ignored;
  std::filesystem::remove_all(path_, ignored);
}

WriteLock::WriteLock(const std::filesystem::path& target) {
  const std::filesystem::path file = FollowLinks(target);
  path_ = FolderOf(file) / LockFileName(PathText(file.filename()));
  const platform::EndingSignalsDeferred deferred;
  const int error = platform::TakeLockFile(path_, file, held_);
  if (error == 0) {
    leftover_ = platform::RemovedOnSignal(path_, false);
    return;
  }
  if (error == EWOULDBLOCK) throw WriteFault(EWOULDBLOCK, "файл сейчас записывается другой программой");
  // A lock file that is there but cannot be opened (one another user made
  // for himself alone) may be held by a writer this process cannot see:
  // the write stops rather than going on without a lock, and says which
  // file stands in the way and who may remove it.
  if (const platform::FileStatus lock = platform::LinkStatusOf(path_); lock.exists) {
    throw WriteFault(error, UnopenedLockReason(path_, lock, error));
  }
  // A folder where no lock file can be made (or without locks at all) is
  // left to the write itself, which reports what stops it.
}

WriteLock::~WriteLock() {
  // No longer the signal's to remove: from here on the name may be another
  // writer's lock file. A signal waits until the file is gone.
  const platform::EndingSignalsDeferred deferred;
  leftover_ = {};
  platform::ReleaseLockFile(path_, held_);
}

}  // namespace verdin
