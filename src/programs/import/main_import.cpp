// velmara-import --into BRIMWELL_DIR [--organ FILE.org] [--stop NAME]...
// [--name STOP] [--replace] [--gain DB] [--registration NAME=STOP+STOP+...]...
// [SOURCE...]: recorded organs and recordings of real pipes turned into
// stops the organ plays, and registrations of stops (--help says all).
#include <cstdio>
#include <string>

#include "programs/import/import_options.h"
#include "programs/import/import_run.h"
#include "programs/import/render/part_render.h"
#include "sound/voice_mixer.h"

int main(int argc, char** argv)
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
