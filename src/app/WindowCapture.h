// Pictures of the program's windows as they are on screen, for File > Save
// Image: each OpenGL window draws a fresh frame into its back buffer and
// reads it back, so the picture does not depend on what covers the window.
#pragma once

#include <vector>

class MainWindow;
class PCWindow;

struct WindowPicture {
    int widthPx = 0;
    int heightPx = 0;
    std::vector<unsigned char> rgb;  // 3 bytes per pixel, the top row first
};

// The view at its current size, as one frame draws it now: while a large
// table's lines are still being drawn (PCWindow::drawingPending), with part
// of them.
WindowPicture captureView(PCWindow* view);
// Runs the event loop until every line of the view is drawn (the user sees
// them fill in and may go on working); false when the view was hidden first.
bool waitForCompleteLines(PCWindow* view);
// The whole main window: its menu bar, background and status line as the
// toolkit draws them (anew, once any window that covered them is gone), with
// the three GL windows' frames in their places.
WindowPicture captureMainWindow(MainWindow& main);
