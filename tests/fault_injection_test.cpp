// Every file the program writes, written when it cannot be: the folder is
// missing, a folder stands where the file should be, the disk is full, the
// process may not write files that large, or the earlier file cannot be
// replaced. Each time the user gets a Russian message that names the file
// and the reason, the folder holds exactly what it held before (no partial
// file, no temporary file), the earlier file is intact byte for byte, and
// the estimate in memory is what it was.
#include <fcntl.h>
#include <linux/fs.h>
#include <sched.h>
#include <signal.h>
#include <sys/ioctl.h>
#include <sys/mount.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <cerrno>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <string>
#include <vector>

#include "core/line_file.h"
#include "file_faults.h"
#include "forms/coefficient_form.h"
#include "forms/general_data_form.h"
#include "isx/isx_file.h"
#include "main_window_fixture.h"
#include "forms/estimate_list.h"
#include "forms/save_estimate.h"
#include "workbook/estimate_sheet.h"

namespace verdin {
namespace {


namespace fs = std::filesystem;

constexpr int kWorkbookError = 1004;
constexpr const char* kWriteErrorTitle = "Ошибка записи!!";
constexpr const char* kConfirmTitle = "Подтверждение записи";
// The reason a write beyond the process's file-size limit gives.
constexpr const char* kSizeLimitReason = "превышен допустимый размер файла";

enum class Fault {
  kMissingFolder,   // the target's folder does not exist
  kTargetIsFolder,  // a folder has the target's name
  kDiskFull,        // no free space left on the target's disk
  kFileSizeLimit,   // the process may not write a file that large
  kUnreplaceable,   // the earlier file cannot be replaced
};

std::string FaultName(const ::testing::TestParamInfo<Fault>& info) {
  switch (info.param) {
    case Fault::kMissingFolder: return "MissingFolder";
    case Fault::kTargetIsFolder: return "TargetIsFolder";
    case Fault::kDiskFull: return "DiskFull";
    case Fault::kFileSizeLimit: return "FileSizeLimit";
    case Fault::kUnreplaceable: return "Unreplaceable";
  }
  return "Unknown";
}

void PrintTo(Fault fault, std::ostream* out) { *out << FaultName({fault, 0}); }

using testing::Bytes;
using testing::FileSizeLimit;
using testing::PutBytes;
using testing::SetImmutable;
constexpr auto& Entries = testing::FolderEntries;

// Mounts made by the tests go into a mount namespace of this process alone,
// so that nothing stays mounted on the machine whatever happens to the run.
bool OwnMountNamespace() {
  static const bool own = ::unshare(CLONE_NEWNS) == 0 &&
                          ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
  return own;
}

// One fault around one target file. The scene is laid out on construction;
// the earlier file (where the fault has one) is written by the test with
// the program's own writer; Remember() notes the disk; Arm() and Disarm()
// bracket the failing write as tightly as possible, because a file-size
// limit applies to every file the process writes.
class FaultScene {
 public:
  FaultScene(Fault fault, const fs::path& base, const std::string& fileName) : fault_(fault), base_(base) {
    fs::path root = base;
    if (fault == Fault::kDiskFull) {
      // A small in-memory disk where mounting is allowed; otherwise the
      // same failure is brought about by a file-size limit.
      disk_ = base / PathFromText("диск");
      fs::create_directory(disk_);
      mounted_ = OwnMountNamespace() && ::mount("tmpfs", disk_.c_str(), "tmpfs", 0, "size=1m") == 0;
      if (mounted_) root = disk_;
    }
    folder_ = root / (fault == Fault::kMissingFolder ? "нет папки" : "сметы");
    if (fault != Fault::kMissingFolder) fs::create_directory(folder_);
    target_ = folder_ / fileName;
    if (fault == Fault::kTargetIsFolder) {
      fs::create_directory(target_);
      PutBytes(target_ / PathFromText("внутри.txt"), "не трогать\r\n");
    }
  }
  ~FaultScene() {
    Disarm();
    if (mounted_) ::umount2(disk_.c_str(), MNT_DETACH);
  }
  FaultScene(const FaultScene&) = delete;
  FaultScene& operator=(const FaultScene&) = delete;

  const fs::path& target() const { return target_; }
  const fs::path& folder() const { return folder_; }
  Fault fault() const { return fault_; }

  // Whether a file of the target's name is there before the write.
  bool HasEarlierFile() const { return fault_ != Fault::kMissingFolder && fault_ != Fault::kTargetIsFolder; }

