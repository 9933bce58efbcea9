// The main window's menu: its item table and callbacks.
#pragma once

#include <FL/Fl_Menu_Item.H>

#include <string>

class Fl_Widget;
class MultidimensionalData;
class PCWindow;

extern Fl_Menu_Item menuitems[];

// File > Open File: asks for a data file, starting in the first DataSet folder
// the program finds, and shows it in the view of the menu bar's main window
// (and says in a dialog what the loader reported about it: missing values,
// unreadable fields, renamed columns, bad rows). The other File
// items (sessions, export, pictures) are in FileCommands.h.
void openFile_cb(Fl_Widget* menuBar, void*);
// File > Exit: ends the event loop; the program then ends with status 0.
void quit_cb();
// About > Info: no action.
void showInfo();

// Loads `path` and, if it holds a usable table, hands it to the view, which
// then drops the previous table and everything built on it. A file that
// cannot be read, has no column to draw or no data item leaves the view as it
// was; `problem` then says why. Returns whether the table was replaced.
bool openDataFile(PCWindow* view, const char* path, std::string* problem);
