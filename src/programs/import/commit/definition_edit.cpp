// Adding stops to an organ definition (see definition_edit.h).
#include "programs/import/commit/definition_edit.h"

#include <algorithm>
#include <cstring>
#include <memory>

#include "bank/text_scanner.h"
#include "platform/ascii_case.h"

namespace organ_import {

namespace {

struct ListedStops {
    std::vector<std::string> names;
    std::size_t endLine;  // where the "END" line starts, or the text's size
    bool hasEnd;
};

// The stop names of the text as the organ's definition reader takes them.
ListedStops listedStops(std::string_view text)
{
    TextScanner scanner;
    scanner.size = static_cast<std::int32_t>(text.size());
    scanner.text = std::make_unique<char[]>(text.size() + 1);
    std::memcpy(scanner.text.get(), text.data(), text.size());
    ListedStops listed{{}, text.size(), false};
    char token[tokenCapacity];
    while (!scanner.atEnd()) {
        const std::int32_t lineStart = scanner.pos;
        scanner.readToken(token);
        if (std::strcmp(token, "END") == 0) {
            listed.endLine = static_cast<std::size_t>(lineStart);
            listed.hasEnd = true;
            break;
        }
        listed.names.emplace_back(token);
        scanner.skipLine();
    }
    return listed;
}

}  // namespace

DefinitionEdit definitionWithStops(std::string_view existing, const std::vector<std::string>& names)
{
    ListedStops listed = listedStops(existing);
    DefinitionEdit edit{std::string(existing.substr(0, listed.endLine)), {}};
    if (!edit.text.empty() && edit.text.back() != '\n') edit.text += "\r\n";
    for (const std::string& name : names) {
        if (std::any_of(listed.names.begin(), listed.names.end(),
                        [&](const std::string& stop) { return platform::equalIgnoringCase(stop, name); }))
            continue;
        listed.names.push_back(name);
        edit.text += name + "\r\n";
    }
    edit.text += listed.hasEnd ? std::string(existing.substr(listed.endLine)) : std::string("END\r\n");
    edit.stops = std::move(listed.names);
    return edit;
}

}  // namespace organ_import
