// What leaves the program through the File menu, through the code behind the
// menu items (not the file chooser): a session opened in the main window
// gives the same picture and export, and the batch mode of the real program
// (no display) writes the same CSV; a bad session changes nothing; a picture
// is written as PNG.
#include <FL/Fl_PNG_Image.H>

#include <functional>
#include <sys/stat.h>
#include <sys/wait.h>

#include <nlohmann/json.hpp>

#include "GlTestContext.h"
#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "app/PngImage.h"
#include "app/WindowCapture.h"
#include "cluster/ClusterPath.h"
#include "model/ClusterExport.h"
#include "model/Session.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"

#include <FL/x.H>  // fl_open_display; last: its X11 macros clash with GoogleTest's names

namespace {

// A session's text without the graph window's node positions: the layout
// moves on its own timer whenever the event loop runs (as it does while a
// table loads), which is not a change of the user's work.
std::string withoutGraphLayout(const std::string& sessionText) {
    nlohmann::json session = nlohmann::json::parse(sessionText);
    std::function<void(nlohmann::json&)> strip = [&](nlohmann::json& value) {
        if (value.is_object()) {
            value.erase("graph");
            for (auto& item : value.items()) strip(item.value());
        } else if (value.is_array()) {
            for (auto& item : value) strip(item);
        }
    };
    strip(session);
    return session.dump();
}

std::string readAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class FileCommandsTest : public testing::Test {
protected:
    void SetUp() override {
        if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
        fl_open_display();  // as the program does first: every window then gets the same visual
        setProblemReporter([this](const std::string& problem) { problems.push_back(problem); });
        table = dir.write("cars.csv", readAll("DataSet/cars.csv"));
        first = makeMain();
    }
    void TearDown() override { setProblemReporter(nullptr); }

    std::unique_ptr<MainWindow> makeMain() {
        auto main = std::make_unique<MainWindow>(loadTableQuietly(table));
        main->show();
        waitForEvents([&] { return main->getView()->valid() != 0; });
        return main;
    }
    // Two operators, one nested, and a hint path, through the view's model.
    void shape(PCWindow* view) {
        ClusterTree* tree = view->getClusterTree();
        AROperator* op = nullptr;
        stdoutOf([&] { op = tree->addAR(view, 0.15f, 0.4f, true, Color4(1, 0, 0, 0.8f)); });
        ASSERT_NE(op, nullptr);
        tree->setOperatorRadius(op, 0.15);
        tree->setFocused(op);
        stdoutOf([&] { tree->addAR(view, 0.6f, 0.5f, true, Color4(0, 0, 1, 0.8f)); });
        view->getPaths()->addHintPoint(0, 0, view->getAxes()->getAxisPosition(0), 0.7f);
        stdoutOf([&] { view->updateGaussianMixtures(); });
        view->setShowHistograms(false);
    }
    std::string exportOf(const PCWindow* view) {
        std::string csv, error;
        EXPECT_TRUE(ClusterExport::build(*view, &csv, &error)) << error;
        return csv;
    }

    TempDir dir;
    std::string table;
    std::unique_ptr<MainWindow> first;
    std::vector<std::string> problems;
};

TEST_F(FileCommandsTest, AnOpenedSessionGivesTheSamePictureAndExportAsTheBatchMode) {
    PCWindow* view = first->getView();
    shape(view);
    const std::string sessionPath = dir.path() + "/cars.session.json";
    std::string error;
    ASSERT_TRUE(writeSessionFile(sessionPath, Session::capture(*view, view->getDisplaySwitches()), &error)) << error;

    auto second = makeMain();
    ASSERT_TRUE(stdoutOf([&] { EXPECT_TRUE(openSessionFile(*second, sessionPath)); }).find("Opened the session") !=
                std::string::npos);
    EXPECT_TRUE(problems.empty());
    EXPECT_FALSE(second->getView()->getShowHistograms());
    // Both pictures with every line (a slow build draws them over several frames).
    ASSERT_TRUE(waitForCompleteLines(view));
    ASSERT_TRUE(waitForCompleteLines(second->getView()));
    const WindowPicture before = captureView(view), after = captureView(second->getView());
    ASSERT_EQ(before.rgb.size(), after.rgb.size());
    int differing = 0, firstX = -1, firstY = -1;
    for (size_t k = 0; k < before.rgb.size(); ++k) {
        if (before.rgb[k] == after.rgb[k]) continue;
        if (differing++ == 0) firstX = static_cast<int>(k / 3 % 1000), firstY = static_cast<int>(k / 3 / 1000);
    }
    EXPECT_EQ(differing, 0) << "the restored view draws the same picture; first difference at " << firstX << ", " << firstY;
    const std::string guiExport = exportOf(second->getView());
    EXPECT_EQ(guiExport, exportOf(view));

    // The real program, without a display: the same CSV.
    const std::string out = dir.path() + "/batch.csv";
    const std::string command = "env -u DISPLAY " STRANDS_BINARY " --session '" + sessionPath + "' --export '" + out +
                                "' > /dev/null 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << command;
    EXPECT_EQ(readAll(out), guiExport);

    // Never over the session it read, whatever the spelling: status 1, the session kept.
    const std::string sessionText = readAll(sessionPath), link = dir.path() + "/link.json";
    ASSERT_EQ(symlink(sessionPath.c_str(), link.c_str()), 0);
    for (const std::string& target : {sessionPath, link}) {
        const std::string over = "env -u DISPLAY " STRANDS_BINARY " --session '" + sessionPath + "' --export '" +
                                 target + "' > /dev/null 2>" + dir.path() + "/err.txt";
        const int status = std::system(over.c_str());
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 1) << over;
        EXPECT_NE(readAll(dir.path() + "/err.txt").find("is the session file"), std::string::npos);
        EXPECT_EQ(readAll(sessionPath), sessionText);
    }
}

