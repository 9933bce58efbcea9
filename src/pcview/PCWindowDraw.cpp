// PCWindow: the preparation of a frame, the draw pass and the icon textures
// it sets up.
#include "pcview/PCWindow.h"

#include <GL/glew.h>
#include <FL/Fl.H>

#include <algorithm>

#include "gl/GlWindowSetup.h"
#include "gl/IconImage.h"
#include "pcview/ItemLineStyle.h"
#include "cluster/ClusterPath.h"
#include "operators/ClusterTree.h"
#include "operators/DataItemPaths.h"
#include "resources/ResourceLocator.h"

namespace {

const char* const kLockIconFile = "Resources/lock_s.bmp";
const char* const kUnlockIconFile = "Resources/unlock_s.bmp";

// Loads one icon into a new RGBA texture (an empty one for a missing file).
GLuint makeIconTexture(const char* resourceFile) {
    const IconImage image = IconImage::load(findResource(resourceFile).c_str());
    const int n = image.pixelCount();
    std::vector<unsigned char> rgba(static_cast<size_t>(n) * 4);
    PCWindow::manipulateImages(rgba.data(), image.rgb.data(), n);
    glEnable(GL_TEXTURE_2D);
    const GLuint texture = makeLinearTexture();
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, image.width, image.height, 0, GL_RGBA, GL_UNSIGNED_BYTE,
                 n > 0 ? rgba.data() : nullptr);
    return texture;
}

}  // namespace

void PCWindow::manipulateImages(unsigned char* dst, const unsigned char* src, int n) {
    reverseToAlphaIcon(dst, src, n);
}

void PCWindow::generateTextures() {
    make_current();
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    // One set per GL context: textures of a context that still exists are
    // replaced, not leaked (a resize only invalidates the projection).
    if (lockTexture != 0 && context_valid()) {
        glDeleteTextures(1, &lockTexture);
        glDeleteTextures(1, &unlockTexture);
    }
    lockTexture = makeIconTexture(kLockIconFile);
    unlockTexture = makeIconTexture(kUnlockIconFile);
    glDisable(GL_TEXTURE_2D);
}

void PCWindow::flush() {
    prepareFrame();
    Fl_Gl_Window::flush();
    // A gesture's step is worked out after the frame that shows its end, in
    // the event loop's next turn (before the frame after it).
    if (document.isHistoryUnsettled() && !Fl::has_timeout(settleHistory, this)) {
        Fl::add_timeout(0.0, settleHistory, this);
    }
}

void PCWindow::settleHistory(void* view) { static_cast<PCWindow*>(view)->document.settleHistory(); }

void PCWindow::prepareFrame() {
    // Item lines are bent through the operators only once the root has children.
    if (hasDrawableData() && !getClusterTree()->getRoot()->noChildren()) buildCurves();
}

void PCWindow::hide() {
    if (context() != nullptr) {
        make_current();
        lineLayer.release();
    }
    lineLayerStarted = false;
    Fl::remove_timeout(continueLineLayer, this);
    Fl::remove_timeout(watchDensityOrdering, this);
    Fl::remove_timeout(settleHistory, this);
    Fl_Gl_Window::hide();
}

void PCWindow::draw() {
    make_current();
    if (!valid()) {
        // The first frame of a context, or the first after a size change.
        const bool newContext = !context_valid() || lockTexture == 0;
        valid(1);
        setUpGlContext(w(), h(), 0);
        glEnable(GL_POLYGON_SMOOTH);
        // The icons are made once per GL context; a size change keeps them.
        if (newContext) {
            generateTextures();
            lineLayer.forget();
            lineLayerStarted = false;
        }
    }
    // Layers in stacking order: later ones paint over earlier ones. The item
    // lines come from the line layer where there is one; its copy covers
    // every pixel (every sample), so the window need not be cleared first.
    lineLayerActive = hasDrawableData() && lineLayerEnabled && LineLayer::isSupported() && lineLayer.prepare(w(), h());
    glColor4f(1, 1, 1, 1);
    if (!lineLayerActive) {
        glClearColor(1, 1, 1, 0);
        glClear(GL_COLOR_BUFFER_BIT);
    }
    applyItemLineState();  // every layer draws with the item lines' state
    // Before a table is linked, and for a table without items or numeric
    // dimensions, the view is its white background.
    if (!hasDrawableData()) {
        if (loadFraction >= 0) renderProgressMark(static_cast<float>(loadFraction), 2);
        return;
    }

    if (lineLayerActive) {
        renderLineLayer();
    } else {
        renderLines_TreeBased();
    }
    make_current();
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    renderAxes();
    if (getShowHistograms()) renderHistogramRiver_TreeBased(getClusterTree()->getRoot());
    if (getPaths()->getPathNum() > 0 && getShowHintPaths()) renderHintPaths();
    if (hasMixtures() && getShowMixtures()) renderMixtures();
    renderOperators();
    if (!mouseTrace.empty()) renderMouseTrace();
    if (lineLayerActive && !lineLayerComplete) {
        const float itemsPerTable = static_cast<float>(std::max(getData()->getDataNum(), 1));
        renderProgressMark(static_cast<float>(lineCursor.drawnItems) / itemsPerTable, 0);
        if (!Fl::has_timeout(continueLineLayer, this)) Fl::add_timeout(0.0, continueLineLayer, this);
    }
    if (isDensityOrderingPending()) renderProgressMark(static_cast<float>(getDensityOrderingProgress()), 1);
    if (loadFraction >= 0) renderProgressMark(static_cast<float>(loadFraction), 2);
    renderHover();  // the hovered line and its label, over every other layer

    glDisable(GL_POLYGON_SMOOTH);
    glDisable(GL_LINE_SMOOTH);
    glDisable(GL_MULTISAMPLE);
}
