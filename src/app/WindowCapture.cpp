#include "app/WindowCapture.h"

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/Fl_Window.H>
#include <FL/fl_draw.H>

#include <algorithm>
#include <memory>
#include <type_traits>

#include "app/MainWindow.h"
#include "colorchooser/ColorChooserWindow.h"
#include "graph/GraphWindow.h"
#include "pcview/PCWindow.h"

#include <FL/x.H>  // last: its X11 macros clash with names above

namespace {

// One of our GL windows (whose draw() is public), drawn afresh and read back.
template <typename Window>
WindowPicture captureGlWindow(Window* window) {
    WindowPicture picture;
    if (window == nullptr || !window->shown()) return picture;
    if constexpr (std::is_same_v<Window, PCWindow>) window->prepareFrame();
    window->make_current();
    window->draw();
    glFinish();
    picture.widthPx = window->w();
    picture.heightPx = window->h();
    picture.rgb.resize(static_cast<size_t>(picture.widthPx) * picture.heightPx * 3);
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, picture.widthPx, picture.heightPx, GL_RGB, GL_UNSIGNED_BYTE, picture.rgb.data());
    // GL rows run bottom-up; pictures top-down.
    const size_t rowBytes = static_cast<size_t>(picture.widthPx) * 3;
    for (int top = 0, bottom = picture.heightPx - 1; top < bottom; ++top, --bottom) {
        std::swap_ranges(picture.rgb.begin() + static_cast<long>(top * rowBytes),
                         picture.rgb.begin() + static_cast<long>((top + 1) * rowBytes),
                         picture.rgb.begin() + static_cast<long>(bottom * rowBytes));
    }
    window->redraw();  // the frame drawn here was never shown
    return picture;
}

// Copies `part` into `picture` with its top-left corner at (xPx, yPx).
void paste(const WindowPicture& part, int xPx, int yPx, WindowPicture* picture) {
    for (int row = 0; row < part.heightPx; ++row) {
        const int y = yPx + row;
        if (y < 0 || y >= picture->heightPx) continue;
        for (int col = 0; col < part.widthPx; ++col) {
            const int x = xPx + col;
            if (x < 0 || x >= picture->widthPx) continue;
            std::copy_n(&part.rgb[(static_cast<size_t>(row) * part.widthPx + col) * 3], 3,
                        &picture->rgb[(static_cast<size_t>(y) * picture->widthPx + x) * 3]);
        }
    }
}

}  // namespace

WindowPicture captureView(PCWindow* view) { return captureGlWindow(view); }

bool waitForCompleteLines(PCWindow* view) {
    while (view->drawingPending()) {
        if (!view->shown()) return false;
        // Each frame of an unfinished drawing asks for the next itself, but
        // a change made without asking for a frame would wait for ever.
        view->redraw();
        Fl::wait(0.05);
    }
    return true;
}

WindowPicture captureMainWindow(MainWindow& main) {
    WindowPicture picture;
    Fl_Window* window = main.getWindow();
    if (window == nullptr || !window->shown()) return picture;
    picture.widthPx = window->w();
    picture.heightPx = window->h();
    picture.rgb.assign(static_cast<size_t>(picture.widthPx) * picture.heightPx * 3, 192);
    // A window that covered part of this one (a file chooser just closed)
    // stays on screen until the server has taken it away, and the part it
    // uncovers is drawn only once the toolkit hears of it: the server is
    // brought up to date, and the whole window drawn anew, before it is read.
    Fl::flush();
    XSync(fl_display, False);
    Fl::check();
    window->redraw();
    Fl::flush();
    XSync(fl_display, False);
    window->make_current();
    std::unique_ptr<unsigned char[]> drawn(fl_read_image(nullptr, 0, 0, picture.widthPx, picture.heightPx));
    if (drawn) std::copy(drawn.get(), drawn.get() + picture.rgb.size(), picture.rgb.begin());
    paste(captureGlWindow(main.getView()), main.getView()->x(), main.getView()->y(), &picture);
    paste(captureGlWindow(main.getGraphWindow()), main.getGraphWindow()->x(), main.getGraphWindow()->y(), &picture);
    paste(captureGlWindow(main.getColorChooser()), main.getColorChooser()->x(), main.getColorChooser()->y(), &picture);
    return picture;
}
