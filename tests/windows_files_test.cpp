// Windows only: a file another program holds open without sharing it is
// named so in the message of a read or a write, and the lock of a save
// keeps a second program (verdin-batch.exe) from writing the same estimate.
#ifdef _WIN32
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <functional>
#include <string>
#include <vector>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "core/platform_files.h"
#include "demo_settings.h"
#include "test_support.h"

namespace verdin {
namespace {

namespace fs = std::filesystem;
using testing::TempFolder;

// A handle another program would hold: the file open for reading and
// writing, shared with nobody.
class HeldOpen {
 public:
  explicit HeldOpen(const fs::path& file)
      : handle_(::CreateFileW(file.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~HeldOpen() {
    if (IsOpen()) ::CloseHandle(handle_);
  }
  HeldOpen(const HeldOpen&) = delete;
  HeldOpen& operator=(const HeldOpen&) = delete;
  bool IsOpen() const { return handle_ != INVALID_HANDLE_VALUE; }

 private:
  HANDLE handle_;
};

TEST(WindowsFiles, AFileHeldByAnotherProgramIsNamedSoAndKept) {
  constexpr const char* kHeld = "файл открыт в другой программе; закройте его там и повторите";
  struct Case {
    const char* name;
    std::function<void(const fs::path&)> use;
  };
  const std::vector<Case> cases = {
      {"written over", [](const fs::path& file) { WriteFileAtomically(file, "новое"); }},
      {"read", [](const fs::path& file) { static_cast<void>(ReadLineFile(file)); }},
  };
  const TempFolder folder;
  const fs::path file = folder / "смета в работе.isx";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    testing::PutBytes(file, "прежнее");
    {
      const HeldOpen other(file);
      ASSERT_TRUE(other.IsOpen());
      try {
        c.use(file);
        ADD_FAILURE() << "no error";
      } catch (const FileError& error) {
        const std::string message = error.what();
        EXPECT_NE(message.find(kHeld), std::string::npos) << message;
        EXPECT_NE(message.find("«" + PathText(file) + "»"), std::string::npos) << message;
      }
    }
    EXPECT_EQ(testing::Bytes(file), "прежнее");
    EXPECT_EQ(testing::FolderEntries(folder.path()).size(), 1U);
  }
}

// Runs a program with its output into a file; its exit status.
DWORD RunWithOutput(std::wstring commandLine, const fs::path& output) {
  SECURITY_ATTRIBUTES inherited{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
  const HANDLE out = ::CreateFileW(output.c_str(), GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherited,
                                   CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (out == INVALID_HANDLE_VALUE) return ~DWORD{0};
  STARTUPINFOW startup{};
  startup.cb = sizeof startup;
  startup.dwFlags = STARTF_USESTDHANDLES;
  startup.hStdInput = ::GetStdHandle(STD_INPUT_HANDLE);
  startup.hStdOutput = out;
  startup.hStdError = out;
  PROCESS_INFORMATION process{};
  const BOOL started = ::CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &startup, &process);
  ::CloseHandle(out);
  if (!started) return ~DWORD{0};
  ::WaitForSingleObject(process.hProcess, INFINITE);
  DWORD status = ~DWORD{0};
  ::GetExitCodeProcess(process.hProcess, &status);
  ::CloseHandle(process.hThread);
  ::CloseHandle(process.hProcess);
  return status;
}

std::wstring Quoted(const fs::path& path) { return L"\"" + path.wstring() + L"\""; }

// This process holds the lock of a save; verdin-batch.exe, saving the same
// estimate meanwhile, is refused and writes nothing; once the lock is
// free, it saves.
TEST(WindowsFiles, ASecondProgramIsRefusedWhileTheSaveLockIsHeld) {
  const TempFolder folder;
  const fs::path workbook = folder / "общая смета.xls";
  const fs::path batch = platform::ProgramFile().parent_path() / L"verdin-batch.exe";
  ASSERT_TRUE(fs::exists(batch)) << PathText(batch);
  const std::wstring command = Quoted(batch) + L" --data " + Quoted(fs::path(VERDIN_DEMO_DATA_DIR)) +
                               L" estimate " + Quoted(testing::DemoEstimateFile()) + L" " + Quoted(workbook);
  {
    const WriteLock held(workbook);
    const fs::path output = folder / "отказ.txt";
    EXPECT_EQ(RunWithOutput(command, output), 1U);
    const std::string said = testing::Bytes(output);
    EXPECT_NE(said.find("Смета сейчас записывается другой программой."), std::string::npos) << said;
    EXPECT_FALSE(fs::exists(workbook));
  }
  const fs::path output = folder / "запись.txt";
  EXPECT_EQ(RunWithOutput(command, output), 0U) << testing::Bytes(output);
  EXPECT_TRUE(fs::exists(workbook));
}

}  // namespace
}  // namespace verdin
#endif  // _WIN32
