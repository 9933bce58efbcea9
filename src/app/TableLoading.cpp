#include "app/TableLoading.h"

#include <FL/Fl.H>

#include <atomic>
#include <chrono>
#include <filesystem>
#include <thread>

#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"
#include "data/WorkProgress.h"
#include "pcview/PCWindow.h"

namespace {

bool loading = false;

// Loads shorter than this show no bar (it would only flicker).
constexpr double kEventWaitSeconds = 0.05;

}  // namespace

bool isTableLoading() { return loading; }

std::unique_ptr<MultidimensionalData> loadTableResponsively(const std::string& path, PCWindow* view, char delimiter,
                                                           std::chrono::milliseconds quiet) {
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
    MainWindow* main = view != nullptr ? MainWindow::of(view) : nullptr;
    const std::string name = std::filesystem::path(path).filename().string();
    int percentShown = -1;
    while (!done.load()) {
        if (view && std::chrono::steady_clock::now() - start >= quiet) {
            view->showLoadProgress(progress.fraction());
            barShown = true;
            const int percent = static_cast<int>(100 * progress.fraction());
            if (main != nullptr && percent != percentShown) {
                main->showStatus("Loading " + name + ": " + std::to_string(percent) + " %");
                percentShown = percent;
            }
        }
        Fl::wait(kEventWaitSeconds);
    }
    worker.join();
    if (barShown) view->showLoadProgress(-1.0);
    loading = false;
    return table;
}
