// make_demo_organ OUTDIR: synthesises the Brimwell demo organ in the layout
// the organ loads: OUTDIR/BRIMWELL/<stop>/036-C.wav ... 096-C.wav, the button
// pictures in OUTDIR/BRIMWELL/boutons, the definition OUTDIR/BRIMWELL/
// Brimwell.org, and the empty working directory OUTDIR/Orgue beside it.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

#include "bank/key_numbering.h"
#include "bank/organ_bank.h"
#include "bank/wave_file.h"
#include "pipe_rank.h"
#include "pipe_synth.h"
#include "stops/stop_knob.h"

namespace fs = std::filesystem;

namespace {

bool writeRank(const fs::path& brimwell, const PipeRank& rank)
{
    const fs::path directory = brimwell / rank.name;
    fs::create_directories(directory);
    for (int key = 0; key < keyCount; ++key)
        if (!writeWaveFile(directory / sampleFileName(key), synthesizePipe(rank, key + firstMidiNote))) return false;
    return true;
}

bool writeButtons(const fs::path& brimwell)
{
    const fs::path directory = brimwell / "boutons";
    fs::create_directories(directory);
    return writeStopKnobFile(directory / "on.bmp", true) && writeStopKnobFile(directory / "of.bmp", false);
}

// One stop name per line, CR LF line ends, closed by "END". Written last, so
// a complete definition means a complete organ.
bool writeDefinition(const fs::path& path)
{
    std::ofstream file(path, std::ios::binary);
    for (const PipeRank& rank : demoRanks) file << rank.name << "\r\n";
    file << "END\r\n";
    return static_cast<bool>(file);
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_organ OUTDIR\n");
        return 2;
    }
    const fs::path root = argv[1];
    const fs::path brimwell = root / "BRIMWELL";
    std::error_code error;
    fs::create_directories(root / "Orgue", error);
    fs::create_directories(brimwell, error);
    if (error) {
        std::fprintf(stderr, "make_demo_organ: cannot create %s: %s\n", brimwell.string().c_str(), error.message().c_str());
        return 1;
    }
    for (const PipeRank& rank : demoRanks) {
        if (!writeRank(brimwell, rank)) {
            std::fprintf(stderr, "make_demo_organ: cannot write the samples of %s\n", rank.name);
            return 1;
        }
    }
    if (!writeButtons(brimwell) || !writeDefinition(brimwell / "Brimwell.org")) {
        std::fprintf(stderr, "make_demo_organ: cannot write into %s\n", brimwell.string().c_str());
        return 1;
    }
    return 0;
}
