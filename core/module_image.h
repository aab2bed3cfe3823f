// A module's file checked before the system's loader maps it. The loader
// trusts the headers: a file cut short (an interrupted copy or update)
// is mapped as far as the headers claim, and the first touch of a missing
// page ends the process with SIGBUS. Every part the headers of an ELF or
// PE file place in the file must lie within it.
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace verdin {

// Why the file's bytes cannot be a whole module ("файл обрезан: …"), or
// nothing when the headers fit the file. Bytes of another kind are left to
// the loader, which refuses them with a message of its own.
std::optional<std::string> ModuleImageFault(std::string_view image);

}  // namespace verdin
