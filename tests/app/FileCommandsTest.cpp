// What leaves the program through the File menu, through the code behind the
// menu items (not the file chooser): a session opened in the main window
// gives the same picture and export, and the batch mode of the real program
// (no display) writes the same CSV; a bad session changes nothing; a picture
// is written as PNG.
#include <FL/Fl_PNG_Image.H>
#include <FL/Fl_Window.H>

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
    // Two operators, one nested, and a hint path, through the document's operations.
    void shape(MainWindow& main) {
        Document& document = main.getDocument();
        const AROperator* op = nullptr;
        stdoutOf([&] { op = document.addOperator(0.15f, 0.4f, true, Color4(1, 0, 0, 0.8f)); });
        ASSERT_NE(op, nullptr);
        document.stepOperatorRadius(op, -14);  // 0.08 -> 0.15
        document.setFocusedOperator(op);
        stdoutOf([&] { document.addOperator(0.6f, 0.5f, true, Color4(0, 0, 1, 0.8f)); });
        stdoutOf([&] { document.addHintPoint(0, 0.7f); });
        document.toggleHistograms();
    }
    // The view's picture once every line is drawn.
    static WindowPicture completePicture(PCWindow* view) {
        EXPECT_TRUE(waitForCompleteLines(view));
        return captureView(view);
    }
    // Empty when the two pictures are the same to the byte; else where they first differ.
    static std::string differenceOf(const WindowPicture& a, const WindowPicture& b) {
        if (a.widthPx != b.widthPx || a.heightPx != b.heightPx || a.rgb.size() != b.rgb.size()) return "another size";
        int differing = 0;
        size_t first = 0;
        for (size_t k = 0; k < a.rgb.size(); ++k) {
            if (a.rgb[k] != b.rgb[k] && differing++ == 0) first = k / 3;
        }
        if (differing == 0) return "";
        return std::to_string(differing) + " bytes differ, the first at x " + std::to_string(first % a.widthPx) +
               ", y " + std::to_string(first / a.widthPx);
    }
    std::string exportOf(const PCWindow* view) {
        std::string csv, error;
        EXPECT_TRUE(ClusterExport::build(view->model(), &csv, &error)) << error;
        return csv;
    }

    TempDir dir;
    std::string table;
    std::unique_ptr<MainWindow> first;
    std::vector<std::string> problems;
};

TEST_F(FileCommandsTest, AnOpenedSessionGivesTheSamePictureAndExportAsTheBatchMode) {
    PCWindow* view = first->getView();
    shape(*first);
    const std::string sessionPath = dir.path() + "/cars.session.json";
    std::string error;
    ASSERT_TRUE(writeSessionFile(sessionPath, first->getDocument().captureSession(), &error)) << error;

    auto second = makeMain();
    ASSERT_TRUE(stdoutOf([&] { EXPECT_TRUE(openSessionFile(*second, sessionPath)); }).find("Opened the session") !=
                std::string::npos);
    EXPECT_TRUE(problems.empty());
    EXPECT_FALSE(second->getView()->getShowHistograms());
    // Both pictures with every line (a slow build draws them over several frames).
    ASSERT_TRUE(waitForCompleteLines(view));
    ASSERT_TRUE(waitForCompleteLines(second->getView()));
    EXPECT_EQ(differenceOf(captureView(view), captureView(second->getView())), "")
        << "the restored view draws the same picture";
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

// Undoing every step gives back the picture and the export the table had
// when it was loaded, to the byte; redoing them all, the shaped ones.
TEST_F(FileCommandsTest, UndoGivesBackThePictureAndTheExportRedoTheShapedOnes) {
    PCWindow* view = first->getView();
    Document& document = first->getDocument();
    const WindowPicture loaded = completePicture(view);
    const std::string loadedExport = exportOf(view);
    shape(*first);
    stdoutOf([&] {
        const uint64_t drag = document.newGesture();
        const AROperator* op = document.model().getClusterTree()->getFocused();
        ASSERT_NE(op, nullptr);
        for (int k = 1; k <= 10; ++k) document.moveOperator(op, 0.6f + 0.01f * k, 0.5f - 0.02f * k, drag);
        document.endGesture();
        document.spreadAxes(2, 3);
        document.moveHintPoint(0, 0, 0.3f);
    });
    const WindowPicture shaped = completePicture(view);
    const std::string shapedExport = exportOf(view);
    ASSERT_NE(differenceOf(loaded, shaped), "") << "the steps change the picture";
    int steps = 0;
    stdoutOf([&] {
        while (document.undo()) ++steps;
    });
    EXPECT_EQ(steps, 8) << "two operators, a radius, a hint point, the histograms, a drag, the axes, a hint point moved";
    EXPECT_EQ(differenceOf(completePicture(view), loaded), "");
    EXPECT_EQ(exportOf(view), loadedExport);
    stdoutOf([&] {
        while (document.redo()) --steps;
    });
    EXPECT_EQ(steps, 0);
    EXPECT_EQ(differenceOf(completePicture(view), shaped), "");
    EXPECT_EQ(exportOf(view), shapedExport);
}

TEST_F(FileCommandsTest, ABadSessionOrAChangedTableLeavesTheWorkAsItWas) {
    shape(*first);
    const std::string before = first->getDocument().captureSession().toJson();
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
    EXPECT_EQ(withoutGraphLayout(first->getDocument().captureSession().toJson()),
              withoutGraphLayout(before))
        << "nothing changed";
}

TEST_F(FileCommandsTest, ThePictureOfTheViewIsWrittenAsPng) {
    shape(*first);
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

    // A window that lay over the main window (a file chooser) and has just
    // closed leaves nothing of itself in the picture: the menu bar and the
    // status line it covered are drawn again.
    first->showStatus("Exported 392 rows to clusters.csv, a line long enough to reach under the window");
    const WindowPicture statusShown = captureMainWindow(*first);
    Fl_Window cover(first->getWindow()->x(), first->getWindow()->y(), 300, MainWindow::kHeight);
    cover.color(FL_RED);
    cover.show();
    for (int k = 0; k < 500 && !cover.visible(); ++k) Fl::wait(0.01);
    for (int k = 0; k < 20; ++k) Fl::wait(0.01);
    cover.hide();
    const WindowPicture uncovered = captureMainWindow(*first);
    ASSERT_EQ(uncovered.rgb.size(), statusShown.rgb.size());
    int differing = 0;
    for (int y = 0; y < MainWindow::kHeight; ++y) {
        for (int x = 0; x < 300; ++x) {
            const size_t at = (static_cast<size_t>(y) * statusShown.widthPx + x) * 3;
            differing += !std::equal(&statusShown.rgb[at], &statusShown.rgb[at] + 3, &uncovered.rgb[at]);
        }
    }
    EXPECT_EQ(differing, 0) << "pixels of the closed window, or of none, where the window's own belong";

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
