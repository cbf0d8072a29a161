// Windows-1252 text and UTF-8, both ways: the system's texts shown by
// cairo and GTK, and JACK's UTF-8 port names compared with the system's.
#include <gtest/gtest.h>

#include "platform/windows1252.h"

namespace {

TEST(Windows1252, TextBecomesUtf8UnlessItIsUtf8Already)
{
    using platform::textToUtf8;
    EXPECT_EQ(textToUtf8("Pour d\xE9marrer"), "Pour d\xC3\xA9marrer");
    EXPECT_EQ(textToUtf8("\x80\x93\x81"), "\xE2\x82\xAC\xE2\x80\x9C\xC2\x81");
    EXPECT_EQ(textToUtf8("R\xC3\xA9gale 8"), "R\xC3\xA9gale 8");
    EXPECT_EQ(textToUtf8("\xC3"), "\xC3\x83");
}

// Only well-formed UTF-8 is kept: longer sequences at the edges of their
// ranges, and overlong, surrogate, out-of-range or cut sequences read as
// Windows-1252 instead.
TEST(Windows1252, Utf8SequencesOfThreeAndFourBytesAreCheckedWhole)
{
    using platform::textToUtf8;
    EXPECT_EQ(textToUtf8("Cornet \xE2\x82\xAC"), "Cornet \xE2\x82\xAC");
    EXPECT_EQ(textToUtf8("\xF0\x9F\x8E\xB5 8"), "\xF0\x9F\x8E\xB5 8");
    EXPECT_EQ(textToUtf8("\xE0\x80\x80"), "\xC3\xA0\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(textToUtf8("\xED\xA0\x80"), "\xC3\xAD\xC2\xA0\xE2\x82\xAC");
    EXPECT_EQ(textToUtf8("\xF4\x90\x80\x80"), "\xC3\xB4\xC2\x90\xE2\x82\xAC\xE2\x82\xAC");
    EXPECT_EQ(textToUtf8("\xE2\x82"), "\xC3\xA2\xE2\x80\x9A");
    EXPECT_EQ(textToUtf8("\xE2\x82\x41"), "\xC3\xA2\xE2\x80\x9A" "A");
}

TEST(Windows1252, Utf8NamesBecomeWindows1252Bytes)
{
    using platform::toWindows1252;
    EXPECT_EQ(toWindows1252("Axiom Pro 61 USB A In"), "Axiom Pro 61 USB A In");
    EXPECT_EQ(toWindows1252("P\xC3\xA9riph\xC3\xA9rique audio USB"), "P\xE9riph\xE9rique audio USB");
    EXPECT_EQ(toWindows1252("\xE2\x82\xAC \xC5\x92 \xE2\x84\xA2"), "\x80 \x8C \x99");
    // The five bytes the code page leaves undefined stand for the C1
    // controls of their number, both ways.
    EXPECT_EQ(toWindows1252("\xC2\x81"), "\x81");
}

TEST(Windows1252, OtherNamesStayAsTheyAre)
{
    using platform::toWindows1252;
    // Already Windows-1252, a character the code page lacks, an overlong
    // form, a cut sequence.
    for (const char* name : {"P\xE9riph\xE9rique", "MIDI \xE6\x97\xA5", "\xC0\xAF", "USB \xC3"})
        EXPECT_EQ(toWindows1252(name), name);
    EXPECT_EQ(platform::utf8ToWindows1252("MIDI \xE6\x97\xA5"), std::nullopt);
}

}  // namespace
