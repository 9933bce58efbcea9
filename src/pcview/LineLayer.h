// LineLayer: an offscreen image of the view's size that holds the item lines,
// the bottom layer of the view's picture. The lines are drawn into it only
// when something they depend on changed; every frame copies it into the
// window's back buffer and draws the other layers over it, so a frame that
// changes no line costs in proportion to the pixels, not the items.
//
// The image has the window's own format and sample count (a multisampled
// window gets a multisampled renderbuffer), and the copy is a blit of every
// sample. The lines are drawn into it upside down and the copy turns them
// back: Mesa keeps a window's buffer with its top row first and an offscreen
// buffer with its bottom row first, and rasterises (line coverage, ties on
// pixel and sample edges) in that storage order; drawn upright, the two
// would differ by a colour level along some line edges and by whole samples
// where an edge meets a sample exactly. Drawn this way, what lands in the
// window is bit for bit what drawing the lines there directly leaves.
// Without framebuffer objects the view draws its lines directly every frame.
#pragma once

#include <GL/glew.h>

class LineLayer {
public:
    LineLayer() = default;
    LineLayer(const LineLayer&) = delete;
    LineLayer& operator=(const LineLayer&) = delete;

    // Whether the current GL context offers framebuffer objects and blits.
    static bool isSupported();

    // The target for a widthPx x heightPx window with the current context's
    // sample count, made or remade as needed; false when it cannot be made.
    // The context must be current.
    bool prepare(int widthPx, int heightPx);
    // Forgets the GL names without deleting them (their context is gone).
    void forget();
    // Deletes the GL names (their context current).
    void release();

    // Draw into the image (and back into the window). beginDrawing clears nothing;
    // it turns the projection upside down until endDrawing.
    void beginDrawing() const;
    void endDrawing() const;
    // White, alpha 0: the view's background.
    void clear() const;
    // Copies every pixel (every sample) into the window's back buffer.
    void copyToWindow() const;

    bool isReady() const { return framebuffer != 0; }

private:
    static bool hasClipControl();

    GLuint framebuffer = 0;
    GLuint colour = 0;  // renderbuffer
    int widthPx = 0, heightPx = 0, samples = 0;
};
