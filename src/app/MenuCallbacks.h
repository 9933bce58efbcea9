// The main window's menu: its item table and callbacks.
#pragma once

#include <FL/Fl_Menu_Item.H>

#include <string>

class Fl_Widget;
class MultidimensionalData;
class PCWindow;

extern Fl_Menu_Item menuitems[];

// File > Open File: asks for a data file, starting in the folder last used
// (at first the first DataSet folder the program finds), and shows it in the
// menu bar's main window (and says in a dialog what the loader reported about
// it: missing values, unreadable fields, renamed columns, bad rows); unsaved
// work an earlier run kept for it is offered. The other File items
// (sessions, recovery, export, pictures) are in FileCommands.h.
void openFile_cb(Fl_Widget* menuBar, void*);
// File > Exit: ends the event loop; the program then ends with status 0
// (the work is kept for recovery on the way out).
void quit_cb();
// Edit > Undo, Edit > Redo (also Ctrl+Y): the document's history.
void undo_cb(Fl_Widget* menuBar, void*);
void redo_cb(Fl_Widget* menuBar, void*);
// About > Info: the dialog with the version, the folders searched and the keys.
void showInfo(Fl_Widget* menuBar, void*);

// Loads `path` and, if it holds a usable table, hands it to the view, which
// then drops the previous table and everything built on it. A file that
// cannot be read, has no column to draw or no data item leaves the view as it
// was; `problem` then says why. Returns whether the table was replaced.
bool openDataFile(PCWindow* view, const char* path, std::string* problem);
