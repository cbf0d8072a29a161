// Letter case of ASCII names, as Windows and the organ ignore it; other
// bytes are compared as they are. Shared by the POSIX path mapping and the
// importer.
#pragma once

#include <string>
#include <string_view>

namespace platform {

std::string lowerAscii(std::string_view text);

bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace platform