  // Whether the save finds the fault before it writes anything: a missing
  // folder, a folder in the file's place, a folder the user may not write.
  bool FoundBeforeWriting() const {
    return fault_ == Fault::kMissingFolder || fault_ == Fault::kTargetIsFolder ||
           (fault_ == Fault::kUnreplaceable && ::geteuid() != 0);
  }

  // Whether the fault stops every file the process writes, not only the
  // target (a file-size limit does).
  bool StopsEveryWrite() const {
    return fault_ == Fault::kFileSizeLimit || (fault_ == Fault::kDiskFull && !mounted_);
  }

  // The words of the reason the message must give.
  std::string Reason() const {
    switch (fault_) {
      case Fault::kMissingFolder: return "не найден";  // PathFromText("папка не найдена"), "…не найдены"
      case Fault::kTargetIsFolder: return "это папка, а не файл";
      case Fault::kDiskFull: return mounted_ ? "нет места на диске" : kSizeLimitReason;
      case Fault::kFileSizeLimit: return kSizeLimitReason;
      case Fault::kUnreplaceable: return "нет доступа";
    }
    return {};
  }

  void Remember() {
    baseEntries_ = Entries(base_);
    folderEntries_ = Entries(folder_);
    if (fault_ == Fault::kTargetIsFolder) {
      earlier_ = Bytes(target_ / PathFromText("внутри.txt"));
    } else if (HasEarlierFile()) {
      earlier_ = Bytes(target_);
    }
  }

  // Brings the fault about. False when it cannot be brought about here;
  // SkipReason() says why.
  bool Arm() {
    switch (fault_) {
      case Fault::kMissingFolder:
      case Fault::kTargetIsFolder:
        return true;
      case Fault::kDiskFull:
        if (!mounted_) {
          limit_.emplace(16);
          return true;
        }
        return FillDisk();
      case Fault::kFileSizeLimit:
        limit_.emplace(16);
        return true;
      case Fault::kUnreplaceable:
        return LockTarget();
    }
    return false;
  }

  void Disarm() {
    limit_.reset();
    if (!filler_.empty()) {
      ::unlink(filler_.c_str());
      filler_.clear();
    }
    if (immutable_) {
      SetImmutable(target_, false);
      immutable_ = false;
    }
    if (readOnlyFolder_) {
      fs::permissions(folder_, fs::perms::owner_all);
      readOnlyFolder_ = false;
    }
  }

  const std::string& SkipReason() const { return skipReason_; }

  // The disk as it was when remembered: no new or lost entries next to the
  // target or above it, the earlier file (or the folder in its place)
  // intact, and a missing folder still missing.
  void ExpectDiskAsRemembered() const {
    EXPECT_EQ(Entries(base_), baseEntries_) << "entries of " << base_;
    if (fault_ == Fault::kMissingFolder) {
      EXPECT_FALSE(fs::exists(folder_)) << folder_;
      return;
    }
    EXPECT_EQ(Entries(folder_), folderEntries_) << "entries of " << folder_;
    if (fault_ == Fault::kTargetIsFolder) {
      EXPECT_TRUE(fs::is_directory(target_));
      EXPECT_EQ(Entries(target_), std::vector<std::string>{"внутри.txt"});
      EXPECT_EQ(Bytes(target_ / PathFromText("внутри.txt")), earlier_);
    } else {
      EXPECT_FALSE(earlier_.empty()) << "the earlier file was not written";
      EXPECT_EQ(Bytes(target_), earlier_) << "the earlier file changed";
    }
  }

  // A message for the user: it names the file in «» and gives the reason
  // in Russian; apart from the paths it has no Latin letters (an untranslated
  // system message would show as such).
  void ExpectClearMessage(const std::string& text) const { ExpectClearMessage(text, target_); }
  void ExpectClearMessage(const std::string& text, const fs::path& file) const {
    EXPECT_NE(text.find("«" + PathText(file) + "»"), std::string::npos) << text;
    EXPECT_NE(text.find(Reason()), std::string::npos) << "reason «" << Reason() << "» missing in: " << text;
    std::string rest = text;
    for (const fs::path& path : {file, folder_, base_}) {
      const std::string shown = PathText(path);
      for (std::size_t at; (at = rest.find(shown)) != std::string::npos;) rest.erase(at, shown.size());
    }
    EXPECT_TRUE(std::none_of(rest.begin(), rest.end(),
                             [](char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }))
        << text;
  }

