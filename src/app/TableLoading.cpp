#include "app/TableLoading.h"

#include <FL/Fl.H>

#include <atomic>
#include <chrono>
#include <thread>

#include "data/MultidimensionalData.h"
#include "data/WorkProgress.h"
#include "pcview/PCWindow.h"

namespace {

bool loading = false;

// Loads shorter than this show no bar (it would only flicker).
constexpr std::chrono::milliseconds kQuietLoad{150};
constexpr double kEventWaitSeconds = 0.05;

}  // namespace

bool isTableLoading() { return loading; }

std::unique_ptr<MultidimensionalData> loadTableResponsively(const std::string& path, PCWindow* view, char delimiter) {
    if (loading) return nullptr;
    loading = true;
    WorkProgress progress;
    std::unique_ptr<MultidimensionalData> table;
    std::atomic<bool> done{false};
    std::thread worker([&] {
        table = std::make_unique<MultidimensionalData>(path.c_str(), &progress, delimiter);
        done.store(true);
    });
    const auto start = std::chrono::steady_clock::now();
    bool barShown = false;
    while (!done.load()) {
        if (view && std::chrono::steady_clock::now() - start > kQuietLoad) {
            view->showLoadProgress(progress.fraction());
            barShown = true;
        }
        Fl::wait(kEventWaitSeconds);
    }
    worker.join();
    if (barShown) view->showLoadProgress(-1.0);
    loading = false;
    return table;
}
