// velmara-import broken at its file-changing calls, on four imports: every
// call from the first that touches BRIMWELL_DIR outside the staging folder
// on (and an even sample of those before) fails with EIO, fails with ENOSPC,
// or has the process killed just before it. After a failure BRIMWELL_DIR is
// exactly as before or as after, as the exit status says; after a kill the
// definition lists only stops that are whole, and the same command run
// again leaves it exactly as after. Runs again after kills that left the
// same tree (temporary names aside) are made once.
#include <gtest/gtest.h>

#include <chrono>
#include <fstream>
#include <map>
#include <set>

#include "fault_scenarios.h"
#include "folder_tree.h"
#include "import_support.h"
#include "outcome_checks.h"

namespace {

namespace fs = std::filesystem;
using faulttest::Scenario;
using faulttest::States;
using faulttest::Tree;
using faulttest::treeOf;

constexpr const char* faults[] = {"eio", "enospc", "kill"};
constexpr long pointsBeforeTheCommit = 8;  // spread evenly over the calls that only stage
constexpr std::size_t findingsShown = 4;   // runs of calls with the same fault

struct Call {
    std::string text;              // the call and its paths, relative to BRIMWELL_DIR within it
    bool touchesBrimwell = false;  // something in it outside the staging folder and the lock
};

// The calls a clean run logged, by number from 1.
std::vector<Call> loggedCalls(const fs::path& log, const fs::path& brimwell)
{
    const std::string inside = brimwell.string() + "/";
    std::vector<Call> calls;
    std::ifstream in(log);
    for (std::string line; std::getline(in, line);) {
        Call call;
        std::size_t at = line.find('\t') + 1;
        for (std::size_t end = 0; at != 0; at = end + 1) {
            end = line.find('\t', at);
            std::string part = line.substr(at, end - at);
            if (part.starts_with(inside)) {
                part = part.substr(inside.size());
                call.touchesBrimwell = call.touchesBrimwell || !part.starts_with(".velmara-import");
            }
            call.text += (call.text.empty() ? "" : " ") + part;
            if (end == std::string::npos) break;
        }
        calls.push_back(call);
    }
    return calls;
}

// Every call from the commit on, and an even sample of those before it.
std::vector<long> chosenCalls(long commit, long total)
{
    std::set<long> chosen;
    for (long i = 0; i < pointsBeforeTheCommit; ++i) chosen.insert(1 + i * (commit - 1) / pointsBeforeTheCommit);
    for (long n = commit; n <= total; ++n) chosen.insert(n);
    return {chosen.begin(), chosen.end()};
}

// Consecutive calls at which a fault leaves the same thing wrong.
struct Finding {
    long first, last;
    std::string what;
};

void addFinding(std::vector<Finding>& findings, long call, const std::string& what)
{
    if (!findings.empty() && findings.back().last + 1 == call &&
        faulttest::withoutRandomParts(findings.back().what) == faulttest::withoutRandomParts(what))
        findings.back().last = call;
    else
        findings.push_back({call, call, what});
}

std::string withBrimwellNamed(std::string text, const std::string& brimwell)
{
    for (std::size_t at = text.find(brimwell); at != std::string::npos; at = text.find(brimwell, at))
        text.replace(at, brimwell.size(), "BRIMWELL_DIR");
    return text;
}

class ImportFaults : public testing::TestWithParam<Scenario> {
protected:
    void SetUp() override
    {
        // One worker: the calls come in one order, run after run.
        ::setenv("VELMARA_IMPORT_WORKERS", "1", 1);
        arguments = GetParam().prepare(organ);
        states.before = treeOf(organ.brimwell);
        fs::copy(organ.brimwell, organ.root / "before", fs::copy_options::recursive | fs::copy_options::copy_symlinks);
        fs::create_directory(scratch);
        const importtest::Outcome clean =
            importtest::runImport(arguments, {std::string("LD_PRELOAD=") + FAULT_INJECTOR,
                                              "VELMARA_FAULT_LOG=" + (scratch / "log").string()});
        ASSERT_EQ(clean.status, 0) << clean.err;
        states.after = treeOf(organ.brimwell);
        calls = loggedCalls(scratch / "log", fs::canonical(organ.brimwell));
        const auto commit =
            std::find_if(calls.begin(), calls.end(), [](const Call& call) { return call.touchesBrimwell; });
        ASSERT_NE(commit, calls.end()) << "the clean run never touched BRIMWELL_DIR";
        commitCall = commit - calls.begin() + 1;
        restoreBefore();
    }

