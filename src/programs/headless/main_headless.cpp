// velmara-headless SCENARIO: the real system on the headless host, driven by
// a scenario file (docs/SCENARIO.md).
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>

#include "platform/headless/event_log_headless.h"
#include "platform/posix/process_posix.h"
#include "programs/headless/scenario_runner.h"
#include "shell/velmara_main.h"

namespace {

void logExit(int code) { platform::headless::logEvent("exit " + std::to_string(code)); }

int fail(const std::string& message)
{
    std::fprintf(stderr, "%s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc != 2) return fail("usage: velmara-headless SCENARIO");
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) return fail(std::string("scenario: cannot read ") + argv[1]);
    const std::string text{std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>()};
    std::string error;
    auto scenario = headless_host::parseScenario(text, error);
    if (!scenario || !headless_host::applyConfiguration(*scenario, error)) return fail(error);
    platform::posix::setExitObserver(logExit);
    headless_host::startSteps(std::move(*scenario));
    const int code = velmaraMain();
    logExit(code);
    return code;
}
