// Shared by the fuzz targets: a temporary folder for the life of the
// process (files are written into it once and then overwritten), and the
// shipped demo database.
#pragma once

#include <sys/stat.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <string_view>
#include <system_error>

namespace verdin::fuzz {

// The folder of this process, under $TMPDIR; removed at exit when the
// process exits through exit() (scripts/fuzz.sh also gives every run a
// $TMPDIR of its own and removes it afterwards).
inline const std::filesystem::path& TempFolder() {
  static const std::filesystem::path folder = [] {
    std::string pattern = (std::filesystem::temp_directory_path() / "verdin-fuzz-XXXXXX").string();
    if (mkdtemp(pattern.data()) == nullptr) {
      std::perror("mkdtemp");
      std::abort();
    }
    std::atexit([] {
      std::error_code error;
      std::filesystem::remove_all(TempFolder(), error);
    });
    return std::filesystem::path(pattern);
  }();
  return folder;
}

inline void WriteBytes(const std::filesystem::path& file, std::string_view bytes) {
  std::ofstream out(file, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) {
    std::perror("write");
    std::abort();
  }
}

// Writes the fuzzer's input to `name` in the process's folder. The first
// empty input of a run (libFuzzer always runs one first) is given as a
// pipe without a writer instead: every reader must refuse it at once, and
// a reader that waits on it is reported as a timeout.
inline std::filesystem::path WriteInput(const std::string& name, const std::uint8_t* data, std::size_t size) {
  static bool pipeGiven = false;
  const std::filesystem::path file = TempFolder() / name;
  std::error_code ignored;
  std::filesystem::remove(file, ignored);
  if (size == 0 && !pipeGiven) {
    pipeGiven = true;
    if (mkfifo(file.c_str(), 0600) != 0) {
      std::perror("mkfifo");
      std::abort();
    }
    return file;
  }
  WriteBytes(file, std::string_view(reinterpret_cast<const char*>(data), size));
  return file;
}

inline std::string ReadBytes(const std::filesystem::path& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

inline std::filesystem::path DemoData() { return VERDIN_DEMO_DATA_DIR; }

// A failed check of a target: prints the reason and aborts, which libFuzzer
// reports as a crash with the input that caused it.
[[noreturn]] inline void Fail(const char* what) {
  std::fprintf(stderr, "fuzz check failed: %s\n", what);
  std::abort();
}

}  // namespace verdin::fuzz
