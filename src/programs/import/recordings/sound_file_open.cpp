// Recordings opened by their paths (see sound_file_open.h).
#ifdef _WIN32
#include <windows.h>
#define ENABLE_SNDFILE_WINDOWS_PROTOTYPES 1
#endif

#include "programs/import/recordings/sound_file_open.h"

#include "programs/import/utf8_path.h"

namespace organ_import {

SNDFILE* openSoundFile(const std::filesystem::path& path, SF_INFO& info)
{
#ifdef _WIN32
    return sf_wchar_open(path.c_str(), SFM_READ, &info);
#else
    return sf_open(path.c_str(), SFM_READ, &info);
#endif
}

// WavPack takes the name as UTF-8 on Windows when told so, and as it is elsewhere.
WavpackContext* openWavpackFile(const std::filesystem::path& path, char* message, int flags)
{
    return WavpackOpenFileInput(utf8Of(path).c_str(), message, flags | OPEN_FILE_UTF8, 0);
}

}  // namespace organ_import
