// A real OpenGL context for drawing tests: a small window shown on the test
// display, with the unit-square projection, plus capture of what a drawing
// call emits (feedback mode) and of what reached the screen (read-back).
#pragma once

#include <GL/glew.h>
#include <FL/Fl.H>
#include <FL/Fl_Gl_Window.H>
#include <FL/Fl_Window.H>

#include "TestSupport.h"
#include "gl/GlWindowSetup.h"
#include "geometry/Point2.h"

// One primitive as feedback mode reports it, vertices in window pixels
// (origin bottom-left); colours only when captured with GL_3D_COLOR.
struct FeedbackPrimitive {
    GLenum token;  // GL_POLYGON_TOKEN, GL_LINE_TOKEN, GL_LINE_RESET_TOKEN, GL_POINT_TOKEN, GL_BITMAP_TOKEN...
    std::vector<Point2> vertices;
    std::vector<Color4> colours;
};

inline bool testDisplayAvailable() { return std::getenv("DISPLAY") != nullptr; }

// Runs the event loop until `done` holds, for at most `seconds` of wall time;
// whether it holds. The limit is generous: it only matters when something is
// wrong, and a loaded machine shows and draws windows slowly.
inline bool waitForEvents(const std::function<bool()>& done, double seconds = kPatienceSeconds) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::duration<double>(seconds);
    while (!done()) {
        if (std::chrono::steady_clock::now() > deadline) return false;
        Fl::wait(0.01);
    }
    return true;
}

// Runs `draw` in feedback mode in the current context and returns every primitive it emitted.
inline std::vector<FeedbackPrimitive> captureFeedback(const std::function<void()>& draw, GLenum type = GL_2D) {
    const int stride = type == GL_3D_COLOR ? 7 : 2;  // x, y (, z, r, g, b, a)
    std::vector<GLfloat> buffer(1 << 22);
    glFeedbackBuffer(static_cast<GLsizei>(buffer.size()), type, buffer.data());
    glRenderMode(GL_FEEDBACK);
    draw();
    const GLint used = glRenderMode(GL_RENDER);
    EXPECT_GE(used, 0) << "feedback buffer overflow";
    std::vector<FeedbackPrimitive> primitives;
    for (GLint k = 0; k < used;) {
        FeedbackPrimitive p{static_cast<GLenum>(buffer[k++]), {}, {}};
        int count = 1;  // points, bitmaps, pixel rectangles
        if (p.token == GL_PASS_THROUGH_TOKEN) {
            ++k;
            continue;
        }
        if (p.token == GL_POLYGON_TOKEN) count = static_cast<int>(buffer[k++]);
        if (p.token == GL_LINE_TOKEN || p.token == GL_LINE_RESET_TOKEN) count = 2;
        for (int v = 0; v < count; ++v, k += stride) {
            p.vertices.emplace_back(buffer[k], buffer[k + 1]);
            if (stride == 7) p.colours.emplace_back(buffer[k + 3], buffer[k + 4], buffer[k + 5], buffer[k + 6]);
        }
        primitives.push_back(p);
    }
    return primitives;
}

class GlTestContext {
public:
    GlTestContext(int widthPx = 200, int heightPx = 100) : window(widthPx, heightPx) {
        window.mode(FL_RGB | FL_ALPHA | FL_DOUBLE);
        window.show();
        waitForEvents([this] { return window.shown() != 0; });
        Fl::check();
        window.make_current();
        glewInit();
        setUnitSquareProjection(widthPx, heightPx);
    }
    ~GlTestContext() { window.hide(); Fl::check(); }

    Fl_Gl_Window& glWindow() { return window; }

    std::vector<FeedbackPrimitive> capture(const std::function<void()>& draw) {
        window.make_current();
        return captureFeedback(draw);
    }

private:
    class Window : public Fl_Gl_Window {
    public:
        Window(int w, int h) : Fl_Gl_Window(0, 0, w, h) {}
        void draw() override {}
    };
    Window window;
};

// Feedback mode reports a polygon v0 ... vn-1 as the triangle fan
// (v1, v2, v0), (v2, v3, v0)... (Mesa's order). This rebuilds the vertex list
// the drawing call sent; an empty result means the triangles were not one fan.
inline std::vector<Point2> fanVertices(const std::vector<FeedbackPrimitive>& triangles) {
    std::vector<Point2> vertices;
    for (size_t k = 0; k < triangles.size(); ++k) {
        const auto& t = triangles[k].vertices;
        if (t.size() != 3) return {};
        if (k == 0) {
            vertices = {t[2], t[0], t[1]};
        } else {
            if (t[2].x != vertices[0].x || t[2].y != vertices[0].y) return {};
            vertices.push_back(t[1]);
        }
    }
    return vertices;
}

// Puts `glWindow` at (10, 10) px in a new `window` 20 px larger (which owns
// it), shows both and waits until it has drawn its first frame.
inline bool showInWindow(std::unique_ptr<Fl_Window>& window, Fl_Gl_Window* glWindow) {
    window = std::make_unique<Fl_Window>(glWindow->w() + 20, glWindow->h() + 20);
    window->end();
    window->add(glWindow);
    glWindow->position(10, 10);
    window->show();
    waitForEvents([glWindow] { return glWindow->valid() != 0; });
    return glWindow->valid();
}

// A window's preparation of a frame (the model work its flush() does before
// drawing), for windows that have one.
template <typename Window>
auto prepareFrameOf(Window& glWindow, int) -> decltype(glWindow.prepareFrame(), void()) {
    glWindow.prepareFrame();
}
template <typename Window>
void prepareFrameOf(Window&, long) {}

// Draws one frame of `glWindow` into its back buffer, without swapping, so
// that readPixel sees exactly that frame, prepared as the toolkit's flush
// prepares it. (Our windows make draw() public.)
template <typename Window>
void drawFrameForReadBack(Window& glWindow) {
    prepareFrameOf(glWindow, 0);
    glWindow.make_current();
    glWindow.draw();
    glFinish();
}

// The RGBA bytes of window pixel (xPx, yPx), origin bottom-left, from the back buffer.
inline std::vector<unsigned char> readPixel(int xPx, int yPx) {
    std::vector<unsigned char> rgba(4);
    glFinish();
    glReadBuffer(GL_BACK);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(xPx, yPx, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, rgba.data());
    return rgba;
}