TEST_F(FileCommandsTest, ABadSessionOrAChangedTableLeavesTheWorkAsItWas) {
    PCWindow* view = first->getView();
    shape(view);
    const std::string before = Session::capture(*view, view->getDisplaySwitches()).toJson();
    const std::string broken = dir.write("broken.json", before.substr(0, before.size() / 3));
    EXPECT_FALSE(openSessionFile(*first, broken));
    ASSERT_EQ(problems.size(), 1u);
    EXPECT_NE(problems[0].find("broken.json"), std::string::npos) << problems[0];

    // A session of this table, but the file has changed since.
    const std::string saved = dir.write("saved.json", before);
    std::string contents = readAll(table);
    contents.back() = contents.back() == '\n' ? ' ' : '\n';
    dir.write("cars.csv", contents);
    stdoutOf([&] { EXPECT_FALSE(openSessionFile(*first, saved)); });
    ASSERT_EQ(problems.size(), 2u);
    EXPECT_NE(problems[1].find("has changed since the session was saved"), std::string::npos) << problems[1];
    // A session or a table that is a named pipe is refused at once, without
    // asking where the table went (it is there, but no table).
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    EXPECT_FALSE(openSessionFile(*first, fifo));
    ASSERT_EQ(problems.size(), 3u);
    EXPECT_NE(problems[2].find("named pipe"), std::string::npos) << problems[2];
    std::string onFifo = before;
    onFifo.replace(onFifo.find(table), table.size(), fifo);
    stdoutOf([&] { EXPECT_FALSE(openSessionFile(*first, dir.write("fifo-table.json", onFifo))); });
    ASSERT_EQ(problems.size(), 4u);
    EXPECT_NE(problems[3].find("Cannot open \"" + fifo + "\": a named pipe (FIFO)"), std::string::npos) << problems[3];
    EXPECT_EQ(withoutGraphLayout(Session::capture(*view, view->getDisplaySwitches()).toJson()),
              withoutGraphLayout(before))
        << "nothing changed";
}

TEST_F(FileCommandsTest, ThePictureOfTheViewIsWrittenAsPng) {
    shape(first->getView());
    ASSERT_TRUE(waitForCompleteLines(first->getView()));  // as Save Image does
    const WindowPicture picture = captureView(first->getView());
    ASSERT_EQ(picture.widthPx, 1000);
    ASSERT_EQ(picture.heightPx, 500);
    const std::string path = dir.path() + "/view.png";
    std::string error;
    ASSERT_TRUE(writePngFile(path, picture.widthPx, picture.heightPx, picture.rgb, &error)) << error;
    Fl_PNG_Image read(path.c_str());
    ASSERT_EQ(read.w(), 1000);
    ASSERT_EQ(read.h(), 500);
    ASSERT_EQ(read.d(), 3);
    const auto* pixels = reinterpret_cast<const unsigned char*>(read.data()[0]);
    EXPECT_TRUE(std::equal(picture.rgb.begin(), picture.rgb.end(), pixels)) << "what was drawn, top row first";
    EXPECT_EQ(picture.rgb[0], 255) << "the view's white corner";

    const WindowPicture whole = captureMainWindow(*first);
    EXPECT_EQ(whole.widthPx, MainWindow::kWidth);
    EXPECT_EQ(whole.heightPx, MainWindow::kHeight);
    // The view's pixels sit at its place in the window.
    const size_t inView = (static_cast<size_t>(40 + 250) * whole.widthPx + 70 + 500) * 3;
    const size_t sameInPicture = (static_cast<size_t>(250) * picture.widthPx + 500) * 3;
    EXPECT_EQ(whole.rgb[inView], picture.rgb[sameInPicture]);

    // Never over the table.
    const std::vector<ReadFile> inputs = tableFiles(*first->getView()->getData());
    EXPECT_FALSE(writePngFile(table, picture.widthPx, picture.heightPx, picture.rgb, &error, inputs));
    EXPECT_NE(error.find("is the table"), std::string::npos) << error;
    EXPECT_EQ(readAll(table), readAll("DataSet/cars.csv"));
    // Nowhere to write: a folder in the file's place.
    EXPECT_FALSE(writePngFile(dir.path(), picture.widthPx, picture.heightPx, picture.rgb, &error));
    EXPECT_NE(error.find("Cannot write"), std::string::npos) << error;
}

}  // namespace
