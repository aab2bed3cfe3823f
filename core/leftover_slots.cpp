#include "core/leftover_slots.h"

#include "core/platform_files.h"

namespace verdin::platform {

LeftoverSlots<std::filesystem::path::value_type>& Leftovers() noexcept {
  // Static by necessity: a signal handler has no other way to reach it.
  static LeftoverSlots<std::filesystem::path::value_type> slots;
  return slots;
}

RemovedOnSignal::RemovedOnSignal(const std::filesystem::path& path, bool folder) noexcept
    : slot_(Leftovers().Take(path, folder)) {
  // A writer module has a table of its own, which its own handler serves.
  RemoveLeftoversOnSignals();
}

RemovedOnSignal& RemovedOnSignal::operator=(RemovedOnSignal&& other) noexcept {
  if (this != &other) {
    Leftovers().Give(slot_);
    slot_ = std::exchange(other.slot_, -1);
  }
  return *this;
}

RemovedOnSignal::~RemovedOnSignal() { Leftovers().Give(slot_); }

}  // namespace verdin::platform
