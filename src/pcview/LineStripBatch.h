// LineStripBatch: line strips with per-vertex colours, collected as their
// segments (vertex pairs) in arrays and drawn with one glDrawArrays(GL_LINES)
// per batch. The item lines are hundreds of thousands of short strips; drawn
// as separate primitives (one glBegin/glEnd, or one draw, each), the driver's
// per-primitive cost dominates the frame. Each segment keeps its two end
// colours, so what reaches the screen is the same. Coordinates are view units.
#pragma once

#include <GL/glew.h>

#include <vector>

#include "geometry/Color4.h"

class LineStripBatch {
public:
    void beginStrip() { stripVertices = 0; }
    void addVertex(float xView, float yView, float r, float g, float b, float a);
    void addVertex(float xView, float yView, const Color4& c) { addVertex(xView, yView, c.r, c.g, c.b, c.a); }
    // Ends the strip; draws the batch when it has grown large.
    void endStrip();
    // Draws every segment collected so far, in order, and empties the batch (its storage is kept).
    void flush();

private:
    static constexpr size_t kFlushVertices = size_t(1) << 18;  // about 6 MB of vertex data

    std::vector<float> xy;    // 2 per vertex, two vertices per segment
    std::vector<float> rgba;  // 4 per vertex
    float last[6] = {};       // previous vertex of the current strip: x, y, r, g, b, a
    int stripVertices = 0;    // vertices added to the current strip
};