 private:
  // Fills the in-memory disk to the last byte with a file outside the
  // target's folder.
  bool FillDisk() {
    filler_ = disk_ / PathFromText("заполнитель");
    const int fd = ::open(filler_.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0) {
      skipReason_ = "cannot create the filler file on the small disk";
      filler_.clear();
      return false;
    }
    const std::string chunk(65536, 'x');
    int error = 0;
    for (int i = 0; i < 1024 && error == 0; ++i) {
      if (::write(fd, chunk.data(), chunk.size()) < 0) error = errno;
    }
    ::close(fd);
    if (error != ENOSPC) {
      skipReason_ = "the small disk did not fill up";
      return false;
    }
    return true;
  }

  // The superuser ignores permission bits, so the earlier file is made
  // immutable; anybody else gets a folder without write permission.
  bool LockTarget() {
    if (::geteuid() == 0) {
      immutable_ = SetImmutable(target_, true);
      const int fd = ::open(target_.c_str(), O_WRONLY | O_CLOEXEC);
      const bool locked = immutable_ && fd < 0;
      if (fd >= 0) ::close(fd);
      if (!locked) {
        skipReason_ = "the file system of " + folder_.string() +
                      " does not support the immutable attribute (chattr +i), so a file cannot be made "
                      "unreplaceable for the superuser";
        Disarm();
      }
      return locked;
    }
    fs::permissions(folder_, fs::perms::owner_read | fs::perms::owner_exec);
    readOnlyFolder_ = true;
    const fs::path probe = folder_ / PathFromText("проба");
    const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
      ::close(fd);
      ::unlink(probe.c_str());
      skipReason_ = "a folder without write permission still takes new files here";
      Disarm();
      return false;
    }
    return true;
  }

  Fault fault_;
  fs::path base_;
  fs::path disk_;
  fs::path folder_;
  fs::path target_;
  bool mounted_ = false;
  fs::path filler_;
  bool immutable_ = false;
  bool readOnlyFolder_ = false;
  std::optional<FileSizeLimit> limit_;
  std::string skipReason_;
  std::vector<std::string> baseEntries_;
  std::vector<std::string> folderEntries_;
  std::string earlier_;
};

// What the user sees of the estimate and what the writers read from it.
struct EstimateInMemory {
  int itemCount = 0;
  std::array<std::vector<std::string>, 2> lists;
  std::string total;
  std::vector<double> costs;
  std::vector<std::string> names;
  GeneralData general;
};

void ExpectSameEstimate(const EstimateInMemory& before, const EstimateInMemory& after) {
  EXPECT_EQ(after.itemCount, before.itemCount);
  EXPECT_EQ(after.lists, before.lists);
  EXPECT_EQ(after.total, before.total);
  EXPECT_EQ(after.costs, before.costs);
  EXPECT_EQ(after.names, before.names);
  for (std::size_t s = 0; s < after.general.signatories.size(); ++s) {
    const Signatory& a = after.general.signatories[s];
    const Signatory& b = before.general.signatories[s];
    EXPECT_TRUE(a.on == b.on && a.post == b.post && a.name == b.name) << "signatory " << s << " changed";
  }
  for (std::size_t k = 0; k < after.general.charges.size(); ++k) {
    const ChargeRow& a = after.general.charges[k];
    const ChargeRow& b = before.general.charges[k];
    EXPECT_TRUE(a.included == b.included && a.rate == b.rate && a.caption == b.caption)
        << "charge row " << k << " changed";
  }
  const HeaderTexts& a = after.general.header;
  const HeaderTexts& b = before.general.header;
  EXPECT_TRUE(a.contractNumber == b.contractNumber && a.contractDate == b.contractDate &&
              a.objectName == b.objectName && a.designOrganisation == b.designOrganisation &&
              a.customerOrganisation == b.customerOrganisation)
      << "header texts changed";
}

class FaultInjectionBase : public testing::MainWindowTest {
 protected:
  void SetUp() override {
    MainWindowTest::SetUp();
    ComposeEstimate();
    // A first save elsewhere, as any estimate has had before it is saved
    // again: the general data are in their tables, the header texts set.
    fs::create_directory(folder_ / PathFromText("прежде"));
    ASSERT_TRUE(Save(folder_ / PathFromText("прежде") / PathFromText("смета.xls"), PathText(folder_ / PathFromText("прежде") / PathFromText("смета.isx"))));
    ASSERT_EQ(state().ErrRez, -1) << state().ErrRezText;
    messages_.Clear();
  }

