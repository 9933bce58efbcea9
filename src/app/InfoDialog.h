// InfoDialog: About > Info, a small window beside the main one that says
// which Strands this is, where it looks for its icons and sample tables and
// where it keeps unsaved work, and what the mouse and the keys do. It does
// not hold up the main window; Close or Escape hides it.
#pragma once

#include <memory>
#include <string>
#include <vector>

class Fl_Double_Window;
class Fl_Text_Buffer;
class Fl_Text_Display;

// The dialog's text: the version, the folders searched (first choice first),
// the folder of unsaved work, the gestures and the keys.
std::string infoText(const std::vector<std::string>& searchRoots, const std::string& recoveryFolder);

class InfoDialog {
public:
    InfoDialog();
    ~InfoDialog();
    InfoDialog(const InfoDialog&) = delete;
    InfoDialog& operator=(const InfoDialog&) = delete;

    // Shows the dialog with `text` (again: in front, with the text anew).
    void show(const std::string& text);
    bool isShown() const;
    std::string shownText() const;
    Fl_Double_Window* getWindow() const { return window.get(); }

private:
    std::unique_ptr<Fl_Double_Window> window;  // owns its widgets
    std::unique_ptr<Fl_Text_Buffer> buffer;    // the text shown; outlives the display that shows it
    Fl_Text_Display* display = nullptr;        // owned by the window
};
