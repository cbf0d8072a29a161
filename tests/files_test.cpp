// Mapping of Windows-written paths onto the host file system.
#include <gtest/gtest.h>

#include <filesystem>

#include "platform/files.h"
#include "support/fixtures.h"

namespace {

namespace fs = std::filesystem;

TEST(HostPath, BackslashesAndDoubledSeparatorsReachTheSameFile)
{
    fixtures::OrganDirectory organ;
    fixtures::writeFile(organ.brimwell / "Stop1" / "037-C#.wav", {'R', 'I'});
    fixtures::writeFile(organ.brimwell / "boutons" / "on.bmp", {'B', 'M'});

    EXPECT_EQ(platform::hostPath("..\\BRIMWELL\\Stop1\\037-C#.wav"), "../BRIMWELL/Stop1/037-C#.wav");
    EXPECT_EQ(platform::hostPath("..//brimwell//boutons//on.bmp"), "../BRIMWELL/boutons/on.bmp");
    EXPECT_TRUE(fs::exists(platform::hostPath("..//brimwell//boutons//on.bmp")));
}

TEST(HostPath, ComponentsMatchIgnoringCaseOnlyWhenMissingAsWritten)
{
    fixtures::OrganDirectory organ;
    fixtures::writeFile(organ.brimwell / "Flute" / "a.wav", {1});
    fixtures::writeFile(organ.brimwell / "FLUTE" / "a.wav", {2});

    EXPECT_EQ(platform::hostPath("..\\BRIMWELL\\FLUTE\\A.WAV"), "../BRIMWELL/FLUTE/a.wav");
    EXPECT_EQ(platform::hostPath("..\\BRIMWELL\\Flute\\a.wav"), "../BRIMWELL/Flute/a.wav");
}

TEST(HostPath, SpacesDotsAndMissingFilesKeepTheirMeaning)
{
    fixtures::OrganDirectory organ;
    fixtures::writeFile(organ.brimwell / " Montre 8 " / "036-C.wav", {1});

    EXPECT_EQ(platform::hostPath("..\\brimwell\\ montre 8 \\036-c.wav"), "../BRIMWELL/ Montre 8 /036-C.wav");
    EXPECT_EQ(platform::hostPath(".\\..\\BRIMWELL\\.\\missing\\x.wav"), "./../BRIMWELL/./missing/x.wav");
    EXPECT_EQ(platform::hostPath(""), "");
}

TEST(HostPath, AbsolutePathsStayAbsolute)
{
    fixtures::OrganDirectory organ;
    fixtures::writeFile(organ.brimwell / "demo.org", {'E'});
    const std::string upper = (organ.root / "brimwell" / "DEMO.ORG").string();

    EXPECT_EQ(platform::hostPath(upper), (organ.brimwell / "demo.org").string());
    EXPECT_EQ(platform::hostPath("\\\\"), "/");
}

}  // namespace
