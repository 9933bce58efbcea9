// Loading a table on a worker thread: the event loop runs meanwhile (a
// timeout fires during the load), a second load is refused while the first
// runs, and the table is the one the plain constructor makes.
#include <FL/Fl.H>

#include "GlTestContext.h"
#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/TableLoading.h"
#include "data/MultidimensionalData.h"

namespace {

struct DuringLoad {
    std::string otherPath;
    bool fired = false;
    bool wasLoading = false;
    bool secondLoadRefused = false;
};

void tryASecondLoad(void* data) {
    auto* during = static_cast<DuringLoad*>(data);
    during->fired = true;
    during->wasLoading = isTableLoading();
    during->secondLoadRefused = loadTableResponsively(during->otherPath, nullptr) == nullptr;
}

TEST(TableLoadingTest, TheEventLoopRunsDuringALoadAndASecondLoadWaitsItsTurn) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    TempDir dir;
    // Large enough to take several event-loop turns (hundreds of milliseconds).
    std::string text = "x,y,z\n";
    for (int row = 0; row < 1500000; ++row) text += std::to_string(row) + ",1.5," + std::to_string(row % 13) + "\n";
    const std::string path = dir.write("big.txt", text);
    DuringLoad during;
    during.otherPath = dir.write("small.txt", "a\n1\n");
    Fl::add_timeout(0.0, tryASecondLoad, &during);
    // The main window's status line says how far the load has come.
    MainWindow main(nullptr);
    std::vector<std::string> statuses;
    struct Watch {
        MainWindow* main;
        std::vector<std::string>* seen;
        static void look(void* data) {
            auto* watch = static_cast<Watch*>(data);
            watch->seen->push_back(watch->main->getStatus());
            Fl::repeat_timeout(0.02, look, data);
        }
    } watch{&main, &statuses};
    Fl::add_timeout(0.02, Watch::look, &watch);
    std::unique_ptr<MultidimensionalData> table;
    // Progress from the start (a quick machine reads this file in less than
    // the quiet time after which a load shows it).
    stdoutOf([&] { table = loadTableResponsively(path, main.getView(), 0, std::chrono::milliseconds(0)); });
    Fl::remove_timeout(tryASecondLoad, &during);
    Fl::remove_timeout(Watch::look, &watch);
    const bool percentShown = std::any_of(statuses.begin(), statuses.end(), [](const std::string& status) {
        return status.rfind("Loading big.txt: ", 0) == 0 && status.back() == '%';
    });
    EXPECT_TRUE(percentShown) << statuses.size() << " looks, the last " << (statuses.empty() ? "" : statuses.back());
    ASSERT_NE(table, nullptr);
    EXPECT_EQ(table->getDataNum(), 1500000);
    EXPECT_EQ(table->getActualDimNum(), 3);
    ASSERT_TRUE(during.fired) << "the event loop ran while the file was read";
    EXPECT_TRUE(during.wasLoading);
    EXPECT_TRUE(during.secondLoadRefused);
    EXPECT_FALSE(isTableLoading());
    // Once the first is in, the next load goes ahead; an unreadable file comes back unloaded.
    std::unique_ptr<MultidimensionalData> absent;
    stderrOf([&] { absent = loadTableResponsively(dir.path() + "/absent.txt", nullptr); });
    ASSERT_NE(absent, nullptr);
    EXPECT_FALSE(absent->isLoaded());
}

}  // namespace
