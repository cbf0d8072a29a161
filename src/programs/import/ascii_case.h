// Letter case of ASCII names, as Windows and the organ ignore it; other
// bytes are compared as they are.
#pragma once

#include <string>
#include <string_view>

namespace organ_import {

std::string lowerAscii(std::string_view text);

bool equalIgnoringCase(std::string_view a, std::string_view b);

}  // namespace organ_import