  // Two items of a norm table and one typed cost.
  void ComposeEstimate() {
    UntickAll();
    koeff().chkKoeff[1] = true;  // К(обл.) 1,1
    Calculate(3, 0, "3000");
    Add("Здание\r\nсклада");
    UntickAll();
    Calculate(3, 1, "5000");
    Add("Жилой дом");
    auto ctx = Ctx();
    SelectTable(ctx, 1);
    SetTxtStP(ctx, "1234,5");
    Add("Готовая стоимость");
    ASSERT_EQ(state().KolZd(), 3);
  }

  bool Save(const fs::path& workbook, const std::string& inputData) {
    ConfirmedSaveDialog dialog({workbook, inputData, "Склад и жилой дом"});
    CaptionOnlyProgress progress;
    auto ctx = Ctx();
    return CmdSave(ctx, dialog, progress, PayOutPercentages{});
  }

  EstimateInMemory Estimate() {
    EstimateInMemory estimate;
    estimate.itemCount = state().KolZd();
    estimate.lists = form().lstZd;
    estimate.total = form().txtSym;
    for (const EstimateItem& item : state().estimate.items) {
      estimate.costs.push_back(item.cost);
      estimate.names.push_back(item.name);
    }
    estimate.general = state().general;
    return estimate;
  }

  // The messages shown whose text begins with the given words.
  std::vector<RecordingMessages::Entry> ShownStartingWith(const std::string& start) const {
    std::vector<RecordingMessages::Entry> found;
    for (const auto& entry : messages_.Shown()) {
      if (entry.text.rfind(start, 0) == 0) found.push_back(entry);
    }
    return found;
  }

  // Every message shown, for a failure report.
  std::string AllShown() const {
    std::string text;
    for (const auto& entry : messages_.Shown()) text += "[" + entry.title + "] " + entry.text + "\n";
    return text;
  }

  bool AnyConfirmation() const {
    const auto shown = messages_.Shown();
    return std::any_of(shown.begin(), shown.end(), [](const auto& entry) { return entry.title == kConfirmTitle; });
  }
};

class FaultInjection : public FaultInjectionBase, public ::testing::WithParamInterface<Fault> {
 protected:
  // A refused save: one write-error message that starts with `start` and
  // says clearly what happened, the disk and the estimate as they were.
  void ExpectOneWriteError(const FaultScene& scene, const std::string& start, const EstimateInMemory& before) {
    const auto shown = messages_.Shown();
    ASSERT_EQ(shown.size(), 1U) << AllShown();
    EXPECT_EQ(shown[0].title, kWriteErrorTitle);
    EXPECT_EQ(shown[0].icon, MessageIcon::Exclamation);
    EXPECT_EQ(shown[0].text.rfind(start, 0), 0U) << shown[0].text;
    scene.ExpectClearMessage(shown[0].text);
    scene.ExpectDiskAsRemembered();
    ExpectSameEstimate(before, Estimate());
  }

  // The workbook through the save command, the input data not saved: the
  // workbook error is the only message, and nothing is reported as written.
  void CheckWorkbookThroughSaveCommand(const std::string& fileName) {
    FaultScene scene(GetParam(), folder_.path(), fileName);
    if (scene.HasEarlierFile()) {
      ASSERT_TRUE(Save(scene.target(), kInputDataNotSaved));
      ASSERT_EQ(state().ErrRez, -1) << state().ErrRezText;
    }
    messages_.Clear();
    scene.Remember();
    const EstimateInMemory before = Estimate();

    if (!scene.Arm()) GTEST_SKIP() << scene.SkipReason();
    const bool saved = Save(scene.target(), kInputDataNotSaved);
    scene.Disarm();

    EXPECT_FALSE(saved);
    EXPECT_EQ(state().ErrRez, kWorkbookError);
    ExpectOneWriteError(scene, "Книга сметы не записана.\r", before);
  }

