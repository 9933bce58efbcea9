#include "pcview/LineLayer.h"

bool LineLayer::isSupported() {
    return (GLEW_VERSION_3_0 || GLEW_ARB_framebuffer_object) && glGenFramebuffers != nullptr &&
           glBlitFramebuffer != nullptr && glRenderbufferStorageMultisample != nullptr;
}

bool LineLayer::prepare(int width, int height) {
    GLint windowSamples = 0, alphaBits = 0;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glGetIntegerv(GL_SAMPLES, &windowSamples);
    glGetIntegerv(GL_ALPHA_BITS, &alphaBits);
    if (framebuffer != 0 && width == widthPx && height == heightPx && windowSamples == samples) return true;
    release();
    if (width <= 0 || height <= 0) return false;
    widthPx = width;
    heightPx = height;
    samples = windowSamples;
    glGenRenderbuffers(1, &colour);
    glBindRenderbuffer(GL_RENDERBUFFER, colour);
    // The window's own format: a window without alpha blends (and rounds) as RGB.
    glRenderbufferStorageMultisample(GL_RENDERBUFFER, samples, alphaBits > 0 ? GL_RGBA8 : GL_RGB8, widthPx, heightPx);
    glGenFramebuffers(1, &framebuffer);
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, colour);
    const bool complete = glCheckFramebufferStatus(GL_FRAMEBUFFER) == GL_FRAMEBUFFER_COMPLETE;
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
    glBindRenderbuffer(GL_RENDERBUFFER, 0);
    if (!complete) release();
    return complete;
}

void LineLayer::forget() {
    framebuffer = colour = 0;
    widthPx = heightPx = samples = 0;
}

void LineLayer::release() {
    if (framebuffer != 0) glDeleteFramebuffers(1, &framebuffer);
    if (colour != 0) glDeleteRenderbuffers(1, &colour);
    forget();
}

// Upside down: with the clip origin at the top left where the context has
// it (the driver then also breaks ties on pixel and sample edges as it does
// for the window), else by turning the projection over.
void LineLayer::beginDrawing() const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    if (hasClipControl()) {
        glClipControl(GL_UPPER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    } else {
        glMatrixMode(GL_PROJECTION);
        glPushMatrix();
        glTranslatef(0, 1, 0);
        glScalef(1, -1, 1);
        glMatrixMode(GL_MODELVIEW);
    }
}

void LineLayer::endDrawing() const {
    if (hasClipControl()) {
        glClipControl(GL_LOWER_LEFT, GL_NEGATIVE_ONE_TO_ONE);
    } else {
        glMatrixMode(GL_PROJECTION);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

bool LineLayer::hasClipControl() { return (GLEW_VERSION_4_5 || GLEW_ARB_clip_control) && glClipControl != nullptr; }

void LineLayer::clear() const {
    glBindFramebuffer(GL_FRAMEBUFFER, framebuffer);
    glClearColor(1, 1, 1, 0);
    glClear(GL_COLOR_BUFFER_BIT);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}

void LineLayer::copyToWindow() const {
    glBindFramebuffer(GL_READ_FRAMEBUFFER, framebuffer);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, 0);
    glDrawBuffer(GL_BACK);
    // Turned back the right way up (row for row: nothing is resampled).
    glBlitFramebuffer(0, 0, widthPx, heightPx, 0, heightPx, widthPx, 0, GL_COLOR_BUFFER_BIT, GL_NEAREST);
    glBindFramebuffer(GL_FRAMEBUFFER, 0);
}
