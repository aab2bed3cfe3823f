// The input-data file reader. A file it accepts is written, read again and
// written again: the two written files must be the same, byte for byte.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "core/app_state.h"
#include "core/line_file.h"
#include "forms/general_data_form.h"
#include "fuzz_support.h"
#include "isx/isx_file.h"

namespace {

const verdin::CalendarDate kToday{2026, 3, 14};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  using namespace verdin;
  const auto input = fuzz::WriteInput("input.isx", data, size);
  (void)IsIsxFileName(input.filename().string());
  try {
    (void)ReadIsxSummary(input);
  } catch (const IsxError&) {
  }

  IsxContent content;
  try {
    content = ReadIsx(input);
  } catch (const IsxError&) {
    return 0;
  }
  const auto first = fuzz::TempFolder() / "first.isx";
  WriteIsx({content.items, content.summary}, content.general, first);

  IsxContent again;
  try {
    again = ReadIsx(first);
  } catch (const IsxError& error) {
    std::fprintf(stderr, "%s\n", error.what());
    fuzz::Fail("a written input-data file is refused when read again");
  }
  const auto second = fuzz::TempFolder() / "second.isx";
  WriteIsx({again.items, again.summary}, again.general, second);
  if (fuzz::ReadBytes(first) != fuzz::ReadBytes(second)) {
    fuzz::Fail("an input-data file written, read and written again is not the same");
  }
  return 0;
}
