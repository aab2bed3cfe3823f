// The general-data window's state file: loaded, its rates checked and taken
// into the tables, and saved and loaded again (what it writes it must
// read back and write again unchanged).
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "forms/general_data_form.h"
#include "fuzz_support.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace verdin;
  const CalendarDate today{2026, 3, 14};
  const auto file = fuzz::WriteInput(kGeneralDataFileName, data, size);
  RecordingMessages messages;
  const GeneralDataForm form = LoadGeneralDataForm(file, today, messages);
  if (!CheckChargeRates(form)) {
    GeneralData general;
    TakeObD(form, general);
  }
  if (!messages.entries.empty()) return 0;

  // What the window writes it must read back and write again unchanged.
  const auto saved = fuzz::TempFolder() / "saved.dat";
  RecordingMessages saving;
  if (!SaveGeneralDataForm(form, saved, saving)) fuzz::Fail("the general-data window could not be saved");
  const std::string first = fuzz::ReadBytes(saved);
  RecordingMessages reloading;
  const GeneralDataForm again = LoadGeneralDataForm(saved, today, reloading);
  if (!reloading.entries.empty()) fuzz::Fail("a saved general-data window does not load again");
  if (!SaveGeneralDataForm(again, saved, saving)) fuzz::Fail("the general-data window could not be saved again");
  if (fuzz::ReadBytes(saved) != first) fuzz::Fail("a saved general-data window is written back different");
  return 0;
}
