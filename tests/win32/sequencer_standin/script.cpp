// Reading the stand-in's script: a directive word, a space, its argument.
#include "script.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>

namespace standin {

namespace {

// The N of "open N", a count from 1; 0 for anything else.
int openNumber(const std::string& argument)
{
    if (argument.rfind("open ", 0) != 0) return 0;
    char* end = nullptr;
    const long number = std::strtol(argument.c_str() + 5, &end, 10);
    return *end == '\0' && number > 0 && number < 1000 ? static_cast<int>(number) : 0;
}

void apply(Script& script, const std::string& word, const std::string& argument)
{
    if (word == "port")
        script.ports.push_back(argument);
    else if (word == "refuse" && openNumber(argument) > 0)
        script.refusedOpen = openNumber(argument);
    else if (word == "refuse" && argument == "connect")
        script.refuseConnect = true;
    else if (word == "events")
        script.events = argument;
    else if (word == "log")
        script.log = argument;
    else
        std::fprintf(stderr, "sequencer stand-in: unknown directive \"%s %s\"\n", word.c_str(), argument.c_str());
}

}  // namespace

Script readScript(const std::string& path)
{
    Script script;
    std::ifstream file(path);
    for (std::string line; std::getline(file, line);) {
        if (line.empty() || line[0] == '#') continue;
        const std::size_t space = line.find(' ');
        apply(script, line.substr(0, space), space == std::string::npos ? "" : line.substr(space + 1));
    }
    return script;
}

// Never destroyed: Wine's threads may still ask while the process exits.
const Script& script()
{
    static const Script* const read = [] {
        const char* path = std::getenv("VELMARA_SEQUENCER_SCRIPT");
        return new Script(path != nullptr ? readScript(path) : Script{});
    }();
    return *read;
}

}  // namespace standin
