// JACK port names and aliases are UTF-8; the system compares Windows-1252
// bytes, so a UTF-8 alias of an accepted name must arrive as those bytes.
#include <gtest/gtest.h>

#include "platform/jack/windows1252.h"

namespace {

using platform::jack::toWindows1252;

TEST(JackNames, Utf8NamesBecomeWindows1252Bytes)
{
    EXPECT_EQ(toWindows1252("Axiom Pro 61 USB A In"), "Axiom Pro 61 USB A In");
    EXPECT_EQ(toWindows1252("P\xC3\xA9riph\xC3\xA9rique audio USB"), "P\xE9riph\xE9rique audio USB");
    EXPECT_EQ(toWindows1252("\xE2\x82\xAC \xC5\x92 \xE2\x84\xA2"), "\x80 \x8C \x99");
}

TEST(JackNames, OtherNamesStayAsTheyAre)
{
    // Already Windows-1252, a character the code page lacks, a C1 control,
    // an overlong form, a cut sequence.
    for (const char* name : {"P\xE9riph\xE9rique", "MIDI \xE6\x97\xA5", "\xC2\x81", "\xC0\xAF", "USB \xC3"})
        EXPECT_EQ(toWindows1252(name), name);
}

}  // namespace
