// Set-up shared by the three OpenGL windows.
#pragma once

#include <GL/glew.h>

class Fl_Gl_Window;

// The visual the windows ask for: double-buffered RGBA, with multisampling
// where the display offers it. Without an open display (a window built in a
// test and never shown) nothing is queried and the plain mode is used.
int chooseGlContextMode();

// Viewport over the whole window (pixels) and the unit-square projection
// glOrtho(0, 1, 0, 1, 1, -1) with an identity model-view matrix: every window
// draws in units from 0 to 1 whatever its pixel size.
void setUnitSquareProjection(int widthPx, int heightPx);

// First-frame set-up of a window's context: GLEW, the unit-square projection,
// a white clear colour (alpha `clearAlpha`), smooth shading, alpha blending
// (source alpha, one minus source alpha) and line smoothing.
void setUpGlContext(int widthPx, int heightPx, float clearAlpha);

// The toolkit's pointer events, which every window passes to its mouse handler.
bool isPointerEvent(int event);

// Window pixel (xPx, yPx) of a widthPx x heightPx window (origin top-left,
// y down) in the window's unit square (origin bottom-left, y up):
// (xPx / width, 1 - yPx / height). A window of no size counts as one pixel.
void pxToUnitSquare(int xPx, int yPx, int widthPx, int heightPx, float* xUnit, float* yUnit);

// After a window of ours changed size: the unit-square projection over its
// new viewport, if it is shown (its GL context is then made current).
void updateUnitSquareViewport(Fl_Gl_Window* window);

// Ends the toolkit's event loop by hiding every window, so that the program
// leaves main() normally and its objects are destroyed.
void quitEventLoop();

// Start of a frame of the graph window and the colour band: white, alpha
// blending, line and polygon smoothing, multisampling. `alsoDepth` clears the
// depth buffer as well.
void beginSmoothFrame(bool alsoDepth);

// A new 2-D texture name, bound, with repeat wrapping and linear filtering.
GLuint makeLinearTexture();
