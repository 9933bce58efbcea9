// The main window's layout and links, File > Open's replacement of the
// table, and what the window says: its title, the Edit menu's steps, the
// status line and About > Info.
#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>
#include <sys/stat.h>

#include "TestSupport.h"
#include "app/CommandLine.h"
#include "app/InfoDialog.h"
#include "app/MainWindow.h"
#include "app/MenuCallbacks.h"
#include "pcview/PCWindow.h"

namespace {

class MainWindowTest : public testing::Test {
protected:
    // Unsaved work goes to a folder of the test's own.
    void SetUp() override { setenv("XDG_STATE_HOME", (dir.path() + "/state").c_str(), 1); }
    // Ctrl (and Shift) + `key` as the menu bar's shortcut test sees it; true when a menu item took it.
    static bool shortcut(MainWindow& main, int key, bool shift = false) {
        Fl::e_keysym = key;
        Fl::e_state = FL_CTRL | (shift ? FL_SHIFT : 0);
        Fl::e_text = const_cast<char*>("");
        Fl::e_length = 0;
        const Fl_Menu_Item* item = main.getMenuBar()->test_shortcut();
        Fl::e_state = 0;
        if (item == nullptr) return false;
        item->do_callback(main.getMenuBar());
        return true;
    }
    TempDir dir;
};

TEST_F(MainWindowTest, ViewIsTheFirstChildAndOwnsTheTable) {
    MultidimensionalData* table = loadTableQuietly(dir.write("t.txt", "name,a,b\nx,1,2\ny,3,4\n"));
    MainWindow main(table);
    Fl_Window* window = main.getWindow();
    ASSERT_EQ(window->children(), 5);
    EXPECT_EQ(window->child(0), main.getView());
    EXPECT_EQ(window->child(3), main.getMenuBar());
    EXPECT_EQ(window->child(4)->y() + window->child(4)->h(), MainWindow::kHeight) << "the status line along the foot";
    EXPECT_EQ(window->resizable(), main.getView());
    EXPECT_EQ(main.getView()->getData(), table);
    for (const auto& [path, key] :
         {std::pair<const char*, int>{"&File/E&xit", 'q'}, {"&File/&Open File", 'o'}, {"&About/&Info", 'i'},
          {"&File/&Save Session...", 's'}, {"&File/Open &Session...", FL_SHIFT + 'o'},
          {"&File/&Export Clusters...", 'e'}, {"&Edit/&Undo", 'z'}, {"&Edit/&Redo", FL_SHIFT + 'z'}}) {
        const Fl_Menu_Item* item = main.getMenuBar()->find_item(path);
        ASSERT_NE(item, nullptr) << path;
        EXPECT_EQ(item->shortcut(), FL_CTRL + key) << path;
    }
}

TEST_F(MainWindowTest, OpeningATableReplacesTheOldOneUnlessItIsUnusable) {
    MainWindow main(loadTableQuietly(dir.write("t.txt", "a,b\n1,2\n3,4\n")));
    const std::string fifo = dir.path() + "/fifo";
    ASSERT_EQ(mkfifo(fifo.c_str(), 0644), 0);
    PCWindow* view = main.getView();
    const MultidimensionalData* before = view->getData();
    const std::pair<std::string, std::string> unusable[] = {
        {dir.path() + "/absent.txt", "No such file or directory"},
        {dir.path(), "Is a directory"},
        {fifo, "a named pipe (FIFO), not a regular file"},  // refused at once, no writer awaited
        {dir.write("names.txt", "name\nx\ny\n"), "has no column to draw as an axis"},
        {dir.write("header.txt", "a,b\n"), "holds no data items"},
    };
    for (const auto& [path, reason] : unusable) {
        std::string problem;
        const std::string err =
            stderrOf([&] { stdoutOf([&] { EXPECT_FALSE(openDataFile(view, path.c_str(), &problem)) << path; }); });
        EXPECT_NE(problem.find(reason), std::string::npos) << problem;
        EXPECT_NE(err.find("The current table is kept."), std::string::npos) << err;
        EXPECT_EQ(view->getData(), before);
    }
    std::string problem;
    const std::string out =
        stdoutOf([&] { EXPECT_TRUE(openDataFile(view, dir.write("u.txt", "a,b,c,d\n1,2,3,4\n").c_str(), &problem)); });
    EXPECT_NE(out.find("4 dimensions in total."), std::string::npos);
    EXPECT_EQ(view->getAxes()->getAxisNum(), 4);
    EXPECT_TRUE(view->isDataReady());
}

// The title names the table and marks unsaved work; the Edit menu names the
// step and takes it back and forth by its keys; the status line says what
// happened.
TEST_F(MainWindowTest, TheWindowSaysWhatHappenedAndUndoesByItsKeys) {
    MainWindow main(loadTableQuietly(dir.write("cars.csv", "a,b,c\n0,0,0\n1,1,1\n0.5,0.5,0.5\n")));
    Document& document = main.getDocument();
    EXPECT_EQ(main.getTitle(), "cars.csv - Strands");
    EXPECT_STREQ(main.getWindow()->label(), "cars.csv - Strands");
    const Fl_Menu_Item* undo = main.getMenuBar()->find_item(undo_cb);
    const Fl_Menu_Item* redo = main.getMenuBar()->find_item(redo_cb);
    ASSERT_TRUE(undo != nullptr && redo != nullptr);
    EXPECT_FALSE(undo->active()) << "nothing to undo yet";

    stdoutOf([&] { ASSERT_NE(document.addOperator(0.3f, 0.5f, true, Color4(1, 0, 0, 1)), nullptr); });
    EXPECT_STREQ(main.getWindow()->label(), "*cars.csv - Strands");
    EXPECT_STREQ(undo->label(), "&Undo Add Operator");
    EXPECT_TRUE(undo->active());
    EXPECT_FALSE(redo->active());

    EXPECT_TRUE(shortcut(main, 'z'));
    EXPECT_FALSE(document.canUndo());
    EXPECT_EQ(main.getStatus(), "Undone: Add Operator");
    EXPECT_STREQ(redo->label(), "&Redo Add Operator");
    EXPECT_STREQ(main.getWindow()->label(), "cars.csv - Strands") << "back where it was loaded";
    EXPECT_TRUE(shortcut(main, 'z', true));
    EXPECT_TRUE(document.canUndo());
    EXPECT_EQ(main.getStatus(), "Redone: Add Operator");
    EXPECT_TRUE(shortcut(main, 'z'));
    EXPECT_TRUE(shortcut(main, 'y')) << "Ctrl+Y redoes too";
    EXPECT_TRUE(document.canUndo());
    EXPECT_STREQ(main.getWindow()->label(), "*cars.csv - Strands");
    document.markSaved();
    EXPECT_STREQ(main.getWindow()->label(), "cars.csv - Strands");
}

// A density ordering in the background: its progress in the status line,
// and its end, whether it finished or was cancelled.
TEST_F(MainWindowTest, TheStatusLineFollowsADensityOrdering) {
    MainWindow main(loadTableQuietly(dir.write("big.csv", randomIntegerTable(2 * TableModel::kBackgroundDensityItems, 8,
                                                                              100000, 4))));
    Document& document = main.getDocument();
    document.toggleDensityOrdering(true);
    ASSERT_TRUE(document.model().isDensityOrderingPending());
    const std::string progress = main.getStatus();  // said at once, however fast the ordering is
    ASSERT_EQ(progress.rfind("Ordering items by density: ", 0), 0u) << progress;
    EXPECT_EQ(progress.back(), '%') << progress;
    document.toggleDensityOrdering(true);  // off again before it is done
    EXPECT_EQ(main.getStatus(), "Density ordering cancelled");
    document.toggleDensityOrdering(true);
    for (int k = 0; k < 6000 && document.model().isDensityOrderingPending(); ++k) {
        stdoutOf([] { Fl::wait(0.01); });
    }
    EXPECT_EQ(main.getStatus(), "Items ordered by density");
}

TEST_F(MainWindowTest, InfoShowsTheVersionTheFoldersAndTheKeys) {
    MainWindow main(loadTableQuietly(dir.write("t.csv", "a,b\n1,2\n")));
    EXPECT_TRUE(shortcut(main, 'i'));
    ASSERT_NE(main.getInfoDialog(), nullptr);
    const std::string text = main.getInfoDialog()->shownText();
    const std::string version = versionText().substr(std::string("strands ").size());
    EXPECT_NE(text.find("Strands " + version + "\n"), std::string::npos) << text;
    EXPECT_NE(text.find(dir.path() + "/state/strands"), std::string::npos) << "where unsaved work is kept";
    for (const char* words : {"(the working directory)", "Ctrl+Z", "Ctrl+Shift+Z, Ctrl+Y", "Escape"}) {
        EXPECT_NE(text.find(words), std::string::npos) << words;
    }
}

}  // namespace
