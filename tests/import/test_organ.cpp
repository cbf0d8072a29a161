// The importer's test organ (see test_organ.h).
#include "test_organ.h"

#include <gtest/gtest.h>
#include <sndfile.h>

#include <cmath>
#include <cstdio>
#include <vector>

#include "import_support.h"
#include "support/fixtures.h"

namespace testorgan {

namespace fs = std::filesystem;

// The recordings are 0.5 cent sharp of equal temperament, a tuning of their own.
double recordedFrequency(int midiNote) { return importtest::noteFrequency(midiNote + 0.005); }

namespace {

int nearestRecording(int midiNote)
{
    int best = recordedNotes[0];
    for (int note : recordedNotes)
        if (std::abs(note - midiNote) < std::abs(best - midiNote)) best = note;
    return best;
}

// Pipe lines sounding MIDI note `first` + i for pipe i + 1, each from the
// nearest recording, `cents` away from equal temperament.
std::string pipeLines(int first, int count, int cents)
{
    std::string lines;
    for (int pipe = 1; pipe <= count; ++pipe) {
        const int note = first + pipe - 1, source = nearestRecording(note);
        char line[96];
        std::snprintf(line, sizeof line, "Pipe%03d=Pipes\\r%03d.wav\r\nPipe%03dPitchTuning=%d\r\n", pipe, source, pipe,
                      (note - source) * 100 + cents);
        lines += line;
    }
    return lines;
}

std::string pedalLines()
{
    std::string lines;
    for (int pipe = 1; pipe <= pedalKeys; ++pipe) {
        char line[40];
        std::snprintf(line, sizeof line, "Pipe%03d=REF:001:001:%03d\r\n", pipe, pipe);
        lines += line;
    }
    return lines;
}

}  // namespace

// The definition, in Windows-1252 with CR LF, as an organ's author writes it.
std::string testOrganDefinition()
{
    std::string text =
        "; A small organ for the importer's tests\r\n"
        "[Organ]\r\nChurchName=\xC9glise d'essai\r\nNumberOfManuals=1\r\nHasPedals=Y\r\nNumberOfRanks=2\r\n"
        "[Manual000]\r\nName=P\xE9"
        "dale\r\nNumberOfLogicalKeys=32\r\nFirstAccessibleKeyLogicalKeyNumber=1\r\n"
        "FirstAccessibleKeyMIDINoteNumber=36\r\nNumberOfAccessibleKeys=32\r\nNumberOfStops=1\r\nStop001=010\r\n"
        "[Manual001]\r\nName=Grand Orgue\r\nNumberOfLogicalKeys=73\r\nFirstAccessibleKeyLogicalKeyNumber=13\r\n"
        "FirstAccessibleKeyMIDINoteNumber=36\r\nNumberOfAccessibleKeys=61\r\nNumberOfStops=5\r\n"
        "Stop001=001\r\nStop002=002\r\nStop003=003\r\nStop004=004\r\nStop005=005\r\n";
    text += "[Stop001]\r\nName=Principal 8'\r\nNumberOfLogicalPipes=61\r\nNumberOfAccessiblePipes=61\r\n"
            "FirstAccessiblePipeLogicalKeyNumber=13\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\n" +
            pipeLines(36, 61, 0);
    text.insert(text.find("Pipe005=") + 8, "DUMMY\r\n;");
    text +=
        "[Stop002]\r\nName=Octave 4'\r\nAmplitudeLevel=50\r\nNumberOfLogicalPipes=61\r\nNumberOfAccessiblePipes=61\r\n"
        "FirstAccessiblePipeLogicalKeyNumber=13\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\n" +
        pipeLines(48, 61, 0);
    text +=
        "[Stop003]\r\nName=Mixture II\r\nNumberOfRanks=2\r\nRank001=001\r\nRank002=002\r\nRank002FirstPipeNumber=13\r\n"
        "NumberOfAccessiblePipes=61\r\nFirstAccessiblePipeLogicalKeyNumber=13\r\n";
    text += "[Rank001]\r\nName=Octave rank\r\nNumberOfLogicalPipes=61\r\n" + pipeLines(48, 61, 0);
    text += "[Rank002]\r\nName=Twelfth rank\r\nGain=-6\r\nNumberOfLogicalPipes=73\r\n" + pipeLines(43, 73, 0);
    text += "[Stop004]\r\nName=Cornet\r\nPitchTuning=100\r\nNumberOfLogicalPipes=37\r\nNumberOfAccessiblePipes=37\r\n"
            "FirstAccessiblePipeLogicalKeyNumber=37\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\n" +
            pipeLines(60, 37, -100);
    text += "[Stop005]\r\nName=Tremblant noise\r\nNumberOfLogicalPipes=1\r\nNumberOfAccessiblePipes=1\r\n"
            "FirstAccessiblePipeLogicalKeyNumber=13\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\nPipe001=Pipes\\r036."
            "wav\r\n";
    text += "[Stop010]\r\nName=Principal 8'\r\nNumberOfLogicalPipes=32\r\nNumberOfAccessiblePipes=32\r\n"
            "FirstAccessiblePipeLogicalKeyNumber=1\r\nFirstAccessiblePipeLogicalPipeNumber=1\r\n" +
            pedalLines();
    return text;
}

void writeTestOrgan(const fs::path& folder, const std::string& definition)
{
    fs::create_directories(folder / "Pipes");
    for (int note : recordedNotes) {
        const std::vector<float> mono = importtest::tone(48000, 1, recordedFrequency(note), recordedPeak, 0.1, 1.2, 0);
        char name[16];
        std::snprintf(name, sizeof name, "r%03d.wav", note);
        if (note == wavpackNote) {
            std::vector<float> stereo;
            for (float value : mono) stereo.insert(stereo.end(), {value, value});
            importtest::writeWavpack(folder / "Pipes" / name, 48000, stereo);
        } else {
            importtest::writeSndfile(folder / "Pipes" / name, SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1, mono);
        }
    }
    fixtures::writeFile(folder / "Test.organ", std::vector<std::uint8_t>(definition.begin(), definition.end()));
}

}  // namespace testorgan
