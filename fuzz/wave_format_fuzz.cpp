// libFuzzer target: arbitrary bytes as a RIFF/WAVE image whose chunks are
// walked for the format chunk and for where the sound begins, as the bank
// does with every sample it loads.
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <vector>

#include "bank/wave_file.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    // An exact-size copy, so reading one byte past the image is caught.
    std::vector<std::uint8_t> image(data, data + size);
    if (const auto format = readWaveFormat(image.data(), image.size())) {
        const std::string text = describeWaveFormat(*format);
        if (text.empty() || (isOrganFormat(*format) && text != "44100 Hz, 16-bit, 2 channels")) __builtin_trap();
    }
    // The sound begins after a whole "data" chunk header inside the image.
    if (const auto sound = waveSoundOffset(image.data(), image.size())) {
        if (*sound < 20 || *sound > size || std::memcmp(image.data() + *sound - 8, "data", 4) != 0) __builtin_trap();
    }
    return 0;
}
