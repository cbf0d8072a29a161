// A recording decoded to stereo floating point: libsndfile for what it
// reads, libwavpack for WavPack behind any extension; from a file or from
// bytes in memory (a member of an organ package).
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace organ_import {

struct Recording {
    int sampleRate = 0;
    std::vector<float> frames;  // interleaved left/right; full scale is 1.0

    std::size_t frameCount() const { return frames.size() / 2; }
};

// The sound of the file: mono on both sides, of more channels the first two.
// Nothing, with error set to why, when neither library reads the file as
// sound or it holds none.
std::optional<Recording> readRecording(const std::filesystem::path& path, std::string& error);

// The same for a file's bytes in memory, with the bytes of its WavPack
// correction file when it has one (else nullptr).
std::optional<Recording> readRecordingBytes(const std::vector<char>& bytes, const std::vector<char>* correction,
                                            std::string& error);

// The library readers: nothing, with error set, when the library cannot open
// the file (opened false) or fails while decoding it (opened true).
std::optional<Recording> readWithSndfile(const std::filesystem::path& path, bool& opened, std::string& error);
std::optional<Recording> readWithWavpack(const std::filesystem::path& path, bool& opened, std::string& error);
std::optional<Recording> readBytesWithSndfile(const std::vector<char>& bytes, bool& opened, std::string& error);
std::optional<Recording> readBytesWithWavpack(const std::vector<char>& bytes, const std::vector<char>* correction,
                                              bool& opened, std::string& error);

// Appends frames of the given channel count to the recording as stereo.
void appendStereo(Recording& recording, const float* interleaved, std::size_t frames, int channels);

}  // namespace organ_import
