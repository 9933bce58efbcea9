#include "app/InfoDialog.h"

#include <FL/Fl_Button.H>
#include <FL/Fl_Double_Window.H>
#include <FL/Fl_Text_Buffer.H>
#include <FL/Fl_Text_Display.H>

#include <filesystem>
#include <sstream>

#include "BuildInfo.h"

namespace {

constexpr int kWidthPx = 560;
constexpr int kHeightPx = 520;
constexpr int kMarginPx = 10;
constexpr int kButtonHeightPx = 26;

const char* const kGestures =
    "In the view (middle)\n"
    "  left click between two axes      primary operator in the band's colour\n"
    "  right click between two axes     secondary operator\n"
    "  left drag an operator's centre   move it; inside its disc: turn it\n"
    "  click its small lock             freeze or free its items\n"
    "  middle click on an operator      remove it\n"
    "  wheel / Ctrl+wheel on operator   capture radius / angular width\n"
    "  wheel between two axes           spread or narrow the axes\n"
    "  Alt+wheel                        histogram width of the nearest axis\n"
    "  Ctrl+left click on an axis       add a hint point; drag it along its axis\n"
    "  Ctrl+right click / Ctrl+wheel    delete a hint point / change its deviation\n"
    "  drag an axis title to an axis    move the axis there\n"
    "  double / right click a title     flip the axis / its menu (scale, colour by)\n"
    "In the graph (right): click a node to put new operators under it, drag it;\n"
    "  pick the brush, draw a lasso: the operators inside take the band's colour.\n"
    "In the colour band (left): click or drag for hue (height) and opacity.\n";

const char* const kKeys =
    "Keys over the view\n"
    "  Space      hide or show all hint displays\n"
    "  H / M / P  histograms / mixture curves / hint paths on or off\n"
    "  L          lock or unlock the hint path under the pointer\n"
    "  ' ; . ,    peaks / deviations of the path under the pointer, up, down\n"
    "  = - ] [    peak / deviation of the hint point under the pointer\n"
    "  A          order items by density;  G  group sort on or off\n"
    "  C or R     clear the unlocked hint paths\n"
    "  F / O / U  flip / log or linear scale / colour lines by the nearest axis\n"
    "  Escape     quit (unsaved work is kept for the next start)\n"
    "Menu keys (anywhere)\n"
    "  Ctrl+Z               undo the last step\n"
    "  Ctrl+Shift+Z, Ctrl+Y redo it\n"
    "  Ctrl+O               open a table\n"
    "  Ctrl+S, Ctrl+Shift+O save the session, open a session\n"
    "  Ctrl+E               export the clusters\n"
    "  Ctrl+I               this window\n"
    "  Ctrl+Q               quit\n";

void hideWindow(Fl_Widget* button, void*) { button->window()->hide(); }

}  // namespace

std::string infoText(const std::vector<std::string>& searchRoots, const std::string& recoveryFolder) {
    std::ostringstream text;
    text << "Strands " << kStrandsVersion << "\n"
         << "Finding and shaping clusters in tables drawn in parallel coordinates.\n\n"
         << "Icons (Resources/) and sample tables (DataSet/) are taken from the first\n"
         << "of these folders that holds them:\n";
    for (const std::string& root : searchRoots) {
        std::error_code error;
        text << "  " << root << (root == "." ? "  (the working directory)" : "")
             << (std::filesystem::is_directory(root, error) ? "" : "  (not present)") << "\n";
    }
    text << "Unsaved work is kept in:\n  " << recoveryFolder << "\n\n" << kGestures << "\n" << kKeys;
    return text.str();
}

InfoDialog::InfoDialog()
    : window(std::make_unique<Fl_Double_Window>(kWidthPx, kHeightPx, "Strands: Info")),
      buffer(std::make_unique<Fl_Text_Buffer>()) {
    window->begin();
    display = new Fl_Text_Display(kMarginPx, kMarginPx, kWidthPx - 2 * kMarginPx,
                                  kHeightPx - 3 * kMarginPx - kButtonHeightPx);
    display->buffer(buffer.get());
    display->textfont(FL_COURIER);
    display->textsize(12);
    auto* close = new Fl_Button(kWidthPx - kMarginPx - 90, kHeightPx - kMarginPx - kButtonHeightPx, 90,
                                kButtonHeightPx, "Close");
    close->callback(hideWindow);
    window->end();
    window->resizable(display);
}

InfoDialog::~InfoDialog() {
    // The display reads the buffer while it goes: the window (and it) first.
    window.reset();
    buffer.reset();
}

void InfoDialog::show(const std::string& text) {
    buffer->text(text.c_str());
    window->show();
}

bool InfoDialog::isShown() const { return window->shown() && window->visible(); }

std::string InfoDialog::shownText() const {
    char* text = buffer->text();
    std::string copy = text != nullptr ? text : "";
    free(text);
    return copy;
}
