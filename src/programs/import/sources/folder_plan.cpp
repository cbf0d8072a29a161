// Planning a stop from a folder of recordings (see folder_plan.h).
#include "programs/import/sources/folder_plan.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <optional>
#include <vector>

#include "bank/organ_bank.h"
#include "programs/import/progress_bar.h"
#include "programs/import/recordings/recorded_pitch.h"
#include "programs/import/sources/folder_file_kind.h"
#include "programs/import/sources/note_of_file_name.h"

namespace organ_import {

namespace {

namespace fs = std::filesystem;

struct PlacedFile {
    fs::path path;
    int note;  // the MIDI note it serves as, sounding as recorded
};

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

bool hasFile(const std::vector<fs::path>& files, const fs::path& file)
{
    return std::find(files.begin(), files.end(), file) != files.end();
}

// The file on its note: the one its name gives, or else its smpl chunk's.
// Nothing, after saying why, for a file that is no recording of a note.
std::optional<PlacedFile> placeFile(const fs::path& file, const std::vector<fs::path>& files)
{
    const std::string name = file.filename().string();
    const FolderFileKind kind = folderFileKind(name);
    if (kind == FolderFileKind::sideFile) {
        warn(file.string() + ": a side file kept beside a recording (a second extension); left out");
        return std::nullopt;
    }
    if (kind == FolderFileKind::wavpackCorrection) {
        if (!hasFile(files, fs::path(file).replace_extension(".wv")))
            warn(file.string() + ": a WavPack correction file without its .wv; left out");
        return std::nullopt;
    }
    const std::optional<int> named = midiNoteOfFileName(name);
    const std::optional<int> note = named ? named : recordedNote(file);
    if (!note) {
        warn(file.string() + ": its name gives no note; left out");
        return std::nullopt;
    }
    return PlacedFile{file, *note};
}

// The files on their notes, by rising note; nothing, with error set, when
// two give the same note or none gives one.
std::optional<std::vector<PlacedFile>> placeFiles(const fs::path& folder, const std::vector<fs::path>& files,
                                                  std::string& error)
{
    std::vector<PlacedFile> placed;
    for (const fs::path& file : files)
        if (std::optional<PlacedFile> recording = placeFile(file, files)) placed.push_back(std::move(*recording));
    std::stable_sort(placed.begin(), placed.end(),
                     [](const PlacedFile& a, const PlacedFile& b) { return a.note < b.note; });
    const auto twin = std::adjacent_find(placed.begin(), placed.end(),
                                         [](const PlacedFile& a, const PlacedFile& b) { return a.note == b.note; });
    if (twin != placed.end())
        error = twin[1].path.string() + ": MIDI note " + std::to_string(twin->note) + " is also " +
                twin->path.filename().string() + "; keep one recording per note in the folder";
    else if (placed.empty())
        error = folder.string() + ": no file named by its note (like 036-C.wav, 60.wav or C4.flac)";
    if (!error.empty()) return std::nullopt;
    return placed;
}

// The recording nearest the note; of two as near, the lower.
const PlacedFile& nearestRecording(const std::vector<PlacedFile>& placed, int midiNote)
{
    const PlacedFile* best = &placed.front();
    for (const PlacedFile& file : placed)
        if (std::abs(file.note - midiNote) < std::abs(best->note - midiNote)) best = &file;
    return *best;
}

std::string originOf(const std::vector<PlacedFile>& placed)
{
    int farthestKey = 0, farthestShift = 0;
    const PlacedFile* farthestFrom = nullptr;
    for (int key = 0; key < keyCount; ++key) {
        const PlacedFile& source = nearestRecording(placed, key + firstMidiNote);
        const int shift = key + firstMidiNote - source.note;
        if (std::abs(shift) > std::abs(farthestShift)) farthestKey = key, farthestShift = shift, farthestFrom = &source;
    }
    std::string origin = std::to_string(placed.size()) + " recordings, ";
    if (farthestFrom == nullptr) return origin + "every key recorded";
    char shift[160];
    std::snprintf(shift, sizeof shift, "farthest shift %+d semitones (%s from %s)", farthestShift,
                  sampleFileName(farthestKey).c_str(), farthestFrom->path.filename().c_str());
    return origin + shift;
}

}  // namespace

bool planFolder(const fs::path& folder, StopPlan stop, ImportPlan& plan, std::string& error)
{
    const std::optional<std::vector<fs::path>> files = filesOf(folder, error);
    const std::optional<std::vector<PlacedFile>> placed = files ? placeFiles(folder, *files, error) : std::nullopt;
    if (!placed) return false;
    for (int key = 0; key < keyCount; ++key) {
        const PlacedFile& source = nearestRecording(*placed, key + firstMidiNote);
        const int recording = recordingIndex(plan, {source.path, {}, {}, false});
        stop.keys[key].push_back({recording, 100.0 * (key + firstMidiNote - source.note), 1.0});
    }
    stop.origin = originOf(*placed);
    plan.stops.push_back(std::move(stop));
    return true;
}

}  // namespace organ_import
