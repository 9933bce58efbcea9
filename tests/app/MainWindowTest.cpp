// The main window's layout and links, and File > Open's replacement of the table.
#include <gtest/gtest.h>

#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_Window.H>

#include "TestSupport.h"
#include "app/MainWindow.h"
#include "app/MenuCallbacks.h"
#include "colorchooser/ColorChooserWindow.h"
#include "data/MultidimensionalData.h"
#include "graph/GraphWindow.h"
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
    EXPECT_EQ(window->w(), 1600);
    EXPECT_EQ(window->h(), 550);
    EXPECT_STREQ(window->label(), "Strands");
    ASSERT_EQ(window->children(), 4);
    EXPECT_EQ(window->child(0), main.getView());
    EXPECT_EQ(window->child(1), main.getGraphWindow());
    EXPECT_EQ(window->child(2), main.getColorChooser());
    EXPECT_EQ(window->child(3), main.getMenuBar());
    EXPECT_EQ(window->resizable(), main.getView());
    EXPECT_EQ(main.getView()->getData(), table);
    EXPECT_EQ(main.getView()->getAxes()->getAxisNum(), 2);

    const Fl_Widget* view = main.getView();
    EXPECT_EQ(view->x(), 70);
    EXPECT_EQ(view->w(), 1000);
    const Fl_Menu_Item* exit = main.getMenuBar()->find_item("&File/E&xit");
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->shortcut(), FL_CTRL + 'q');
    const Fl_Menu_Item* open = main.getMenuBar()->find_item("&File/&Open File");
    ASSERT_NE(open, nullptr);
    EXPECT_EQ(open->shortcut(), FL_CTRL + 'o');
    const Fl_Menu_Item* info = main.getMenuBar()->find_item("&About/&Info");
    ASSERT_NE(info, nullptr);
    EXPECT_EQ(info->shortcut(), FL_CTRL + 'i');
}

TEST_F(MainWindowTest, OpeningAnUnusableFileKeepsTheCurrentTable) {
    MainWindow main(loadTableQuietly(dir.write("t.txt", "a,b\n1,2\n3,4\n")));
    PCWindow* view = main.getView();
    MultidimensionalData* before = view->getData();

    struct Case {
        std::string path;
        std::string expected;
    };
    const Case cases[] = {
        {dir.path() + "/absent.txt", "No such file or directory"},
        {dir.path(), "Is a directory"},
        {dir.write("names.txt", "name\nx\ny\n"), "has no numeric column"},
        {dir.write("header.txt", "a,b\n"), "holds no data items"},
    };
    for (const Case& c : cases) {
        std::string problem;
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        const bool replaced = openDataFile(view, c.path.c_str(), &problem);
        testing::internal::GetCapturedStdout();
        const std::string err = testing::internal::GetCapturedStderr();
        EXPECT_FALSE(replaced) << c.path;
        EXPECT_NE(problem.find(c.expected), std::string::npos) << problem;
        EXPECT_NE(err.find("The current table is kept."), std::string::npos) << err;
        EXPECT_EQ(view->getData(), before);
        EXPECT_EQ(view->getAxes()->getAxisNum(), 2);
    }
}

TEST_F(MainWindowTest, OpeningATableReplacesTheOldOne) {
    MainWindow main(loadTableQuietly(dir.write("t.txt", "a,b\n1,2\n3,4\n")));
    PCWindow* view = main.getView();
    std::string problem;
    testing::internal::CaptureStdout();
    const bool replaced = openDataFile(view, dir.write("u.txt", "a,b,c,d\n1,2,3,4\n").c_str(), &problem);
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_TRUE(replaced) << problem;
    EXPECT_NE(out.find("4 dimensions in total."), std::string::npos);
    EXPECT_EQ(view->getData()->getActualDimNum(), 4);
    EXPECT_EQ(view->getAxes()->getAxisNum(), 4);
    EXPECT_TRUE(view->isDataReady());
}

TEST(MenuCallbacks, ExitEndsTheProcessWithStatusZero) {
    EXPECT_EXIT(quit_cb(), testing::ExitedWithCode(0), "");
}

}  // namespace
