// The table behind platform::RemovedOnSignal, shared by the POSIX and the
// Windows side: fixed slots of paths that a signal (or a console's Ctrl+C)
// handler may read at any moment, so no allocation and no locks, only
// atomic flags. Used by core/platform_files*.cpp and RemovedOnSignal alone.
#pragma once

#include <array>
#include <atomic>
#include <cstddef>
#include <filesystem>
#include <string>

namespace verdin::platform {

// `Char` is the system's character for paths: char on POSIX systems,
// wchar_t on Windows.
template <typename Char>
class LeftoverSlots {
 public:
  static constexpr std::size_t kSlots = 32;
  static constexpr std::size_t kLongestPath = 4096;

  // Takes a free slot for the path; -1 when none is free or the path is
  // too long to be kept.
  int Take(const std::filesystem::path& path, bool folder) noexcept {
    const std::basic_string<Char>& text = path.native();
    if (text.size() >= kLongestPath) return -1;
    for (std::size_t i = 0; i < kSlots; ++i) {
      int free = kFree;
      if (!slots_[i].state.compare_exchange_strong(free, kFilling)) continue;
      text.copy(slots_[i].path.data(), text.size());
      slots_[i].path[text.size()] = Char{};
      slots_[i].folder = folder;
      slots_[i].state.store(kInUse);
      return static_cast<int>(i);
    }
    return -1;
  }

  void Give(int slot) noexcept {
    if (slot >= 0) slots_[static_cast<std::size_t>(slot)].state.store(kFree);
  }

  // Calls remove(path, folder) for every registered path, files before
  // folders (a file may lie in a registered folder).
  template <typename Remove>
  void RemoveAll(Remove remove) noexcept {
    for (const bool folders : {false, true}) {
      for (Slot& slot : slots_) {
        if (slot.state.load() == kInUse && slot.folder == folders) remove(slot.path.data(), slot.folder);
      }
    }
  }

 private:
  static constexpr int kFree = 0;
  static constexpr int kFilling = 1;
  static constexpr int kInUse = 2;
  struct Slot {
    std::atomic<int> state{kFree};
    bool folder = false;
    std::array<Char, kLongestPath> path{};
  };
  std::array<Slot, kSlots> slots_{};
};

// The one table of the process (core/leftover_slots.cpp).
LeftoverSlots<std::filesystem::path::value_type>& Leftovers() noexcept;

}  // namespace verdin::platform
