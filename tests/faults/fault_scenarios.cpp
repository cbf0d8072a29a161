// The four imports the fault tests break (see fault_scenarios.h).
#include "fault_scenarios.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include "bank/organ_bank.h"
#include "import_support.h"

namespace faulttest {

namespace fs = std::filesystem;

namespace {

// A stop already in BRIMWELL_DIR, every sample one constant level.
void writeStoredStop(const fixtures::OrganDirectory& organ, const std::string& name, bool loud)
{
    fixtures::writeStop(organ, name,
                        fixtures::waveImageOfSize(
                            minSampleBytes, loud ? [](std::size_t) { return std::int16_t{900}; }
                                                 : [](std::size_t) { return std::int16_t{300}; }));
}

void writeDefinition(const fixtures::OrganDirectory& organ, const char* file, const std::string& text)
{
    fixtures::writeFile(organ.brimwell / file, {text.begin(), text.end()});
}

void writeRecording(const fs::path& file, int midiNote)
{
    importtest::writeSndfile(file, SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1,
                             importtest::tone(44100, 1, importtest::noteFrequency(midiNote), 0.3, 0.05, 0.7, 0));
}

// Chapelle: one manual, two stops of two pipes each, packed as an .orgue.
fs::path writeOrganPackage(const fixtures::OrganDirectory& organ)
{
    const fs::path folder = organ.root / "Chapelle";
    fs::create_directories(folder / "pipes");
    writeRecording(folder / "pipes" / "036.wav", 36);
    writeRecording(folder / "pipes" / "048.wav", 48);
    std::string text = "[Organ]\r\nChurchName=Chapelle\r\nNumberOfManuals=1\r\nHasPedals=N\r\n"
                       "[Manual001]\r\nName=Manuel\r\nNumberOfLogicalKeys=61\r\n"
                       "FirstAccessibleKeyLogicalKeyNumber=1\r\nFirstAccessibleKeyMIDINoteNumber=36\r\n"
                       "NumberOfAccessibleKeys=61\r\nNumberOfStops=2\r\nStop001=001\r\nStop002=002\r\n";
    for (const char* stop : {"[Stop001]\r\nName=Bourdon\r\n", "[Stop002]\r\nName=Prestant\r\n"})
        text += std::string(stop) +
                "NumberOfLogicalPipes=2\r\nNumberOfAccessiblePipes=2\r\nFirstAccessiblePipeLogicalKeyNumber=1\r\n"
                "FirstAccessiblePipeLogicalPipeNumber=1\r\nPipe001=pipes\\036.wav\r\nPipe002=pipes\\048.wav\r\n"
                "Pipe002PitchTuning=-1100\r\n";
    fixtures::writeFile(folder / "Test.organ", {text.begin(), text.end()});
    fs::path package = organ.root / "Chapelle.orgue";
    importtest::writePackage(folder, package);
    return package;
}

std::vector<std::string> newStopFromAFolder(const fixtures::OrganDirectory& organ)
{
    writeStoredStop(organ, "Flute", false);
    writeDefinition(organ, "Imported.org", "Flute\r\nEND\r\n");
    const fs::path montre = organ.root / "recordings" / "Montre";
    fs::create_directories(montre);
    for (int note = 36; note <= 96; ++note) writeRecording(montre / (std::to_string(note) + ".wav"), note);
    return {"--into", organ.brimwell.string(), montre.string()};
}

// The organ imported once at -6 dB, then its Bourdon again at the gain of its own.
std::vector<std::string> stopReplaced(const fixtures::OrganDirectory& organ)
{
    const std::string package = writeOrganPackage(organ).string(), into = organ.brimwell.string();
    const importtest::Outcome earlier = importtest::runImport({"--into", into, "--gain", "-6", package});
    EXPECT_EQ(earlier.status, 0) << earlier.err;
    return {"--into", into, "--replace", "--stop", "Bourdon", package};
}

std::vector<std::string> organPackage(const fixtures::OrganDirectory& organ)
{
    writeStoredStop(organ, "Flute", false);
    fixtures::writeButtons(organ);
    writeDefinition(organ, "Imported.org", "Flute\r\nEND\r\n");
    return {"--into", organ.brimwell.string(), writeOrganPackage(organ).string()};
}

std::vector<std::string> registration(const fixtures::OrganDirectory& organ)
{
    writeStoredStop(organ, "Flute", false);
    writeStoredStop(organ, "Montre", true);
    fixtures::writeButtons(organ);
    writeDefinition(organ, "Imported.org", "Flute\r\nMontre\r\nEND\r\n");
    return {"--into", organ.brimwell.string(), "--registration", "Plenum=Montre+Flute"};
}

}  // namespace

const Scenario scenarios[4] = {
    {"NewStopFromAFolder", "Imported.org", false, newStopFromAFolder},
    {"StopReplacedFromAnOrganPackage", "Chapelle.org", true, stopReplaced},
    {"OrganPackage", "Chapelle.org", false, organPackage},
    {"RegistrationOfStoredStops", "Imported.org", false, registration},
};

void PrintTo(const Scenario& scenario, std::ostream* out) { *out << scenario.name; }

}  // namespace faulttest
