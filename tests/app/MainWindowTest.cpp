// The main window's layout and links, and File > Open's replacement of the table.
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>
#include <sys/stat.h>

#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/MenuCallbacks.h"
#include "pcview/PCWindow.h"

namespace {

class MainWindowTest : public testing::Test {
protected:
    TempDir dir;
};

TEST_F(MainWindowTest, ViewIsTheFirstChildAndOwnsTheTable) {
    MultidimensionalData* table = loadTableQuietly(dir.write("t.txt", "name,a,b\nx,1,2\ny,3,4\n"));
    MainWindow main(table);
    Fl_Window* window = main.getWindow();
    ASSERT_EQ(window->children(), 4);
    EXPECT_EQ(window->child(0), main.getView());
    EXPECT_EQ(window->child(3), main.getMenuBar());
    EXPECT_EQ(window->resizable(), main.getView());
    EXPECT_EQ(main.getView()->getData(), table);
    for (const auto& [path, key] :
         {std::pair<const char*, int>{"&File/E&xit", 'q'}, {"&File/&Open File", 'o'}, {"&About/&Info", 'i'},
          {"&File/&Save Session...", 's'}, {"&File/Open &Session...", FL_SHIFT + 'o'},
          {"&File/&Export Clusters...", 'e'}}) {
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

}  // namespace