  // The workbook writer on its own: a failed save is noted in ErrRez and
  // ErrRezText, not thrown.
  void CheckWorkbookWriter(const std::string& fileName) {
    FaultScene scene(GetParam(), folder_.path(), fileName);
    CaptionOnlyProgress progress;
    state().FileXls = scene.target();
    const GeneralData general = GeneralDataOf(obd(), state().general);
    const EstimateFigures figures = ComputeEstimateFigures(state().estimate, general, false, {});
    const auto write = [&] {
      return WriteEstimateSheet(state().estimate, general, figures, false, scene.target(), progress);
    };
    if (scene.HasEarlierFile()) {
      const EstimateSheet earlier = write();
      ASSERT_EQ(earlier.errorCode, -1) << earlier.errorText;
    }
    scene.Remember();
    const EstimateInMemory before = Estimate();

    if (!scene.Arm()) GTEST_SKIP() << scene.SkipReason();
    std::optional<std::string> thrown;
    EstimateSheet built;
    try {
      built = write();
    } catch (const std::exception& error) {
      thrown = error.what();
    }
    scene.Disarm();

    EXPECT_FALSE(thrown.has_value()) << *thrown;
    EXPECT_EQ(built.errorCode, kWorkbookError);
    EXPECT_EQ(built.errorText.rfind("Не удалось записать", 0), 0U) << built.errorText;
    scene.ExpectClearMessage(built.errorText);
    scene.ExpectDiskAsRemembered();
    ExpectSameEstimate(before, Estimate());
  }

