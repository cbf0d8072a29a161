// Adding stops to an organ definition, read as the organ reads it.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace organ_import {

struct DefinitionEdit {
    std::string text;                // the new definition
    std::vector<std::string> stops;  // the names it lists before its "END", in order
};

// The existing definition (empty for a new one) with each name it does not
// list yet (in any ASCII letter case: the organ finds a listed stop's folder
// ignoring it) added, in order, before its "END" line, each followed by CR LF;
// a definition without "END" gets one after them. Everything else of the
// text is kept byte for byte.
DefinitionEdit definitionWithStops(std::string_view existing, const std::vector<std::string>& names);

}  // namespace organ_import
