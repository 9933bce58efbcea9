// GraphWindow: construction, links to the view and the chooser, the redraw
// timer, and the textures made from the six icon images.
#include "graph/GraphWindow.h"

#include <GL/glu.h>
#include <FL/Fl.H>

#include "geometry/GlWindowSetup.h"
#include "operators/ClusterTree.h"
#include "pcview/PCWindow.h"
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

GraphWindow::GraphWindow(int x, int y, int w, int h, const char* label) : Fl_Gl_Window(x, y, w, h, label) {
    mode(chooseGlContextMode());
    for (int i = 0; i < kIconCount; ++i) iconImages[i] = IconImage::load(findResource(kIconFiles[i]).c_str());
    for (int i = 0; i < kArrowPieces; ++i) arrowImages[i] = IconImage::load(findResource(kArrowFiles[i]).c_str());
    Fl::add_timeout(kFrameInterval, Timeout_Callback, this);
}

GraphWindow::~GraphWindow() {
    // The timer names this window: it must not fire once the window is gone.
    Fl::remove_timeout(Timeout_Callback, this);
    // The base destructor hides the window without reaching our hide().
    releaseTextures();
}

void GraphWindow::linkPCWindow(PCWindow* view) {
    pcWindow = view;
    clusters = view != nullptr ? view->getClusters() : nullptr;
    paths = view != nullptr ? view->getPaths() : nullptr;
    tree = nullptr;
    fetchTreeFromView();
}

void GraphWindow::releaseLinks() {
    // The tree, groups and hint paths these point into are already released:
    // nothing may reach them until the next frame fetches the new ones.
    clusters = nullptr;
    paths = nullptr;
    tree = nullptr;
    focusedNode = nullptr;
    heldNode = nullptr;
    restartRestTest();
}

void GraphWindow::updateData() {
    clusters = nullptr;
    paths = nullptr;
}

void GraphWindow::update() {
    if (pcWindow != nullptr && clusters != nullptr && paths != nullptr) redraw();
}

void GraphWindow::fetchTreeFromView() {
    if (tree != nullptr || pcWindow == nullptr) return;
    tree = pcWindow->getClusterTree();
    if (tree == nullptr) return;  // the view has no table yet
    // The groups and hint paths of the new table come with its tree.
    clusters = pcWindow->getClusters();
    paths = pcWindow->getPaths();
    focusedNode = tree->getRoot();
    heldNode = nullptr;
    restartRestTest();
}

void GraphWindow::dropReleasedNodes() {
    if (tree == nullptr) {
        focusedNode = nullptr;
        heldNode = nullptr;
        return;
    }
    // A removal in the view may have released either node (and merged others
    // away); the tree then has moved its own focus to a node that exists.
    if (focusedNode != nullptr && !tree->contains(focusedNode)) {
        focusedNode = tree->contains(tree->focused) ? tree->focused : tree->getRoot();
    }
    if (heldNode != nullptr && !tree->contains(heldNode)) heldNode = nullptr;
}

void GraphWindow::Timeout_Callback(void* window) {
    auto* graph = static_cast<GraphWindow*>(window);
    if (graph->needsFrame()) graph->redraw();
    Fl::repeat_timeout(kFrameInterval, Timeout_Callback, window);
}

float GraphWindow::aspect() const { return static_cast<float>(w()) / static_cast<float>(h() > 0 ? h() : 1); }

void GraphWindow::pxToGraph(int xPx, int yPx, float* xGraph, float* yGraph) const {
    *xGraph = static_cast<float>(xPx) / static_cast<float>(w() > 0 ? w() : 1);
    *yGraph = 1.0f - static_cast<float>(yPx) / static_cast<float>(h() > 0 ? h() : 1);
}

void GraphWindow::resize(int x, int y, int w, int h) {
    Fl_Gl_Window::resize(x, y, w, h);
    if (shown()) {
        make_current();
        setUnitSquareProjection(w, h);
    }
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
    for (int i = 0; i < kIconCount; ++i) {
        const IconImage& image = iconImages[i];
        const int n = image.pixelCount();
        pixels.resize(static_cast<size_t>(n) * 3);
        flipImages(pixels.data(), image.rgb.data(), n);
        iconTextures[i] = makeLinearTexture();
        glTexImage2D(GL_TEXTURE_2D, 0, GL_RGB, image.width, image.height, 0, GL_RGB, GL_UNSIGNED_BYTE,
                     n > 0 ? pixels.data() : nullptr);
    }
    for (int i = 0; i < kArrowPieces; ++i) {
        const IconImage& image = arrowImages[i];
        const int n = image.pixelCount();
        pixels.resize(static_cast<size_t>(n) * 4);
        manipulateImages(pixels.data(), image.rgb.data(), n);
        arrowTextures[i] = makeLinearTexture();
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
