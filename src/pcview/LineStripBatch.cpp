#include "pcview/LineStripBatch.h"

void LineStripBatch::addVertex(float xView, float yView, float r, float g, float b, float a) {
    const float vertex[6] = {xView, yView, r, g, b, a};
    if (stripVertices > 0) {
        // The segment from the previous vertex to this one.
        for (const float* v : {static_cast<const float*>(last), static_cast<const float*>(vertex)}) {
            xy.insert(xy.end(), v, v + 2);
            rgba.insert(rgba.end(), v + 2, v + 6);
        }
    }
    for (int k = 0; k < 6; ++k) last[k] = vertex[k];
    ++stripVertices;
}

void LineStripBatch::endStrip() {
    stripVertices = 0;
    if (xy.size() / 2 >= kFlushVertices) flush();
}

void LineStripBatch::flush() {
    if (!xy.empty()) {
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(2, GL_FLOAT, 0, xy.data());
        glColorPointer(4, GL_FLOAT, 0, rgba.data());
        glDrawArrays(GL_LINES, 0, static_cast<GLsizei>(xy.size() / 2));
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_VERTEX_ARRAY);
    }
    xy.clear();
    rgba.clear();
    stripVertices = 0;
}
