// MainWindow: the top-level window of Strands with its menu bar and the three
// OpenGL child windows (colour band, view, operator graph), which all show
// the one Document this object owns. The view is the first child. The menu
// callbacks find this object through the window they are called from.
#pragma once

#include <memory>

class Fl_Menu_Bar;
class Fl_Widget;
class Fl_Window;
class ColorChooserWindow;
class Document;
class GraphWindow;
class MultidimensionalData;
class PCWindow;

class MainWindow {
public:
    static constexpr int kWidth = 1600;   // pixels
    static constexpr int kHeight = 550;   // pixels

    // Builds the window and hands `data` (owned from now on by the document) to the document.
    explicit MainWindow(MultidimensionalData* data);
    // Destroys the menu bar, the colour chooser, the graph window, the view,
    // the window and the document, in that order.
    ~MainWindow();

    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Shows the window with the application icon (when its image is found)
    // and the window class "strands", which desktop entries match.
    void show();

    // The main window that holds `widget` (a menu bar, say), or null.
    static MainWindow* of(const Fl_Widget* widget);

    Fl_Window* getWindow() const { return window.get(); }
    Document& getDocument() const { return *document; }
    PCWindow* getView() const { return view; }
    GraphWindow* getGraphWindow() const { return graph; }
    ColorChooserWindow* getColorChooser() const { return chooser; }
    Fl_Menu_Bar* getMenuBar() const { return menuBar; }

private:
    std::unique_ptr<Document> document;  // what the three windows show; goes after them
    std::unique_ptr<Fl_Window> window;   // owns the children below until they are deleted
    PCWindow* view = nullptr;
    GraphWindow* graph = nullptr;
    ColorChooserWindow* chooser = nullptr;
    Fl_Menu_Bar* menuBar = nullptr;
};
