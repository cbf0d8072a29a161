// velmara-import --into BRIMWELL_DIR [--organ FILE.org] [--stop NAME]...
// [--name STOP] [--replace] [--gain DB] [--registration NAME=STOP+STOP+...]...
// [SOURCE...]: recorded organs and recordings of real pipes turned into
// stops the organ plays, and registrations of stops (--help says all).
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#ifdef _WIN32
#include <windows.h>
#endif

#include "programs/import/import_options.h"
#include "programs/import/import_run.h"
#include "programs/import/render/part_render.h"
#include "sound/voice_mixer.h"

namespace {

int importWith(int argc, const char* const* argv)
{
    std::string error;
    const std::optional<organ_import::ImportOptions> options = organ_import::parseImportOptions(argc, argv, error);
    if (!options) {
        std::fprintf(stderr, "velmara-import: %s\nTry velmara-import --help.\n", error.c_str());
        return organ_import::statusUsage;
    }
    if (options->help) {
        std::fputs(organ_import::importHelp, stdout);
        return 0;
    }
    fillPolyphonyDivisor();
    organ_import::pinConverterEngine();
    return organ_import::runImport(*options);
}

}  // namespace

#ifdef _WIN32

namespace {

std::string utf8OfWide(const wchar_t* text)
{
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 1) return {};
    std::string utf8(static_cast<std::size_t>(size), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, utf8.data(), size, nullptr, nullptr);
    utf8.pop_back();
    return utf8;
}

UINT consoleCodePage = 0;

void restoreConsoleCodePage() { SetConsoleOutputCP(consoleCodePage); }

}  // namespace

// The command line arrives as UTF-16 and is turned into UTF-8 here, once; the
// console shows the UTF-8 the importer prints until the run ends.
int wmain(int argc, wchar_t** wideArgv)
{
    consoleCodePage = GetConsoleOutputCP();
    if (consoleCodePage != 0 && SetConsoleOutputCP(CP_UTF8)) std::atexit(restoreConsoleCodePage);
    std::vector<std::string> arguments;
    for (int i = 0; i < argc; ++i) arguments.push_back(utf8OfWide(wideArgv[i]));
    std::vector<const char*> argv;
    for (const std::string& argument : arguments) argv.push_back(argument.c_str());
    return importWith(argc, argv.data());
}

#else

int main(int argc, char** argv) { return importWith(argc, argv); }

#endif
