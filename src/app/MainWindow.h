// MainWindow: the top-level window of Strands with its menu bar, the three
// OpenGL child windows (colour band, view, operator graph), which all show
// the one Document this object owns, and a status line along its foot. The
// view is the first child. The menu callbacks find this object through the
// window they are called from.
//
// It follows the document: the title names the table's file, with a mark
// while the work is unsaved ("*cars.csv - Strands"); the Edit menu names the
// step an undo or redo would take ("Undo Move Operator"); the status line
// says what the last action did, and how far a density ordering has come;
// the work is autosaved for recovery (Autosave).
#pragma once

#include <memory>
#include <string>

#include "model/Document.h"

class Autosave;
class Fl_Box;
class Fl_Menu_Bar;
class Fl_Widget;
class Fl_Window;
class ColorChooserWindow;
class GraphWindow;
class InfoDialog;
class MultidimensionalData;
class PCWindow;

class MainWindow : public DocumentObserver {
public:
    static constexpr int kWidth = 1600;   // pixels
    static constexpr int kHeight = 572;   // pixels
    static constexpr int kStatusHeight = 24;  // the status line along the foot, pixels

    // Builds the window and hands `data` (owned from now on by the document)
    // to the document. Unsaved work is kept in the folder
    // RecoveryStore::defaultFolder() names when the window is made.
    explicit MainWindow(MultidimensionalData* data);
    // Destroys the autosave, the menu bar, the colour chooser, the graph
    // window, the view, the window and the document, in that order.
    ~MainWindow();

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window with the application icon (when its image is found)
    // and the window class "strands", which desktop entries match.
    void show();

    // The main window that holds `widget` (a menu bar, say), or null.
    static MainWindow* of(const Fl_Widget* widget);

    // DocumentObserver: title, Edit menu, status line.
    void documentChanged(const DocumentChange& change) override;

    // Shows `text` in the status line (until the next one).
    void showStatus(const std::string& text);
    std::string getStatus() const;
    // "*cars.csv - Strands" while unsaved, "cars.csv - Strands" once saved, "Strands" without a table.
    std::string getTitle() const;
    // About > Info: the dialog with the version, the folders and the keys.
    void showInfo();
    InfoDialog* getInfoDialog() const { return info.get(); }

    Fl_Window* getWindow() const { return window.get(); }
    Document& getDocument() const { return *document; }
    Autosave& getAutosave() const { return *autosave; }
    PCWindow* getView() const { return view; }
    GraphWindow* getGraphWindow() const { return graph; }
    ColorChooserWindow* getColorChooser() const { return chooser; }
    Fl_Menu_Bar* getMenuBar() const { return menuBar; }

private:
    void updateTitle();
    void updateEditMenu();
    // While a density ordering runs: its progress in the status line.
    static void watchOrdering(void* main);
    void showOrderingProgress();

    std::unique_ptr<Document> document;  // what the three windows show; goes after them
    std::unique_ptr<Fl_Window> window;   // owns the children below until they are deleted
    PCWindow* view = nullptr;
    GraphWindow* graph = nullptr;
    ColorChooserWindow* chooser = nullptr;
    Fl_Menu_Bar* menuBar = nullptr;
    Fl_Box* statusLine = nullptr;
    std::unique_ptr<Autosave> autosave;  // watches the document; goes first
    std::unique_ptr<InfoDialog> info;    // made when first asked for
    // Texts the window shows; the toolkit keeps pointers to them.
    std::string title;
    std::string undoLabel, redoLabel;
};
