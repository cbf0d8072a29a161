// Letter case of ASCII names (see ascii_case.h).
#include "platform/ascii_case.h"

namespace platform {

namespace {

char lower(char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; }

}  // namespace

std::string lowerAscii(std::string_view text)
{
    std::string lowered(text);
    for (char& c : lowered) c = lower(c);
    return lowered;
}

bool equalIgnoringCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (lower(a[i]) != lower(b[i])) return false;
    return true;
}

}  // namespace platform
