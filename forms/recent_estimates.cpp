#include "forms/recent_estimates.h"

#include <algorithm>
#include <fstream>
#include <iterator>

#include "core/index.h"
#include "core/line_file.h"
#include "isx/isx_file.h"

namespace verdin {

namespace {

// The list holds eight paths; anything much longer is not a list this
// program wrote, and is not read whole.
constexpr std::streamsize kMostBytes = 64 * 1024;

std::vector<std::filesystem::path> ReadList(const std::filesystem::path& store) {
  std::vector<std::filesystem::path> files;
  if (store.empty()) return files;
  std::ifstream in(store, std::ios::binary);
  if (!in) return files;
  std::string content(static_cast<std::size_t>(kMostBytes), '\0');
  in.read(content.data(), kMostBytes);
  content.resize(static_cast<std::size_t>(in.gcount()));
  for (const std::string& line : SplitLines(content)) {
    if (line.empty() || files.size() == kRecentEstimates) continue;
    const std::filesystem::path file = PathFromText(line);
    if (file.is_absolute() && std::find(files.begin(), files.end(), file) == files.end()) files.push_back(file);
  }
  return files;
}

std::filesystem::path Normal(const std::filesystem::path& file) {
  std::error_code error;
  const std::filesystem::path absolute = std::filesystem::absolute(file, error);
  return (error ? file : absolute).lexically_normal();
}

}  // namespace

RecentEstimates::RecentEstimates(std::filesystem::path store) : store_(std::move(store)), files_(ReadList(store_)) {}

std::optional<std::string> RecentEstimates::Remember(const std::filesystem::path& file) {
  const std::filesystem::path entry = Normal(file);
  std::erase(files_, entry);
  files_.insert(files_.begin(), entry);
  if (files_.size() > kRecentEstimates) files_.resize(kRecentEstimates);
  return Write();
}

std::optional<std::string> RecentEstimates::Forget(const std::filesystem::path& file) {
  std::erase(files_, file);
  return Write();
}

std::optional<std::string> RecentEstimates::Write() const {
  if (store_.empty()) return std::nullopt;
  std::string content;
  for (const std::filesystem::path& file : files_) content += PathText(file) + "\n";
  try {
    std::error_code ignored;
    std::filesystem::create_directories(store_.parent_path(), ignored);
    WriteFileAtomically(store_, content);
    return std::nullopt;
  } catch (const std::exception& error) {
    return error.what();
  }
}

bool RecentFilePresent(const std::filesystem::path& file) {
  std::error_code error;
  return std::filesystem::is_regular_file(file, error);
}

std::optional<OpenChoice> ChooseRecent(RecentEstimates& recent, int index, Messages& messages) {
  if (index < 0 || index >= static_cast<int>(recent.Files().size())) return std::nullopt;
  const std::filesystem::path file = recent.Files()[At(index)];
  if (!RecentFilePresent(file)) {
    recent.Forget(file);
    messages.Show("Последние сметы",
                  "Файла «" + PathText(file) + "» больше нет на диске.\rОн убран из списка последних смет.",
                  MessageIcon::Exclamation);
    return std::nullopt;
  }
  OpenChoice choice{file, {}};
  try {
    choice.Svodka = ReadIsxSummary(file);
  } catch (const std::exception&) {
    // The open itself reads the file whole and reports what is wrong.
  }
  return choice;
}

std::vector<std::string> RecentLines(const RecentEstimates& recent) {
  std::vector<std::string> lines;
  for (const std::filesystem::path& file : recent.Files()) {
    lines.push_back(PathText(file) + (RecentFilePresent(file) ? "" : "  (файла нет)"));
  }
  return lines;
}

}  // namespace verdin
