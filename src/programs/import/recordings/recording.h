// A recording decoded to stereo floating point: libsndfile for what it
// reads, libwavpack for WavPack behind any extension, from a file or from
// bytes in memory (a member of an organ package), and the organ's own sample
// files as the organ plays them.
#pragma once

#include <cstddef>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "programs/import/import_plan.h"

namespace organ_import {

class ArchiveReader;

struct Recording {
    int sampleRate = 0;
    std::vector<float> frames;  // interleaved left/right; full scale is 1.0

    std::size_t frameCount() const { return frames.size() / 2; }
};

// The sound at the location, by the kind of place it is: a plain file of
// any format, a member of an organ package (read through `packages`), or an
// organ sample. Nothing, with error set to why, when it cannot be read as
// sound or holds none.
std::optional<Recording> readRecording(const RecordingLocation& location, ArchiveReader& packages, std::string& error);

// The sound of the file: mono on both sides, of more channels the first two.
// Nothing, with error set to why, when neither library reads the file as
// sound or it holds none.
std::optional<Recording> readRecordingFile(const std::filesystem::path& path, std::string& error);

// One of the organ's own sample files: from the first frame after the
// canonical header to the end of what the organ plays, 44,100 Hz, each value
// over 32,767. Nothing, with error set, when the file cannot be read, is not
// 44,100 Hz 16-bit stereo PCM or is shorter than the organ plays.
std::optional<Recording> readOrganSample(const std::filesystem::path& path, std::string& error);

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
