// GraphWindow: construction, links to the view and the chooser, the redraw
// timer, and the textures made from the six icon images.
#include "graph/GraphWindow.h"

#include <GL/glu.h>
#include <FL/Fl.H>

#include "gl/GlWindowSetup.h"
#include "operators/ClusterTree.h"
#include "resources/ResourceLocator.h"

namespace {

constexpr double kFrameInterval = 0.01;  // seconds between timer ticks: up to 100 frames a second

const char* const kIconFiles[GraphWindow::kIconCount] = {
    "Resources/brush_s.bmp",
    "Resources/unionSet_s.bmp",
    "Resources/delete_s.bmp",
};
const char* const kArrowFiles[GraphWindow::kArrowPieces] = {
    "Resources/arrow_tail_ss.bmp",
    "Resources/arrow_mid_ss.bmp",
    "Resources/arrow_head_ss.bmp",
};

}  // namespace

GraphWindow::GraphWindow(Document& shown, int x, int y, int w, int h, const char* label)
    : Fl_Gl_Window(x, y, w, h, label), document(shown) {
    mode(chooseGlContextMode());
    for (int n = 0; n < kIconCount; ++n) iconImages[n] = IconImage::load(findResource(kIconFiles[n]).c_str());
    for (int n = 0; n < kArrowPieces; ++n) arrowImages[n] = IconImage::load(findResource(kArrowFiles[n]).c_str());
    Fl::add_timeout(kFrameInterval, Timeout_Callback, this);
    document.addObserver(this);
    syncWithTree();
}

GraphWindow::~GraphWindow() {
    document.removeObserver(this);
    // The timer names this window: it must not fire once the window is gone.
    Fl::remove_timeout(Timeout_Callback, this);
    // The base destructor hides the window without reaching our hide().
    releaseTextures();
}

void GraphWindow::releaseLinks() {
    // The tree these point into is about to be released: nothing may reach
    // it until the next step fetches the new one.
    tree = nullptr;
    heldNode = nullptr;
    layoutNodes.clear();
    restartRestTest();
}

void GraphWindow::documentChanged(const DocumentChange& change) {
    if (change.kind == DocumentChange::kUndo || change.kind == DocumentChange::kRedo) {
        heldNode = nullptr;  // the node may be gone, or another in its place
    }
    // Only a change of the tree (its revision tells) or of the focus wakes
    // the layout: a hint point dragged in the view leaves the graph at rest.
    const uint64_t before = seenRevision;
    syncWithTree();
    if (seenRevision != before || change.kind == DocumentChange::kFocus) {
        restartRestTest();
        redraw();
    }
}

const AROperator* GraphWindow::getFocusedNode() const { return tree != nullptr ? tree->getFocused() : nullptr; }

void GraphWindow::syncWithTree() {
    if (tree == nullptr && document.model().getClusterTree() != nullptr) {
        tree = document.model().getClusterTree();
        heldNode = nullptr;
        seenRevision = tree->getRevision();
        restartRestTest();
        return;
    }
    if (tree == nullptr || tree->getRevision() == seenRevision) return;
    // The document changed the tree: nodes may be gone, new ones may have to move.
    seenRevision = tree->getRevision();
    dropReleasedNodes();
    restartRestTest();
}

void GraphWindow::dropReleasedNodes() {
    if (tree == nullptr || (heldNode != nullptr && !tree->contains(heldNode))) heldNode = nullptr;
}

void GraphWindow::Timeout_Callback(void* window) {
    auto* graph = static_cast<GraphWindow*>(window);
    if (graph->needsFrame()) {
        graph->layoutGraph();
        graph->redraw();
    }
    Fl::repeat_timeout(kFrameInterval, Timeout_Callback, window);
}

float GraphWindow::aspect() const { return static_cast<float>(w()) / static_cast<float>(h() > 0 ? h() : 1); }

void GraphWindow::pxToGraph(int xPx, int yPx, float* xGraph, float* yGraph) const {
    pxToUnitSquare(xPx, yPx, w(), h(), xGraph, yGraph);
}

void GraphWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    updateUnitSquareViewport(this);
    restartRestTest();
    redraw();
}

// --- Textures -------------------------------------------------------------------

void GraphWindow::flipImages(unsigned char* out, const unsigned char* in, int pixels) {
    reverseIconPixels(out, in, pixels);
}

void GraphWindow::manipulateImages(unsigned char* out, const unsigned char* in, int pixels) {
    reverseToAlphaIcon(out, in, pixels);
}

void GraphWindow::generateTextures() {
    make_current();
    texturesReady = true;
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    std::vector<unsigned char> pixels;  // once per GL context, not per frame
    for (int icon = 0; icon < kIconCount; ++icon) {
        const IconImage& image = iconImages[icon];
        const int n = image.pixelCount();
        pixels.resize(static_cast<size_t>(n) * 3);
        flipImages(pixels.data(), image.rgb.data(), n);
        iconTextures[icon] = makeLinearTexture();
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     n > 0 ? pixels.data() : nullptr);
    }
    for (int piece = 0; piece < kArrowPieces; ++piece) {
        const IconImage& image = arrowImages[piece];
        const int n = image.pixelCount();
        pixels.resize(static_cast<size_t>(n) * 4);
        manipulateImages(pixels.data(), image.rgb.data(), n);
        arrowTextures[piece] = makeLinearTexture();
        // A missing image leaves the texture empty: the piece draws as a plain quad.
        if (n > 0) {
            gluBuild2DMipmaps(GL_TEXTURE_2D, 4, image.width, image.height, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
        }
    }
    glBindTexture(GL_TEXTURE_2D, 0);
}

void GraphWindow::releaseTextures() {
    // The windows' GL contexts share their texture names, so names left
    // behind would stay taken for the rest of the process.
    if (texturesReady && context() != nullptr) {
        make_current();
        glDeleteTextures(kIconCount, iconTextures);
        glDeleteTextures(kArrowPieces, arrowTextures);
    }
    for (GLuint& texture : iconTextures) texture = 0;
    for (GLuint& texture : arrowTextures) texture = 0;
    texturesReady = false;
}

void GraphWindow::hide() {
    releaseTextures();
    Fl_Gl_Window::hide();
}