  // A window state file written by its window's save.
  template <typename Form, typename SaveFunction>
  void CheckStateFile(const std::string& fileName, const Form& earlier, const Form& changed, SaveFunction save) {
    FaultScene scene(GetParam(), folder_.path(), fileName);
    if (scene.HasEarlierFile()) {
      ASSERT_TRUE(save(earlier, scene.target(), messages_));
    }
    ASSERT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
    scene.Remember();
    const EstimateInMemory before = Estimate();

    if (!scene.Arm()) GTEST_SKIP() << scene.SkipReason();
    const bool saved = save(changed, scene.target(), messages_);
    scene.Disarm();

    EXPECT_FALSE(saved);
    ExpectOneWriteError(scene, "Не удалось записать файл", before);
  }
};

// ---------------------------------------------------------------------------
// The workbook.

TEST_P(FaultInjection, XlsWorkbookThroughSaveCommand) { CheckWorkbookThroughSaveCommand("смета.xls"); }

TEST_P(FaultInjection, XlsxWorkbookThroughSaveCommand) { CheckWorkbookThroughSaveCommand("смета.xlsx"); }

TEST_P(FaultInjection, XlsWorkbookWriter) { CheckWorkbookWriter("смета.xls"); }

TEST_P(FaultInjection, XlsxWorkbookWriter) { CheckWorkbookWriter("смета.xlsx"); }

// ---------------------------------------------------------------------------
// The input-data file.

TEST_P(FaultInjection, InputDataWriter) {
  FaultScene scene(GetParam(), folder_.path(), "смета.isx");
  if (scene.HasEarlierFile()) WriteIsx(state().estimate, state().general, scene.target());
  scene.Remember();
  const EstimateInMemory before = Estimate();

  if (!scene.Arm()) GTEST_SKIP() << scene.SkipReason();
  std::optional<std::string> message;
  try {
    WriteIsx(state().estimate, state().general, scene.target());
  } catch (const FileError& error) {
    message = error.what();
  }
  scene.Disarm();

  ASSERT_TRUE(message.has_value()) << "the write did not fail";
  EXPECT_EQ(message->rfind("Не удалось записать файл", 0), 0U) << *message;
  scene.ExpectClearMessage(*message);
  scene.ExpectDiskAsRemembered();
  ExpectSameEstimate(before, Estimate());
}

TEST_P(FaultInjection, InputDataThroughSaveCommand) {
  FaultScene scene(GetParam(), folder_.path(), "смета.isx");
  fs::create_directory(folder_ / PathFromText("книги"));
  const fs::path workbook = folder_ / PathFromText("книги") / PathFromText("смета.xls");
  if (scene.HasEarlierFile()) {
    ASSERT_TRUE(Save(workbook, PathText(scene.target())));
    ASSERT_EQ(state().ErrRez, -1) << state().ErrRezText;
  }
  const std::string earlierWorkbook = Bytes(workbook);
  messages_.Clear();
  scene.Remember();
  const EstimateInMemory before = Estimate();

  if (!scene.Arm()) GTEST_SKIP() << scene.SkipReason();
  const bool saved = Save(workbook, PathText(scene.target()));
  scene.Disarm();

  const auto failed = ShownStartingWith("Исходные данные не записаны.\r");
  ASSERT_EQ(failed.size(), 1U);
  EXPECT_EQ(failed[0].title, kWriteErrorTitle);
  scene.ExpectClearMessage(failed[0].text);
  EXPECT_FALSE(AnyConfirmation()) << "a failed save confirmed as written";
  if (scene.FoundBeforeWriting()) {
    // Found before the workbook was replaced: nothing was written.
    EXPECT_FALSE(saved);
    EXPECT_EQ(messages_.Shown().size(), 1U);
    EXPECT_EQ(Bytes(workbook), earlierWorkbook);
  } else if (scene.StopsEveryWrite()) {
    // The workbook failed as well; nothing was written.
    EXPECT_FALSE(saved);
    EXPECT_EQ(state().ErrRez, kWorkbookError);
    EXPECT_EQ(ShownStartingWith("Книга сметы не записана.\r").size(), 1U);
    if (!earlierWorkbook.empty()) {
      EXPECT_EQ(Bytes(workbook), earlierWorkbook);
    }
  } else {
    // The workbook was written: the save did something.
    EXPECT_TRUE(saved);
    EXPECT_EQ(state().ErrRez, -1) << state().ErrRezText;
    EXPECT_EQ(messages_.Shown().size(), 1U);
  }
  scene.ExpectDiskAsRemembered();
  ExpectSameEstimate(before, Estimate());
}

// ---------------------------------------------------------------------------
// The autosave of the add command.

TEST_P(FaultInjection, AutosaveOnAdd) {
  const std::string fileName = AutosaveFileName(obd().txtNdog, obd().txtDataDog);
  FaultScene scene(GetParam(), folder_.path(), fileName);
  state().folders.PathTemp = scene.folder();
  form().chkAsave = true;
  if (scene.HasEarlierFile()) {
    UntickAll();
    Calculate(3, 1, "4000");
    Add("Первая копия");
    ASSERT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
    ASSERT_TRUE(fs::is_regular_file(scene.target()));
  }
  UntickAll();
  Calculate(3, 0, "2500");
  form().txtZd = "Вторая копия";
  const std::string cost = form().txtStP;
  scene.Remember();
  const EstimateInMemory before = Estimate();

  if (!scene.Arm()) GTEST_SKIP() << scene.SkipReason();
  auto ctx = Ctx();
  const bool added = CmdDob(ctx);
  scene.Disarm();

  // The item is added whatever becomes of the copy.
  ASSERT_TRUE(added);
  const EstimateInMemory after = Estimate();
  EXPECT_EQ(after.itemCount, before.itemCount + 1);
  EstimateInMemory expected = before;
  expected.itemCount = before.itemCount + 1;
  expected.lists[0].push_back("Вторая копия");
  expected.lists[1].push_back(cost);
  expected.names.push_back("Вторая копия");
  expected.costs.push_back(state().estimate.items.back().cost);
  expected.total = after.total;
  ExpectSameEstimate(expected, after);
  EXPECT_NE(after.total, before.total);

  if (GetParam() == Fault::kMissingFolder) {
    // The temporary folder is created for the copy.
    EXPECT_TRUE(messages_.Shown().empty()) << messages_.Shown()[0].text;
    EXPECT_EQ(ReadLineFile(scene.target()).size(),
              static_cast<std::size_t>(kIsxHeaderLines + kIsxItemLines * after.itemCount));
    EXPECT_EQ(Entries(scene.folder()), std::vector<std::string>{fileName});
    return;
  }
  const auto shown = messages_.Shown();
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0].title, kWriteErrorTitle);
  EXPECT_EQ(shown[0].text.rfind("Смета изменена, но автосохранение не выполнено.\r", 0), 0U)
      << shown[0].text;
  scene.ExpectClearMessage(shown[0].text);
  scene.ExpectDiskAsRemembered();
}

// ---------------------------------------------------------------------------
// The windows' state files.

TEST_P(FaultInjection, CoefficientWindowStateFile) {
  CoefficientForm changed = koeff();
  changed.txtKoeffK[0] = "1,5";
  changed.chkKoeff[0] = !changed.chkKoeff[0];
  CheckStateFile(kCoefficientFileName, koeff(), changed,
                 [](const CoefficientForm& form, const fs::path& file, Messages& messages) {
                   return SaveCoefficientForm(form, file, messages);
                 });
}

