#include "core/folders.h"

#include <cerrno>
#include <system_error>

#include "core/atomic_file.h"
#include "core/line_file.h"
#include "core/line_reader.h"
#include "core/platform_files.h"
#include "core/text_forms.h"

namespace verdin {

namespace {

std::string UpperAscii(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

void CreateFolder(const std::filesystem::path& folder) {
  std::error_code error;
  std::filesystem::create_directories(folder, error);
  if (error) {
    throw FileError("Не удалось создать папку «" + ShowControlBytes(PathText(folder)) + "»: " + error.message() +
                    ".");
  }
}

// Copies one file of the demo database. The copy goes through a temporary
// file: a copy cut short (a full disk, a power cut) must not stay behind,
// as files already in the data folder are never replaced.
void CopyDemoFile(const std::filesystem::path& from, const std::filesystem::path& to) {
  // Read as every file of the program is: only an ordinary file, within
  // the bound of a norm file.
  const LineFileBytes source = ReadLineFileBytes(from, kNormFileLimit);
  try {
    AtomicReplacement copy(to);
    copy.Write(source.content);
    copy.Commit();
  } catch (const WriteFault& fault) {
    throw FileError("Не удалось скопировать демонстрационную базу в «" + ShowControlBytes(PathText(to)) + "»: " +
                    fault.what() + ".");
  }
}

void SeedDataFolder(const std::filesystem::path& demoData, const std::filesystem::path& data) {
  std::error_code error;
  if (!std::filesystem::is_directory(demoData, error)) return;
  for (const auto& entry : std::filesystem::directory_iterator(demoData, error)) {
    if (!entry.is_regular_file() || entry.path().extension() == ".md") continue;
    const auto target = data / entry.path().filename();
    if (std::filesystem::exists(target, error)) continue;
    CopyDemoFile(entry.path(), target);
  }
}

constexpr const char* kSettingsLineExpected = "строка вида «КЛЮЧ= значение»";

// The faults of a settings file: SettingsError naming the file and the line.
class SettingsFaults final : public LineFaults {
 public:
  explicit SettingsFaults(const std::filesystem::path& file)
      : head_("Ошибка в файле настроек «" + PathText(file) + "»") {}

  void Fault(std::size_t line, const std::string& detail) const override {
    throw SettingsError(LineFaultMessage(head_, line, detail));
  }

 private:
  std::string head_;
};

}  // namespace

std::filesystem::path FileInFolder(const std::filesystem::path& folder, const std::string& name) {
  if (folder.empty()) return std::filesystem::path("/") / PathFromText(name);
  return folder / PathFromText(name);
}

void ApplySettingsLines(const std::vector<std::string>& lines, const std::filesystem::path& file,
                        Folders& folders) {
  const SettingsFaults faults(file);
  LineReader reader(lines, faults);
  while (!reader.AtEnd()) {
    const std::string_view line = reader.Next(kSettingsLineExpected);
    const std::size_t equals = line.find('=');
    if (equals == std::string::npos) {
      reader.Fail(std::string("нет знака «=»; ожидалась ") + kSettingsLineExpected +
                  " (ключи PROG, ISX, DATA, TEMP).");
    }
    const std::string key = UpperAscii(Trim(line.substr(0, equals)));
    // The character right after "=" is skipped: the file writes a blank there.
    const std::string value = equals + 2 <= line.size() ? Trim(line.substr(equals + 2)) : "";
    if (key == "PROG") folders.PathProg = PathFromText(value);
    else if (key == "ISX") folders.PathIsx = PathFromText(value);
    else if (key == "DATA") folders.PathData = PathFromText(value);
    else if (key == "TEMP") folders.PathTemp = PathFromText(value);
  }
}

std::string DiskOf(const std::filesystem::path& folder) {
  const std::string text = PathText(folder);
  return text.substr(0, std::min<std::size_t>(2, text.size()));
}

void ChtIni(const std::filesystem::path& settingsFile, Folders& folders) {
  std::vector<std::string> lines;
  try {
    lines = ReadLineFile(settingsFile);
  } catch (const FileError& error) {
    throw SettingsError(std::string("Не прочитан файл настроек. ") + error.what());
  }
  Folders read;
  read.PathWin = settingsFile.parent_path();
  ApplySettingsLines(lines, settingsFile, read);
  read.DiskIsx = DiskOf(read.PathIsx);
  folders = std::move(read);
}

SettingsLocation DefaultSettingsLocation(const std::filesystem::path& demoData) {
  SettingsLocation location;
  location.configFolder = platform::UserSettingsFolder();
  location.windowsFolder = platform::SystemSettingsFolder();
  location.userFolder = platform::UserDataFolder();
  location.demoData = demoData;
  return location;
}

void UseBuiltInLayout(const std::filesystem::path& userFolder, const std::filesystem::path& demoData,
                      Folders& folders) {
  Folders layout;
  layout.PathWin = userFolder;
  layout.PathProg = userFolder;
  layout.PathData = userFolder / "data";
  layout.PathIsx = userFolder / "Isx";
  layout.PathTemp = userFolder / "Temp";
  for (const auto* folder : {&layout.PathData, &layout.PathIsx, &layout.PathTemp}) {
    CreateFolder(*folder);
  }
  SeedDataFolder(demoData, layout.PathData);
  layout.DiskIsx = DiskOf(layout.PathIsx);
  folders = std::move(layout);
}

void SetUpFolders(const SettingsLocation& location, Folders& folders) {
  if (location.iniOverride) {
    ChtIni(*location.iniOverride, folders);
    return;
  }
  for (const auto* folder : {&location.windowsFolder, &location.configFolder}) {
    if (folder->empty()) continue;
    const auto settingsFile = *folder / kSettingsFileName;
    std::error_code error;
    if (std::filesystem::exists(settingsFile, error)) {
      ChtIni(settingsFile, folders);
      return;
    }
  }
  UseBuiltInLayout(location.userFolder, location.demoData, folders);
}

}  // namespace verdin
