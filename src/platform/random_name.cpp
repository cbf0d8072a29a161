// Six letters or digits nobody can guess (see random_name.h).
#include "platform/random_name.h"

#include <random>

namespace platform {

std::string randomLetters()
{
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    std::random_device source;
    std::uniform_int_distribution<std::size_t> pick(0, sizeof letters - 2);
    std::string name(6, 'a');
    for (char& letter : name) letter = letters[pick(source)];
    return name;
}

}  // namespace platform
