// libFuzzer target: arbitrary bytes as the sound of one sample file, read by
// loadWaveImage and played by a key press and release through the mixer.
// The harness puts the organ's own 44-byte header before them and keeps the
// file at least the shortest accepted size, so the refusal of other files
// does not end the run.
#include <cstdint>
#include <string>
#include <vector>

#include "bank/organ_bank.h"
#include "display/graphics.h"
#include "fuzz_files.h"
#include "platform/cairo/surface_cairo.h"
#include "sound/voice_mixer.h"
#include "sound/wave_output.h"
#include "support/fixtures.h"

namespace {

std::string samplePathOnHost;

// The header of a 44,100 Hz 16-bit stereo file, then the input repeated up
// to minSampleBytes when it is shorter.
void writeSample(const std::uint8_t* data, std::size_t size)
{
    std::vector<std::uint8_t> image = fixtures::waveImage({});
    while (size > 0 && image.size() < static_cast<std::size_t>(minSampleBytes)) image.insert(image.end(), data, data + size);
    if (image.size() < static_cast<std::size_t>(minSampleBytes)) image.resize(static_cast<std::size_t>(minSampleBytes), 0);
    fixtures::writeFile(samplePathOnHost, image);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    createFonts();
    createBrushesAndPens();
    drawingContext = platform::cairo::beginSurfacePaint(palette[15]);
    fillPolyphonyDivisor();
    openWaveOutput();
    samplePathOnHost = temporaryFuzzFile(".wav");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const int key = size > 0 ? data[0] % keyCount : 0;
    writeSample(data, size);

    std::int32_t bytes = 0;
    SampleBuffer image = loadWaveImage(samplePathOnHost.c_str(), bytes);
    if (image == nullptr) return 0;
    organBank.sampleData[0][key] = std::move(image);
    organBank.sampleSize[0][key] = bytes;

    prepareMix();
    polyphony = 0;
    const int offset = size > 1 ? data[1] % (bytes - mixLength + 1) : 0;
    keyDown(0, key, offset);
    playMix();
    keyUp(0, key);
    playMix();
    return 0;
}
