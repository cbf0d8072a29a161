// Placing a folder's recordings on their notes (see stop_sources.h).
#include "programs/import/stop_sources.h"

#include <algorithm>
#include <cstdlib>

#include "programs/import/note_of_file_name.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

// The folder's visible files, sorted by name; nothing when it cannot be read.
std::optional<std::vector<fs::path>> filesOf(const fs::path& folder, std::string& error)
{
    std::error_code failure;
    std::vector<fs::path> files;
    for (fs::directory_iterator entry(folder, failure), end; !failure && entry != end; entry.increment(failure)) {
        const std::string name = entry->path().filename().string();
        std::error_code unreadable;
        if (!name.starts_with('.') && entry->is_regular_file(unreadable)) files.push_back(entry->path());
    }
    if (failure) {
        error = folder.string() + ": the folder cannot be read (" + failure.message() + ")";
        return std::nullopt;
    }
    std::sort(files.begin(), files.end());
    return files;
}

// Index of the recording nearest the note; of two as near, the lower.
int nearestRecording(const std::vector<SourceFile>& recordings, int midiNote)
{
    int best = 0;
    for (int i = 1; i < static_cast<int>(recordings.size()); ++i)
        if (std::abs(recordings[i].midiNote - midiNote) < std::abs(recordings[best].midiNote - midiNote)) best = i;
    return best;
}

}  // namespace

std::optional<StopSources> findStopSources(const fs::path& folder, std::string& error)
{
    const std::optional<std::vector<fs::path>> files = filesOf(folder, error);
    if (!files) return std::nullopt;
    StopSources sources{};
    for (const fs::path& file : *files) {
        const std::optional<int> note = midiNoteOfFileName(file.filename().string());
        if (note)
            sources.recordings.push_back({file, *note});
        else
            sources.unplaced.push_back(file);
    }
    std::stable_sort(sources.recordings.begin(), sources.recordings.end(),
                     [](const SourceFile& a, const SourceFile& b) { return a.midiNote < b.midiNote; });
    const auto twin =
        std::adjacent_find(sources.recordings.begin(), sources.recordings.end(),
                           [](const SourceFile& a, const SourceFile& b) { return a.midiNote == b.midiNote; });
    if (twin != sources.recordings.end()) {
        error = twin[1].path.string() + ": MIDI note " + std::to_string(twin->midiNote) + " is also " +
                twin->path.filename().string() + "; keep one recording per note in the folder";
        return std::nullopt;
    }
    if (sources.recordings.empty()) {
        error = folder.string() + ": no file named by its note (like 036-C.wav, 60.wav or C4.flac)";
        return std::nullopt;
    }
    for (int key = 0; key < keyCount; ++key)
        sources.sourceOfKey[key] = nearestRecording(sources.recordings, key + firstMidiNote);
    return sources;
}

}  // namespace organ_import
