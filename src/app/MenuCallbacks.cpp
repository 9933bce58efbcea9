#include "app/MenuCallbacks.h"

#include <FL/Fl_File_Chooser.H>
#include <FL/Fl_Group.H>
#include <FL/Fl_Widget.H>
#include <FL/fl_ask.H>

#include <cstdlib>
#include <iostream>
#include <memory>

#include "data/MultidimensionalData.h"
#include "pcview/PCWindow.h"

namespace {
void quitMenuItem(Fl_Widget*, void*) { quit_cb(); }
void infoMenuItem(Fl_Widget*, void*) { showInfo(); }
}  // namespace

Fl_Menu_Item menuitems[] = {
    {"&File", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&Open File", FL_CTRL + 'o', openFile_cb, nullptr, 0, 0, 0, 0, 0},
    {"E&xit", FL_CTRL + 'q', quitMenuItem, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {"&About", 0, nullptr, nullptr, FL_SUBMENU, 0, 0, 0, 0},
    {"&Info", FL_CTRL + 'i', infoMenuItem, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
    {nullptr, 0, nullptr, nullptr, 0, 0, 0, 0, 0},
};

bool openDataFile(PCWindow* view, const char* path, std::string* problem) {
    auto table = std::make_unique<MultidimensionalData>(path);
    if (!table->isLoaded()) {
        *problem = "Cannot open \"" + std::string(path) + "\": " + table->getLoadError() + ".";
    } else if (table->getActualDimNum() == 0) {
        *problem = "\"" + std::string(path) + "\" has no numeric column.";
    } else if (table->getDataNum() == 0) {
        *problem = "\"" + std::string(path) + "\" holds no data items.";
    } else {
        view->linkMDdata(table.release());
        return true;
    }
    std::cerr << *problem << " The current table is kept." << std::endl;
    return false;
}

void openFile_cb(Fl_Widget* menuBar, void*) {
    const char* path = fl_file_chooser("Please select a data file ...", "*", "./DataSet", 0);
    if (path == nullptr) return;  // cancelled: nothing changes
    auto* view = static_cast<PCWindow*>(menuBar->parent()->child(0));
    std::string problem;
    if (!openDataFile(view, path, &problem)) fl_alert("%s\nThe current table is kept.", problem.c_str());
}

void quit_cb() { std::exit(0); }

void showInfo() {}
