// Choosing the reader of a recording (see recording.h).
#include "programs/import/recording.h"

namespace organ_import {

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
    bool opened = false;
    std::string sndfileError;
    std::optional<Recording> recording = readWithSndfile(path, opened, sndfileError);
    if (!opened) {
        std::string wavpackError;
        recording = readWithWavpack(path, opened, wavpackError);
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
    }
    return recording;
}

std::optional<Recording> readRecording(const RecordingLocation& location, std::string& error)
{
    if (location.organSample) return readOrganSample(location.file, error);
    return readRecordingFile(location.file, error);
}

}  // namespace organ_import
