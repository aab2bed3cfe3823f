#include "workbook/xls_container.h"

#include <gsf/gsf-outfile-msole.h>
#include <gsf/gsf-outfile.h>
#include <gsf/gsf-output-memory.h>
#include <gsf/gsf-output.h>
#include <gsf/gsf-utils.h>

#include <memory>
#include <mutex>
#include <new>

namespace verdin {
namespace {

template <typename T>
struct GObjectUnref {
  void operator()(T* object) const {
    if (object != nullptr) g_object_unref(object);
  }
};
template <typename T>
using GObjectPtr = std::unique_ptr<T, GObjectUnref<T>>;

struct GErrorFree {
  void operator()(GError* error) const { g_error_free(error); }
};

// A failed libgsf call, with the library's own words when it left some.
[[noreturn]] void GsfFailure(GsfOutput* output) {
  const GError* error = output != nullptr ? gsf_output_error(output) : nullptr;
  std::string reason = "ошибка записи";
  if (error != nullptr && error->message != nullptr) reason += std::string(" (") + error->message + ")";
  throw ContainerFailure(reason);
}

// Runs one libgsf step that reports failure by returning FALSE.
template <typename Step>
void Checked(GsfOutput* output, Step step) {
  if (!step()) GsfFailure(output);
}

}  // namespace

std::string WorkbookContainer(std::string_view workbook) {
  static std::once_flag initialized;
  std::call_once(initialized, [] { gsf_init(); });

  GObjectPtr<GsfOutput> sink(gsf_output_memory_new());
  if (!sink) throw std::bad_alloc();
  GObjectPtr<GsfOutfile> container(gsf_outfile_msole_new(sink.get()));
  if (!container) GsfFailure(sink.get());
  GsfOutput* const containerOutput = GSF_OUTPUT(container.get());
  GObjectPtr<GsfOutput> stream(gsf_outfile_new_child(container.get(), "Workbook", FALSE));
  if (!stream) GsfFailure(containerOutput);

  Checked(stream.get(), [&] {
    return gsf_output_write(stream.get(), workbook.size(), reinterpret_cast<const guint8*>(workbook.data()));
  });
  Checked(stream.get(), [&] { return gsf_output_close(stream.get()); });
  Checked(containerOutput, [&] { return gsf_output_close(containerOutput); });
  if (!gsf_output_is_closed(sink.get())) Checked(sink.get(), [&] { return gsf_output_close(sink.get()); });
  const guint8* bytes = gsf_output_memory_get_bytes(GSF_OUTPUT_MEMORY(sink.get()));
  const auto size = static_cast<std::size_t>(gsf_output_size(sink.get()));
  return std::string(reinterpret_cast<const char*>(bytes), size);
}

}  // namespace verdin
