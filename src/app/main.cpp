// Strands: finding and shaping clusters in multidimensional data drawn in
// parallel coordinates. Loads the default table, opens the main window and
// runs the event loop.
#include <FL/Fl.H>
#include <FL/x.H>

#include "app/MainWindow.h"
#include "data/MultidimensionalData.h"

int main() {
    auto* data = new MultidimensionalData("./DataSet/origin.txt");
    // Open the display first so the OpenGL windows can ask for multisampling.
    fl_open_display();
    MainWindow mainWindow(data);
    mainWindow.show();
    return Fl::run();
}