    // BRIMWELL_DIR as before, its files hard links to the kept copy: the
    // importer replaces files, it never writes into them.
    void restoreBefore() const
    {
        fs::remove_all(organ.brimwell);
        faulttest::linkCopy(organ.root / "before", organ.brimwell);
    }

    // What is wrong after the import with the fault at call n, or nothing.
    std::string broken(long n, const std::string& fault)
    {
        restoreBefore();
        const importtest::Outcome run =
            importtest::runImport(arguments, {std::string("LD_PRELOAD=") + FAULT_INJECTOR,
                                              "VELMARA_FAULT_AT=" + std::to_string(n), "VELMARA_FAULT_MODE=" + fault});
        const Tree tree = treeOf(organ.brimwell);
        if (fault != "kill") return faulttest::afterFailure(run.status, run.err, tree, states);
        const std::string killed = faulttest::afterKill(run.status, tree, GetParam(), states);
        const std::string rerun = rerunAfter(tree);
        return killed + (killed.empty() || rerun.empty() ? "" : "; ") + rerun;
    }

    // The same command run again on what a kill left, once per tree.
    std::string rerunAfter(const Tree& killed)
    {
        const auto [known, fresh] = reruns.try_emplace(faulttest::fingerprint(killed));
        if (fresh) {
            const importtest::Outcome again = importtest::runImport(arguments);
            known->second = faulttest::afterRerun(again.status, again.err, treeOf(organ.brimwell), GetParam(), states);
        }
        return known->second;
    }

    fixtures::OrganDirectory organ;
    fs::path scratch = organ.root / "scratch";
    std::vector<std::string> arguments;
    States states;
    std::vector<Call> calls;
    long commitCall = 0;                        // the first call that touches BRIMWELL_DIR outside the staging folder
    std::map<std::size_t, std::string> reruns;  // by the fingerprint of the tree a kill left
};

TEST_P(ImportFaults, EveryBrokenOrKilledCallLeavesBrimwellAsBeforeOrAsAfter)
{
    const auto started = std::chrono::steady_clock::now();
    const long total = static_cast<long>(calls.size());
    const std::vector<long> chosen = chosenCalls(commitCall, total);

    std::map<std::string, std::vector<Finding>> findings;
    std::map<std::string, int> failing;
    for (const long n : chosen) {
        for (const std::string fault : faults) {
            const std::string what = broken(n, fault);
            if (what.empty()) continue;
            ++failing[fault];
            addFinding(findings[fault], n, withBrimwellNamed(what, organ.brimwell.string()));
        }
    }

    const auto seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    std::printf("%s: %ld calls, the commit from call %ld (%s); %zu calls broken three ways: %zu injected runs, "
                "%zu runs again after kills; %.1f s\n",
                GetParam().name, total, commitCall, calls[commitCall - 1].text.c_str(), chosen.size(),
                3 * chosen.size(), reruns.size(), seconds);
    for (const auto& [fault, found] : findings) {
        std::string shown;
        for (std::size_t i = 0; i < std::min(found.size(), findingsShown); ++i) {
            const Finding& finding = found[i];
            shown += "\n  call " + std::to_string(finding.first) + " (" + calls[finding.first - 1].text + ")";
            if (finding.last > finding.first)
                shown += " to " + std::to_string(finding.last) + " (" + calls[finding.last - 1].text + ")";
            shown += ": " + finding.what;
        }
        ADD_FAILURE() << GetParam().name << ", " << fault << ": " << failing[fault] << " of " << chosen.size()
                      << " calls fail" << shown << (found.size() > findingsShown ? "\n  ..." : "");
    }
}

TEST_P(ImportFaults, TwoCleanRunsCountTheSameCalls)
{
    const importtest::Outcome again =
        importtest::runImport(arguments, {std::string("LD_PRELOAD=") + FAULT_INJECTOR,
                                          "VELMARA_FAULT_COUNT=" + (scratch / "count").string()});
    ASSERT_EQ(again.status, 0) << again.err;
    const std::vector<std::uint8_t> count = fixtures::readFile(scratch / "count");
    EXPECT_EQ(std::string(count.begin(), count.end()), std::to_string(calls.size()) + "\n");
}

INSTANTIATE_TEST_SUITE_P(Imports, ImportFaults, testing::ValuesIn(faulttest::scenarios),
                         [](const testing::TestParamInfo<Scenario>& scenario) { return scenario.param.name; });

}  // namespace
