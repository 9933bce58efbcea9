#include "app/MainWindow.h"

#include <FL/Fl_Menu_Bar.H>
#include <FL/Fl_PNG_Image.H>
#include <FL/Fl_Window.H>

#include <iostream>

#include "app/MenuCallbacks.h"
#include "colorchooser/ColorChooserWindow.h"
#include "graph/GraphWindow.h"
#include "model/Document.h"
#include "pcview/PCWindow.h"
#include "resources/ResourceLocator.h"

MainWindow::MainWindow(MultidimensionalData* data)
    : document(std::make_unique<Document>()), window(std::make_unique<Fl_Window>(kWidth, kHeight, "Strands")) {
    // Creation order is child order: the view must be child 0.
    view = new PCWindow(*document, 70, 40, 1000, 500);
    graph = new GraphWindow(*document, 1090, 40, 500, 500);
    chooser = new ColorChooserWindow(*document, 10, 40, 50, 500);
    menuBar = new Fl_Menu_Bar(0, 0, kWidth, 30);
    menuBar->copy(menuitems);

    window->begin();
    window->user_data(this);  // how the menu callbacks find this object
    window->resizable(view);
    menuBar->activate();
    window->end();

    document->replaceTable(data);
}

MainWindow* MainWindow::of(const Fl_Widget* widget) {
    const Fl_Window* top = widget != nullptr ? widget->top_window() : nullptr;
    return top != nullptr ? static_cast<MainWindow*>(top->user_data()) : nullptr;
}

MainWindow::~MainWindow() {
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
