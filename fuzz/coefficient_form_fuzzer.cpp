// The coefficient window's state file: loaded against the demo database,
// then its ticked rows checked, multiplied and recorded, and saved and
// loaded again (what it writes it must read back and write again unchanged).
#include <cstddef>
#include <cstdint>
#include <string>

#include "core/app_state.h"
#include "core/cost_chain.h"
#include "core/item_input.h"
#include "forms/coefficient_form.h"
#include "norm_file_fuzzer.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace verdin;
  const NormStore& norms = fuzz::DemoNorms();
  const auto file = fuzz::WriteInput(kCoefficientFileName, data, size);
  RecordingMessages messages;
  const CoefficientForm form = LoadCoefficientForm(file, norms, messages);
  if (!CheckTickedCoefficients(form)) {
    try {
      (void)ChainedCost(1234.5, AppliedCoefficients(CoefficientRowsOf(form)));
    } catch (const PricingError&) {
      // an unticked row holding no number is refused, as the window refuses it
    }
  }
  if (!messages.entries.empty()) return 0;

  // What the window writes it must read back and write again unchanged.
  const auto saved = fuzz::TempFolder() / "saved.dat";
  RecordingMessages saving;
  if (!SaveCoefficientForm(form, saved, saving)) fuzz::Fail("the coefficient window could not be saved");
  const std::string first = fuzz::ReadBytes(saved);
  RecordingMessages reloading;
  const CoefficientForm again = LoadCoefficientForm(saved, norms, reloading);
  if (!reloading.entries.empty()) fuzz::Fail("a saved coefficient window does not load again");
  if (!SaveCoefficientForm(again, saved, saving)) fuzz::Fail("the coefficient window could not be saved again");
  if (fuzz::ReadBytes(saved) != first) fuzz::Fail("a saved coefficient window is written back different");
  return 0;
}
