#include "pcview/LineStripBatch.h"

size_t LineStripBatch::reserve(size_t more) {
    const size_t first = vertices;
    vertices += more;
    if (xy.size() < 2 * vertices) {
        xy.resize(2 * vertices);
        rgba.resize(4 * vertices);
    }
    return first;
}

template <typename ColourSegment>
void LineStripBatch::writeStrip(const float* xView, const float* yView, int points, ColourSegment colourSegment) {
    if (points < 2) return;
    const size_t first = reserve(2 * static_cast<size_t>(points - 1));
    float* position = &xy[2 * first];
    float* colours = &rgba[4 * first];
    for (int k = 0; k + 1 < points; ++k) {
        position[0] = xView[k];
        position[1] = yView[k];
        position[2] = xView[k + 1];
        position[3] = yView[k + 1];
        position += 4;
        colourSegment(k, colours);
        colours += 8;
    }
    endStrip();
}

void LineStripBatch::addStrip(const float* xView, const float* yView, int points, const Color4& colour) {
    writeStrip(xView, yView, points, [&colour](int, float* colours) {
        for (int end = 0; end < 2; ++end, colours += 4) {
            colours[0] = colour.r;
            colours[1] = colour.g;
            colours[2] = colour.b;
            colours[3] = colour.a;
        }
    });
}

void LineStripBatch::addStrip(const float* xView, const float* yView, int points, const float* pointRgba) {
    writeStrip(xView, yView, points, [pointRgba](int k, float* colours) {
        for (int c = 0; c < 8; ++c) colours[c] = pointRgba[4 * k + c];
    });
}

void LineStripBatch::addLine(float x0View, float y0View, const Color4& colour0, float x1View, float y1View,
                             const Color4& colour1) {
    const size_t first = reserve(2);
    float* position = &xy[2 * first];
    position[0] = x0View;
    position[1] = y0View;
    position[2] = x1View;
    position[3] = y1View;
    float* colours = &rgba[4 * first];
    for (const Color4* c : {&colour0, &colour1}) {
        colours[0] = c->r;
        colours[1] = c->g;
        colours[2] = c->b;
        colours[3] = c->a;
        colours += 4;
    }
    endStrip();
}

void LineStripBatch::flush() {
    if (vertices > 0) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, xy.data());
        glColorPointer(4, GL_FLOAT, 0, rgba.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(vertices));
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    vertices = 0;
}
