// Paths on Windows: the system's paths are Windows paths already.
#include <string>
#include <string_view>

#include "platform/files.h"

namespace platform {

std::string hostPath(std::string_view windowsPath) { return std::string(windowsPath); }

}  // namespace platform
