// The main window's menu: its item table and callbacks.
#pragma once

#include <FL/Fl_Menu_Item.H>

#include <string>

class Fl_Widget;
class MultidimensionalData;
class PCWindow;

extern Fl_Menu_Item menuitems[];

// File > Open File: asks for a data file, starting in the first DataSet folder
// the program finds, and shows it in the view of the menu bar's main window.
void openFile_cb(Fl_Widget* menuBar, void*);
// File > Exit: ends the event loop; the program then ends with status 0.
void quit_cb();
// About > Info: no action.
void showInfo();

// Why the table loaded from `path` cannot be shown (it could not be read, has
// no numeric column or no data item), as one sentence naming the file; empty
// when it can.
std::string describeUnusableTable(const MultidimensionalData& table, const std::string& path);

// Loads `path` and, if it holds a usable table, hands it to the view, which
// then drops the previous table and everything built on it. A file that
// cannot be read, has no numeric column or no data item leaves the view as it
// was; `problem` then says why. Returns whether the table was replaced.
bool openDataFile(PCWindow* view, const char* path, std::string* problem);
