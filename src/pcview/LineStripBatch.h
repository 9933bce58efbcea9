// LineStripBatch: line strips with per-vertex colours, collected as their
// segments (vertex pairs) in arrays and drawn with one glDrawArrays(GL_LINES)
// per batch. The item lines are hundreds of thousands of short strips; drawn
// as separate primitives (one glBegin/glEnd, or one draw, each), the driver's
// per-primitive cost dominates the frame. Each segment keeps its two end
// colours, so what reaches the screen is the same. Coordinates are view units.
//
// A strip is written straight into the arrays, which grow to a batch and are
// kept: a frame of a million items writes hundreds of millions of vertices.
#pragma once

#include <GL/glew.h>

#include <cstddef>
#include <vector>

#include "geometry/Color4.h"

class LineStripBatch {
public:
    // The strip through `points` points (xView[k], yView[k]) in one colour.
    void addStrip(const float* xView, const float* yView, int points, const Color4& colour);
    // The same, point k in colour rgba[4k] ... rgba[4k + 3].
    void addStrip(const float* xView, const float* yView, int points, const float* rgba);
    // One segment, its ends in their own colours.
    void addLine(float x0View, float y0View, const Color4& colour0, float x1View, float y1View, const Color4& colour1);
    // Draws every segment collected so far, in order, and empties the batch (its storage is kept).
    void flush();

    size_t getVertexCount() const { return vertices; }

private:
    static constexpr size_t kFlushVertices = size_t(1) << 18;  // about 6 MB of vertex data

    // Room for `more` vertices past the current ones; returns the first's place.
    size_t reserve(size_t more);
    // Writes the segments of the strip through `points` points and, for
    // segment k, calls colourSegment(k, colours) to fill its two end
    // colours (8 floats).
    template <typename ColourSegment>
    void writeStrip(const float* xView, const float* yView, int points, ColourSegment colourSegment);
    // Draws the batch once it has grown large.
    void endStrip() {
        if (vertices >= kFlushVertices) flush();
    }

    std::vector<float> xy;    // 2 per vertex, two vertices per segment
    std::vector<float> rgba;  // 4 per vertex
    size_t vertices = 0;      // vertices collected
};
