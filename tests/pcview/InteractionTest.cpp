// Mouse gestures and keyboard commands of the view, driven through its
// handlers with plain event values (and, for keys, through handle() with the
// toolkit's event state set as a real event would set it).
// The view is 1000 x 500 pixels and never shown: pixel (x, y) is view point
// (x / 1000, 1 - y / 500).
#include <FL/Fl.H>
#include <FL/Fl_Window.H>

#include "cluster/ClusterPath.h"
#include "cluster/MultidimensionalCluster.h"
#include "colorchooser/ColorChooserWindow.h"
#include "GlTestContext.h"
#include "ViewTestSupport.h"

namespace {

int pxOf(float yView) { return static_cast<int>(std::lround((1 - yView) * 500)); }
// The pixel row of a normalised value on an axis.
int pxOfValue(float value) { return pxOf(0.05f + 0.9f * value); }

class InteractionTest : public ViewTest {
protected:
    void SetUp() override {
        // Five axes at x 0.05, 0.275, 0.5, 0.725, 0.95 (pixels 50, 275, 500, 725, 950).
        makeView("a,b,c,d,e\n0,0,0,0,0\n1,1,1,1,1\n0.5,0.5,0.5,0.5,0.5\n0.5,0.5,0.5,0.5,0.5\n0.2,0.8,0.2,0.8,0.2\n");
        view->linkColorChooserWindow(&chooser);
        paths = view->getPaths();
    }
    void TearDown() override { Fl::e_state = 0; }
    // One mouse event with modifiers (FL_CTRL, FL_ALT); returns what it printed.
    std::string mouse(int button, int event, int xPx, int yPx, int modifiers = 0, int wheel = 0) {
        PointerInput input = PointerInput::at(event, xPx, yPx, button);
        input.ctrl = (modifiers & FL_CTRL) != 0;
        input.alt = (modifiers & FL_ALT) != 0;
        input.wheelDy = wheel;
        return stdoutOf([&] { view->handleMouseEvents(input); });
    }
    std::string click(int button, int xPx, int yPx, int modifiers = 0) {
        const std::string out = mouse(button, FL_PUSH, xPx, yPx, modifiers);
        return out + mouse(button, FL_RELEASE, xPx, yPx, modifiers);
    }
    void wheel(int steps, int xPx, int yPx, int modifiers, int direction) {
        for (int k = 0; k < steps; ++k) mouse(0, FL_MOUSEWHEEL, xPx, yPx, modifiers, direction);
    }
    std::string key(unsigned int code, int xPx = 500, int yPx = 250) {
        return stdoutOf([&] { lastConsumed = view->handleKeyboardEvents(code, xPx, yPx); });
    }
    std::vector<AROperator*> regularOperators() const {
        std::vector<AROperator*> nodes, regular;
        tree->collectNodes(&nodes);
        for (AROperator* node : nodes) {
            if (node->type == AROperator::kTypeRegular) regular.push_back(node);
        }
        return regular;
    }
    // Places an operator in region 0 by a left click and returns it.
    AROperator* clickOperator() {
        click(FL_LEFT_MOUSE, 160, 250);
        return regularOperators().empty() ? nullptr : regularOperators()[0];
    }
    Path& path(int index) { return *paths->getUnlockedPath(index); }

