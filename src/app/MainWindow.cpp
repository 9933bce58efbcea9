#include "app/MainWindow.h"

#include <FL/Fl.H>
#include <FL/Fl_Box.H>
#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/Fl_Window.H>

#include <cmath>
#include <filesystem>
#include <iostream>

#include "app/Autosave.h"
#include "app/InfoDialog.h"
#include "app/MenuCallbacks.h"
#include "colorchooser/ColorChooserWindow.h"
#include "data/MultidimensionalData.h"
#include "graph/GraphWindow.h"
#include "model/RecoveryStore.h"
#include "pcview/PCWindow.h"
#include "resources/ResourceLocator.h"

namespace {

constexpr double kOrderingPollSeconds = 0.25;  // how often the status line follows a density ordering

}  // namespace

MainWindow::MainWindow(MultidimensionalData* data)
    : document(std::make_unique<Document>()), window(std::make_unique<Fl_Window>(kWidth, kHeight, "Strands")) {
    // Creation order is child order: the view must be child 0.
    view = new PCWindow(*document, 70, 40, 1000, 500);
    graph = new GraphWindow(*document, 1090, 40, 500, 500);
    chooser = new ColorChooserWindow(*document, 10, 40, 50, 500);
    menuBar = new Fl_Menu_Bar(0, 0, kWidth, 30);
    menuBar->copy(menuitems);
    statusLine = new Fl_Box(0, kHeight - kStatusHeight, kWidth, kStatusHeight);
    statusLine->box(FL_THIN_DOWN_BOX);
    statusLine->align(FL_ALIGN_LEFT | FL_ALIGN_INSIDE | FL_ALIGN_CLIP);
    statusLine->labelsize(13);

    window->begin();
    window->user_data(this);  // how the menu callbacks find this object
    window->resizable(view);
    menuBar->activate();
    window->end();

    document->addObserver(this);
    autosave = std::make_unique<Autosave>(*document, RecoveryStore(RecoveryStore::defaultFolder()),
                                          [this](const std::string& text) { showStatus(text); });
    document->replaceTable(data);
}

MainWindow* MainWindow::of(const Fl_Widget* widget) {
    const Fl_Window* top = widget != nullptr ? widget->top_window() : nullptr;
    return top != nullptr ? static_cast<MainWindow*>(top->user_data()) : nullptr;
}

MainWindow::~MainWindow() {
    Fl::remove_timeout(watchOrdering, this);
    autosave.reset();
    document->removeObserver(this);
    info.reset();
    delete menuBar;
    delete chooser;
    delete graph;
    delete view;
    window.reset();
    document.reset();
}

void MainWindow::show() {
    window->xclass("strands");
    // The toolkit copies the images: they are only needed until then.
    const std::string iconPaths[] = {findResource("Resources/app_icon_48.png"),
                                     findResource("Resources/app_icon_128.png")};
    const Fl_PNG_Image small(iconPaths[0].c_str());
    const Fl_PNG_Image large(iconPaths[1].c_str());
    const Fl_PNG_Image* images[] = {&small, &large};
    const Fl_RGB_Image* icons[2];
    int iconCount = 0;
    for (int i = 0; i < 2; ++i) {
        if (images[i]->w() > 0 && images[i]->h() > 0) {
            icons[iconCount++] = images[i];
        } else {
            std::cerr << "Cannot read icon file \"" << iconPaths[i] << "\"" << std::endl;
        }
    }
    window->icons(icons, iconCount);
    window->show();
}

void MainWindow::documentChanged(const DocumentChange& change) {
    updateTitle();
    updateEditMenu();
    if (change.kind == DocumentChange::kUndo) {
        showStatus("Undone: " + change.stepName);
    } else if (change.kind == DocumentChange::kRedo) {
        showStatus("Redone: " + change.stepName);
    } else if (!change.notice.empty()) {
        showStatus(change.notice);
    }
    if (document->model().isDensityOrderingPending() && !Fl::has_timeout(watchOrdering, this)) {
        // Said at once, then brought up to date by the poll.
        showOrderingProgress();
        Fl::add_timeout(kOrderingPollSeconds, watchOrdering, this);
    }
}

void MainWindow::showOrderingProgress() {
    const int percent = static_cast<int>(std::floor(100 * document->model().getDensityOrderingProgress()));
    showStatus("Ordering items by density: " + std::to_string(percent) + " %");
}

void MainWindow::watchOrdering(void* mainWindow) {
    auto* main = static_cast<MainWindow*>(mainWindow);
    if (!main->document->model().isDensityOrderingPending()) return;  // finished or cancelled: the document said which
    main->showOrderingProgress();
    Fl::repeat_timeout(kOrderingPollSeconds, watchOrdering, main);
}

void MainWindow::showStatus(const std::string& text) {
    statusLine->copy_label((" " + text).c_str());
    statusLine->redraw();
}

std::string MainWindow::getStatus() const {
    const char* text = statusLine->label();
    return text != nullptr && text[0] == ' ' ? std::string(text + 1) : std::string(text != nullptr ? text : "");
}

std::string MainWindow::getTitle() const {
    const MultidimensionalData* table = document->model().getData();
    if (table == nullptr || table->getSourcePath().empty()) return "Strands";
    const std::string name = std::filesystem::path(table->getSourcePath()).filename().string();
    return (document->isModified() ? "*" : "") + name + " - Strands";
}

void MainWindow::updateTitle() {
    const std::string now = getTitle();
    if (now == title) return;
    title = now;
    window->label(title.c_str());
}

void MainWindow::updateEditMenu() {
    // The visible Undo and Redo items: named after their step, inactive without one.
    const int undoIndex = menuBar->find_index(undo_cb);
    const int redoIndex = menuBar->find_index(redo_cb);
    if (undoIndex < 0 || redoIndex < 0) return;
    undoLabel = document->canUndo() ? "&Undo " + document->undoName() : "&Undo";
    redoLabel = document->canRedo() ? "&Redo " + document->redoName() : "&Redo";
    auto* items = const_cast<Fl_Menu_Item*>(menuBar->menu());
    items[undoIndex].label(undoLabel.c_str());
    items[redoIndex].label(redoLabel.c_str());
    if (document->canUndo()) {
        items[undoIndex].activate();
    } else {
        items[undoIndex].deactivate();
    }
    if (document->canRedo()) {
        items[redoIndex].activate();
    } else {
        items[redoIndex].deactivate();
    }
    menuBar->redraw();
}

void MainWindow::showInfo() {
    if (!info) info = std::make_unique<InfoDialog>();
    info->show(infoText(ResourceLocator::program().getRoots(), autosave->getStore().getFolder()));
}
