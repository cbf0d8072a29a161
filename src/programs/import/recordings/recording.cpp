// Choosing the reader of a recording (see recording.h).
#include "programs/import/recordings/recording.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <functional>

#include "programs/import/sources/organ_archive.h"

namespace organ_import {

namespace {

using LibraryReader = std::function<std::optional<Recording>(bool& opened, std::string& error)>;

// What is wrong with the recording's first sample that is not a finite
// number, and when it comes; empty when every sample is one.
std::string firstBadSample(const Recording& recording)
{
    const auto bad = std::find_if(recording.frames.begin(), recording.frames.end(),
                                  [](float sample) { return !std::isfinite(sample); });
    if (bad == recording.frames.end()) return {};
    const std::size_t frame = static_cast<std::size_t>(bad - recording.frames.begin()) / 2;
    char text[120];
    std::snprintf(text, sizeof text, "a sample at %.3f s (frame %zu) is %s; the recording is damaged",
                  static_cast<double>(frame) / recording.sampleRate, frame,
                  std::isnan(*bad) ? "not a number (NaN)" : "infinite");
    return text;
}

// libsndfile first, WavPack when libsndfile cannot open the sound.
std::optional<Recording> readWithEither(const LibraryReader& sndfile, const LibraryReader& wavpack, std::string& error)
{
    bool opened = false;
    std::string sndfileError;
    std::optional<Recording> recording = sndfile(opened, sndfileError);
    if (!opened) {
        std::string wavpackError;
        recording = wavpack(opened, wavpackError);
        if (!opened)
            sndfileError = "not a sound file libsndfile or WavPack reads (" + sndfileError + ")";
        else
            sndfileError = wavpackError;
    }
    if (!recording) {
        error = sndfileError;
    } else if (recording->frames.empty() || recording->sampleRate < 1) {
        error = "it holds no sound";
        recording.reset();
    } else if (std::string bad = firstBadSample(*recording); !bad.empty()) {
        error = std::move(bad);
        recording.reset();
    }
    return recording;
}

}  // namespace

void appendStereo(Recording& recording, const float* interleaved, std::size_t frames, int channels)
{
    for (std::size_t frame = 0; frame < frames; ++frame) {
        const float* first = interleaved + frame * static_cast<std::size_t>(channels);
        recording.frames.push_back(first[0]);
        recording.frames.push_back(channels > 1 ? first[1] : first[0]);
    }
}

std::optional<Recording> readRecordingFile(const std::filesystem::path& path, std::string& error)
{
    return readWithEither([&](bool& opened, std::string& why) { return readWithSndfile(path, opened, why); },
                          [&](bool& opened, std::string& why) { return readWithWavpack(path, opened, why); }, error);
}

std::optional<Recording> readRecordingBytes(const std::vector<char>& bytes, const std::vector<char>* correction,
                                            std::string& error)
{
    return readWithEither(
        [&](bool& opened, std::string& why) { return readBytesWithSndfile(bytes, opened, why); },
        [&](bool& opened, std::string& why) { return readBytesWithWavpack(bytes, correction, opened, why); }, error);
}

std::optional<Recording> readRecording(const RecordingLocation& location, ArchiveReader& packages, std::string& error)
{
    if (location.organSample) return readOrganSample(location.file, error);
    if (!location.member.empty()) return packages.readRecording(location.file, location.member, error);
    return readRecordingFile(location.file, error);
}

}  // namespace organ_import