    ColorChooserWindow chooser{0, 0, 50, 500};
    ClusterPath* paths = nullptr;
    int lastConsumed = -1;
};

TEST_F(InteractionTest, ClicksCreatePrimaryAndSecondaryOperatorsInTheChosenColour) {
    chooser.handleMouseEvents(PointerInput::at(FL_PUSH, 0, 375));  // hue 1.5, alpha 1
    click(FL_LEFT_MOUSE, 160, 250);
    click(FL_RIGHT_MOUSE, 600, 250);
    // Near an existing operator neither button creates one; nor does a click on an axis.
    click(FL_RIGHT_MOUSE, 605, 252);
    click(FL_LEFT_MOUSE, 162, 251);
    click(FL_LEFT_MOUSE, 500, 100);
    const auto ops = regularOperators();
    ASSERT_EQ(ops.size(), 2u);
    EXPECT_FALSE(ops[0]->primary);  // the newest comes first
    EXPECT_TRUE(ops[1]->primary);
    EXPECT_TRUE(colourIs(ops[1]->color, Color4(0.5f, 1, 0, 1)));
}

TEST_F(InteractionTest, DraggingMovesTurnsAndLocksOperators) {
    AROperator* op = clickOperator();
    ASSERT_NE(op, nullptr);
    // Grab at the centre and drag within the region, then beyond the first axis.
    mouse(FL_LEFT_MOUSE, FL_PUSH, 160, 250);
    EXPECT_EQ(view->getGrabbedOp(), op);
    mouse(FL_LEFT_MOUSE, FL_DRAG, 200, 200);
    EXPECT_FLOAT_EQ(op->position.x, 0.2f);
    EXPECT_FLOAT_EQ(op->position.y, 0.6f);
    mouse(FL_LEFT_MOUSE, FL_DRAG, 10, 200);
    EXPECT_EQ(op->leftAxis, 0);
    EXPECT_GT(op->position.x, 0.05f);
    mouse(FL_LEFT_MOUSE, FL_RELEASE, 10, 200);
    EXPECT_EQ(view->getGrabbedOp(), nullptr);
    EXPECT_TRUE(view->getMouseTrace().empty());

    // Turning: press inside the disc away from the centre, sweep counter-clockwise.
    tree->moveOperator(op, 0.16f, 0.5f);
    tree->setOperatorAngle(op, 0);
    mouse(FL_LEFT_MOUSE, FL_PUSH, 160 + 30, 250);  // 0.03 right of the centre (0.06 on screen)
    EXPECT_EQ(view->getRotatedOp(), op);
    const std::string out = mouse(FL_LEFT_MOUSE, FL_DRAG, 190, 250 - 30);  // up and round by atan 2
    EXPECT_EQ(out.rfind("current angle ", 0), 0u) << out;
    EXPECT_NEAR(op->angle, std::atan(2.0), 1e-5);
    // Clockwise in small steps for half a turn: the angle stays in (-pi/2, pi/2].
    for (int k = 0; k <= 36; ++k) {
        const double a = 1.5707963 - k * 3.1415926 / 36;
        mouse(FL_LEFT_MOUSE, FL_DRAG, 160 + static_cast<int>(std::lround(30 * std::cos(a))),
              250 - static_cast<int>(std::lround(60 * std::sin(a))));
        EXPECT_GT(op->angle, -1.5707964);
        EXPECT_LE(op->angle, 1.5707964);
    }
    // A step onto the centre itself has no direction: skipped, the angle stays a number.
    mouse(FL_LEFT_MOUSE, FL_DRAG, 160, 250);
    EXPECT_TRUE(std::isfinite(op->angle));
    mouse(FL_LEFT_MOUSE, FL_RELEASE, 160, 250);

    // The lock icon right of and below the centre toggles the lock; a middle click removes.
    click(FL_LEFT_MOUSE, 160 + 8, 250 + 15);
    EXPECT_TRUE(op->locked);
    click(FL_LEFT_MOUSE, 160 + 8, 250 + 15);
    EXPECT_FALSE(op->locked);
    click(FL_MIDDLE_MOUSE, 161, 251);
    EXPECT_TRUE(regularOperators().empty());
}

TEST_F(InteractionTest, WheelStepsStopAtTheirLimits) {
    AROperator* op = clickOperator();
    ASSERT_NE(op, nullptr);
    wheel(100, 160, 250, 0, 1);
    EXPECT_DOUBLE_EQ(op->radius, 0.005);
    wheel(100, 160, 250, 0, -1);
    EXPECT_DOUBLE_EQ(op->radius, 0.3);
    wheel(100, 160, 250, FL_CTRL, 1);
    EXPECT_DOUBLE_EQ(op->angleWidth, 0.05);
    wheel(100, 160, 250, FL_CTRL, -1);
    EXPECT_DOUBLE_EQ(op->angleWidth, 1.5707963);
    // Alt: the histogram width of the nearest axis, within [0.25, 16].
    wheel(100, 490, 100, FL_ALT, -1);
    EXPECT_FLOAT_EQ(view->getHistogramWidth(2), 16.0f);
    wheel(100, 490, 100, FL_ALT, 1);
    EXPECT_FLOAT_EQ(view->getHistogramWidth(2), 0.25f);
    EXPECT_FLOAT_EQ(view->getHistogramWidth(1), 0.5f);
    // Without Alt, between two axes: the axes spread around that gap (and
    // carry what stands on them); outside every gap nothing moves.
    const float before = view->getAxes()->getAxisPosition(2);
    wheel(1, 400, 400, 0, -3);
    EXPECT_NE(view->getAxes()->getAxisPosition(2), before);
    const float after = view->getAxes()->getAxisPosition(2);
    wheel(1, 10, 400, 0, 5);
    EXPECT_EQ(view->getAxes()->getAxisPosition(2), after);
}

TEST_F(InteractionTest, HintPointsAreAddedDraggedTunedAndDeleted) {
    std::string out = click(FL_LEFT_MOUSE, 510, pxOf(0.5f), FL_CTRL);
    // The point sits on the axis (x 0.5), not at the pointer (0.51).
    EXPECT_NE(out.find("add hint point at 0.5,0.5 with pathIndex = 0\n"), std::string::npos) << out;
    EXPECT_NE(out.find("Group number is 2"), std::string::npos) << out;
    ASSERT_EQ(view->getClusters()->getUnlockedGroupNum(), 2);
    EXPECT_EQ(view->getClusters()->getUnlockedGroup(1)->items, (std::vector<int32_t>{2, 3}));

    // Dragging moves it along its axis only; neither click creates an operator.
    mouse(FL_LEFT_MOUSE, FL_PUSH, 505, pxOf(0.5f));
    EXPECT_EQ(view->getSelectedHintPath(), 0);
    EXPECT_EQ(view->getSelectedHintDim(), 2);
    EXPECT_TRUE(regularOperators().empty());
    mouse(FL_LEFT_MOUSE, FL_DRAG, 540, pxOf(0.3f));
    ASSERT_EQ(paths->getUnlockedPathNum(), 1);
    EXPECT_FLOAT_EQ(path(0).hintPoints[2].x, 0.5f);
    EXPECT_FLOAT_EQ(path(0).hintPoints[2].y, 0.3f);
    mouse(FL_LEFT_MOUSE, FL_RELEASE, 540, pxOf(0.3f));
    EXPECT_EQ(view->getSelectedHintPath(), -1);

    // Ctrl + wheel tunes its deviation, never below 0.005.
    wheel(50, 500, pxOf(0.3f), FL_CTRL, 1);
    EXPECT_FLOAT_EQ(path(0).deviations[2], 0.005f);
    wheel(1, 500, pxOf(0.3f), FL_CTRL, -2);
    EXPECT_FLOAT_EQ(path(0).deviations[2], 0.015f);

    // Ctrl + right click deletes it, reporting the pointer's x; where there is none, nothing happens.
    out = click(FL_RIGHT_MOUSE, 510, pxOf(0.3f), FL_CTRL);
    EXPECT_NE(out.find("delete hint point at 0.51,0.3 with pathIndex = 0"), std::string::npos) << out;
    EXPECT_EQ(paths->getUnlockedPathNum(), 0);
    EXPECT_EQ(click(FL_RIGHT_MOUSE, 55, pxOf(0.05f), FL_CTRL), "");
}

TEST_F(InteractionTest, KeysSwitchDisplaysAndOnlyCharacterKeysAct) {
    auto switches = [&] {
        return std::vector<bool>{view->getShowHistograms(), view->getShowMixtures(), view->getShowHintPaths()};
    };
    key(' ');
    EXPECT_EQ(switches(), (std::vector<bool>{false, false, false}));
    key('h');
    EXPECT_EQ(switches(), (std::vector<bool>{true, false, false}));
    key(' ');
    EXPECT_EQ(switches(), (std::vector<bool>{true, true, true}));
    EXPECT_EQ(key('g'), "Group sort is activated !\n");
    EXPECT_EQ(key('G'), "Group sort is deactivated !\n");
    EXPECT_EQ(key('a'), "Gaussian-based optimization complete!\n");
    EXPECT_TRUE(view->getGaussianOrdering());
    EXPECT_EQ(key('A'), "");
    EXPECT_FALSE(view->getGaussianOrdering());
    key('q');
    EXPECT_EQ(lastConsumed, 0) << "not a command: left to others";

    // Through the toolkit's event: special keys and Ctrl shortcuts are not the view's.
    click(FL_LEFT_MOUSE, 500, pxOf(0.5f), FL_CTRL);
    Fl::e_state = 0;
    for (int special : {FL_Up, FL_Insert, FL_Home, FL_Print, FL_Menu, FL_Help, FL_F + 1}) {
        Fl::e_keysym = special;
        EXPECT_EQ(view->handle(FL_SHORTCUT), 0) << special;
    }
    EXPECT_EQ(paths->getUnlockedPathNum(), 1) << "the Up arrow did not clear the hint paths";
    EXPECT_TRUE(view->getShowHintPaths()) << "Home did not hide them";
    Fl::e_keysym = 'q';
    Fl::e_state = FL_CTRL;
    EXPECT_EQ(view->handle(FL_SHORTCUT), 0) << "Ctrl+Q goes to the menu";
    Fl::e_keysym = 'c';
    EXPECT_EQ(view->handle(FL_SHORTCUT), 0) << "Ctrl+C clears nothing";
    EXPECT_EQ(paths->getUnlockedPathNum(), 1);
    Fl::e_state = 0;
    EXPECT_EQ(view->handle(FL_SHORTCUT), 1);
    EXPECT_EQ(paths->getUnlockedPathNum(), 0) << "plain C clears the unlocked paths";
    EXPECT_EQ(view->getMixture(0), nullptr) << "and drops the mixtures";
}

TEST_F(InteractionTest, LockingAPathTakesItsGroupEvenWhenItClaimedNoItem) {
    // Path 0 on item 4's value of axis 0 (0.2); path 1 where no item lies (0.7).
    click(FL_LEFT_MOUSE, 50, pxOfValue(0.2f), FL_CTRL);
    click(FL_LEFT_MOUSE, 50, pxOfValue(0.7f), FL_CTRL);
    MultidimensionalCluster* groups = view->getClusters();
    ASSERT_EQ(paths->getUnlockedPathNum(), 2);
    EXPECT_EQ(groups->getUnlockedGroupNum(), 2) << "path 1 claimed nothing: no group 2";

    key('l', 50, pxOfValue(0.7f));  // lock path 1
    EXPECT_EQ(paths->getLockedPathNum(), 1);
    ASSERT_EQ(groups->getLockedGroupNum(), 1);
    EXPECT_TRUE(groups->getLockedGroup(0)->items.empty());
    key('l', 50, pxOfValue(0.2f));  // lock path 0 with its group
    ASSERT_EQ(groups->getLockedGroupNum(), 2);
    EXPECT_EQ(groups->getLockedGroup(1)->items, (std::vector<int32_t>{4}));
    EXPECT_TRUE(groups->getLockedGroup(1)->hidden);
    // A click on a locked hint point toggles its group's display; L unlocks path and group.
    click(FL_LEFT_MOUSE, 50, pxOfValue(0.2f));
    ASSERT_EQ(groups->getLockedGroupNum(), 2);
    EXPECT_FALSE(groups->getLockedGroup(1)->hidden);
    key('l', 50, pxOfValue(0.2f));
    EXPECT_EQ(paths->getLockedPathNum(), 1);
    EXPECT_EQ(groups->getLockedGroupNum(), 1);
}

TEST_F(InteractionTest, PeakAndDeviationKeysStepThePointUnderThePointer) {
    click(FL_LEFT_MOUSE, 500, pxOf(0.5f), FL_CTRL);
    EXPECT_NE(key('=', 500, pxOf(0.5f)).find("Group number is"), std::string::npos);
    ASSERT_EQ(paths->getUnlockedPathNum(), 1);
    EXPECT_FLOAT_EQ(path(0).peaks[2], 1.05f);
    key('\'', 500, pxOf(0.5f));
    EXPECT_FLOAT_EQ(path(0).peaks[2], static_cast<float>(1.05f * 1.05));
    EXPECT_EQ(path(0).peaks[0], 0.0f) << "peaks of missing points stay 0";
    key(']', 500, pxOf(0.5f));
    EXPECT_FLOAT_EQ(path(0).deviations[2], static_cast<float>(0.05f * 1.05));
    EXPECT_EQ(key('=', 500, pxOf(0.9f)), "") << "away from every hint point nothing changes";
}

TEST_F(InteractionTest, EscapeEndsTheEventLoop) {
    if (!testDisplayAvailable()) GTEST_SKIP() << "needs a display";
    Fl_Window shown(0, 0, 50, 50);
    shown.show();
    ASSERT_NE(Fl::first_window(), nullptr);
    EXPECT_EQ(view->handleKeyboardEvents(27, 0, 0), 1);
    EXPECT_EQ(Fl::first_window(), nullptr) << "every window hidden: Fl::run() returns";
}

}  // namespace
