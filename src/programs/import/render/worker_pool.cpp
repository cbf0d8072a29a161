// The importer's workers (see worker_pool.h).
#include "programs/import/render/worker_pool.h"

#include <algorithm>
#include <atomic>
#include <cstdlib>
#include <thread>
#include <vector>

namespace organ_import {

int importWorkers()
{
    if (const char* given = std::getenv("VELMARA_IMPORT_WORKERS")) {
        char* end = nullptr;
        const long count = std::strtol(given, &end, 10);
        if (end != given && *end == '\0' && count > 0) return static_cast<int>(std::min(count, 256L));
    }
    return static_cast<int>(std::max(1u, std::thread::hardware_concurrency()));
}

void forEachOnWorkers(int count, int workers, const std::function<void(int job, int worker)>& job)
{
    std::atomic<int> next{0};
    const auto work = [&](int worker) {
        for (int i = next++; i < count; i = next++) job(i, worker);
    };
    std::vector<std::jthread> helpers;
    for (int helper = 1; helper < std::min(workers, count); ++helper) helpers.emplace_back(work, helper);
    work(0);
}

}  // namespace organ_import
