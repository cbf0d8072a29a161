// Names nobody can guess, for the private folders and files a run makes
// beside the user's: six letters or digits from the system's randomness.
#pragma once

#include <string>

namespace platform {

std::string randomLetters();

}  // namespace platform