TEST_P(FaultInjection, GeneralDataWindowStateFile) {
  GeneralDataForm changed = obd();
  changed.txtNdog = "77/2027";
  changed.txtShapka[0] = "Другой объект";
  CheckStateFile(kGeneralDataFileName, obd(), changed,
                 [](const GeneralDataForm& form, const fs::path& file, Messages& messages) {
                   return SaveGeneralDataForm(form, file, messages);
                 });
}

INSTANTIATE_TEST_SUITE_P(, FaultInjection,
                         ::testing::Values(Fault::kMissingFolder, Fault::kTargetIsFolder, Fault::kDiskFull,
                                           Fault::kFileSizeLimit, Fault::kUnreplaceable),
                         FaultName);

// ---------------------------------------------------------------------------
// Faults of one writer with the other writers of the same command working.

class FaultInjectionSave : public FaultInjectionBase {};

TEST_F(FaultInjectionSave, FailedWorkbookStillWritesTheInputDataAndSaysOnlyThey) {
  // The heading names what failed, the workbook or the estimate as a PDF;
  // the file and the reason follow once.
  const struct {
    const char* target;
    const char* heading;
  } cases[] = {{"смета.xls", "Книга сметы не записана.\r"}, {"смета.pdf", "Смета в PDF не записана.\r"}};
  for (const auto& c : cases) {
    SCOPED_TRACE(c.target);
    messages_.Clear();
    FaultScene scene(Fault::kTargetIsFolder, folder_.path(), c.target);
    const fs::path inputData = folder_ / PathFromText("смета.isx");
    scene.Remember();
    const EstimateInMemory before = Estimate();

    EXPECT_TRUE(Save(scene.target(), PathText(inputData)));

    const auto shown = messages_.Shown();
    ASSERT_EQ(shown.size(), 2U);
    EXPECT_EQ(shown[0].title, kWriteErrorTitle);
    ASSERT_EQ(shown[0].text.rfind(c.heading, 0), 0U) << shown[0].text;
    scene.ExpectClearMessage(shown[0].text.substr(std::string(c.heading).size()));
    EXPECT_EQ(shown[1].title, kConfirmTitle);
    EXPECT_EQ(shown[1].text, "Записаны только исходные данные .");
    EXPECT_EQ(ReadLineFile(inputData).size(), static_cast<std::size_t>(kIsxHeaderLines + kIsxItemLines * 3));
    ExpectSameEstimate(before, Estimate());
  }
}

TEST_F(FaultInjectionSave, WorkbookNameTooShortLeavesTheEstimateAsItWas) {
  const EstimateInMemory before = Estimate();
  const std::string inputData = PathText(folder_ / PathFromText("не должен появиться.isx"));

  EXPECT_FALSE(Save("a.x", inputData));

  const auto shown = messages_.Shown();
  ASSERT_EQ(shown.size(), 1U);
  EXPECT_EQ(shown[0].title, kWriteErrorTitle);
  EXPECT_NE(shown[0].text.find("«a.x»"), std::string::npos) << shown[0].text;
  EXPECT_FALSE(fs::exists(inputData));
  ExpectSameEstimate(before, Estimate());
}

class FaultInjectionAutosave : public FaultInjectionBase {};

TEST_F(FaultInjectionAutosave, TemporaryFolderThatCannotBeCreatedIsReported) {
  const fs::path obstacle = folder_ / PathFromText("помеха");
  PutBytes(obstacle, "обычный файл");
  state().folders.PathTemp = obstacle / "Temp";
  form().chkAsave = true;
  const auto entries = Entries(folder_.path());
  UntickAll();
  Calculate(3, 0, "2500");
  const int count = state().KolZd();

  form().txtZd = "Вторая копия";
  auto ctx = Ctx();
  ASSERT_TRUE(CmdDob(ctx));

  EXPECT_EQ(state().KolZd(), count + 1);
  const auto shown = messages_.Shown();
  ASSERT_EQ(shown.size(), 1U);
  const fs::path file = obstacle / "Temp" / PathFromText(AutosaveFileName(obd().txtNdog, obd().txtDataDog));
  EXPECT_NE(shown[0].text.find("«" + PathText(file) + "»"), std::string::npos) << shown[0].text;
  EXPECT_NE(shown[0].text.find("не является папкой"), std::string::npos) << shown[0].text;
  EXPECT_EQ(Bytes(obstacle), "обычный файл");
  EXPECT_EQ(Entries(folder_.path()), entries);
}

}  // namespace
}  // namespace verdin
