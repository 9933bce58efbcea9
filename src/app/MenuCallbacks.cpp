#include "app/MenuCallbacks.h"

#include <FL/Fl.H>
#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Menu_Item.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_ask.H>

#include <filesystem>
#include <iostream>
#include <memory>

#include "app/FileCommands.h"
#include "app/MainWindow.h"
#include "app/TableLoading.h"
#include "data/MultidimensionalData.h"
#include "gl/GlWindowSetup.h"
#include "pcview/PCWindow.h"
#include "resources/ResourceLocator.h"

namespace {
void quitMenuItem(Fl_Widget*, void*) { quit_cb(); }

// View > Colour Lines By: a menu of the table's columns at the pointer; the
// identifier columns are listed but cannot be chosen (they have no axis).
void chooseColourBy(MainWindow& main) {
    Document& document = main.getDocument();
    if (!document.model().isDataReady()) return;
    const MultidimensionalData& table = *document.model().getData();
    const int current = document.model().getColourByDim();
    std::vector<std::string> labels;
    std::vector<int> dims;
    labels.push_back("Plain Line Colour");
    dims.push_back(-1);
    for (int c = 0; c < table.getDimNum(); ++c) {
        const TableColumn& column = table.getColumn(c);
        labels.push_back(column.name + (column.isAxis() ? "" : " (" + std::string(columnKindName(column.kind)) + ")"));
        dims.push_back(column.isAxis() ? column.axis : -2);
    }
    std::vector<Fl_Menu_Item> items;
    for (size_t k = 0; k < labels.size(); ++k) {
        int flags = FL_MENU_RADIO | (dims[k] == current ? FL_MENU_VALUE : 0) | (dims[k] == -2 ? FL_MENU_INACTIVE : 0);
        if (k == 0) flags |= FL_MENU_DIVIDER;
        items.push_back({labels[k].c_str(), 0, nullptr, nullptr, flags, 0, 0, 0, 0});
    }
    items.push_back({nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0});
    const Fl_Menu_Item* chosen = items.front().popup(Fl::event_x(), Fl::event_y(), "Colour Lines By");
    if (chosen == nullptr) return;
    const int dim = dims[static_cast<size_t>(chosen - items.data())];
    if (dim >= -1) document.setColourByDim(dim);
}

// A File command on the main window the menu bar belongs to.
template <void (*Command)(MainWindow&)>
void onMainWindow(Fl_Widget* menuBar, void*) {
    if (MainWindow* main = MainWindow::of(menuBar)) Command(*main);
}
}  // namespace

Fl_Menu_Item menuitems[] = {
    {"&File", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&Open File", FL_CTRL + 'o', openFile_cb, nullptr, 0, 0, 0, 0, 0},
    {"Open &Session...", FL_CTRL + FL_SHIFT + 'o', onMainWindow<openSession>, nullptr, 0, 0, 0, 0, 0},
    {"&Save Session...", FL_CTRL + 's', onMainWindow<saveSession>, nullptr, 0, 0, 0, 0, 0},
    {"&Recover...", 0, onMainWindow<recoverWork>, nullptr, 0, 0, 0, 0, 0},
    {"&Export Clusters...", FL_CTRL + 'e', onMainWindow<exportClusters>, nullptr, 0, 0, 0, 0, 0},
    {"Save &Image...", 0, onMainWindow<saveViewImage>, nullptr, 0, 0, 0, 0, 0},
    {"Save &Window Image...", 0, onMainWindow<saveWindowImage>, nullptr, 0, 0, 0, 0, 0},
    {"E&xit", FL_CTRL + 'q', quitMenuItem, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"&Edit", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&Undo", FL_CTRL + 'z', undo_cb, nullptr, FL_MENU_INACTIVE, 0, 0, 0, 0},
    {"&Redo", FL_CTRL + FL_SHIFT + 'z', redo_cb, nullptr, FL_MENU_INACTIVE, 0, 0, 0, 0},
    {"Redo", FL_CTRL + 'y', redo_cb, nullptr, FL_MENU_INVISIBLE, 0, 0, 0, 0},  // the same, by its other key
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"&View", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&Colour Lines By...", 0, onMainWindow<chooseColourBy>, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"&About", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&Info", FL_CTRL + 'i', showInfo, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
};

bool openDataFile(PCWindow* view, const char* path, std::string* problem) {
    std::unique_ptr<MultidimensionalData> table = loadTableResponsively(path, view);
    if (!table) {
        *problem = "Another table is still loading; open \"" + std::string(path) + "\" once it is in.";
        std::cerr << *problem << std::endl;
        return false;
    }
    *problem = describeUnusableTable(*table, path);
    if (problem->empty()) {
        view->linkMDdata(table.release());
        return true;
    }
    std::cerr << *problem << " The current table is kept." << std::endl;
    return false;
}

void openFile_cb(Fl_Widget* menuBar, void*) {
    MainWindow* main = MainWindow::of(menuBar);
    if (main == nullptr) return;
    // The folder last used; at first the folder of the sample tables,
    // wherever they were found (the working directory when there is none).
    const std::string dataSetDir = ResourceLocator::program().findDirectory("DataSet");
    const std::string start = startFolder(dataSetDir.empty() ? "." : dataSetDir);
    const char* path = fl_file_chooser("Please select a data file ...", "*", start.c_str(), 0);
    if (path == nullptr) return;  // cancelled: nothing changes
    rememberFolder(path);
    std::string problem;
    if (!openDataFile(main->getView(), path, &problem)) {
        fl_alert("%s\nThe current table is kept.", problem.c_str());
        return;
    }
    main->showStatus("Opened " + std::filesystem::path(path).filename().string());
    reportTableProblems(*main);
    offerRecovery(*main, RecoveryChoice::kAsk);
}

void quit_cb() { quitEventLoop(); }

void undo_cb(Fl_Widget* menuBar, void*) {
    if (MainWindow* main = MainWindow::of(menuBar)) main->getDocument().undo();
}

void redo_cb(Fl_Widget* menuBar, void*) {
    if (MainWindow* main = MainWindow::of(menuBar)) main->getDocument().redo();
}

void showInfo(Fl_Widget* menuBar, void*) {
    if (MainWindow* main = MainWindow::of(menuBar)) main->showInfo();
}
