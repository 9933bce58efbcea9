// SlicePacer: sizes the slices of the view's progressive line drawing.
//
// A slice is a share of the lines drawn in one frame; after it the frame
// composites the lines and draws the other layers, which costs the same
// whatever the slice drew. Short slices answer input sooner; long ones spend
// less of the drawing on those fixed costs. So the first slice after a change
// is short (the user sees the lines start at once, and the next change is
// taken soon), as is every slice while input is waiting; otherwise a slice
// lasts a set multiple of the rest of the frame, so that rest costs a small,
// bounded share of the drawing, within a ceiling. Input that arrives during
// a long slice ends it once it has run the short slice's time (the view
// looks for it every few milliseconds, see yieldFrom), so the ceiling bounds
// only how often the picture of a long drawing is shown.
//
// A slice is bounded by segments rather than by the clock alone: the driver
// rasterises after the draw calls return, so the time the calls take says
// little. The pacer learns the segments per second drawn (rasterising
// included) from the slices it is told about. A segment here is an item's
// line between two adjacent axes, whether drawn straight (one GL segment) or
// bent (fourteen short ones): the rasteriser's cost follows the pixels a
// line covers, which are about the same either way, so a rate learnt on bent
// lines holds for straight ones (counted in GL segments, a slice of straight
// lines after one of bent lines overran its budget six times).
#pragma once

#include <chrono>
#include <cstdint>

class SlicePacer {
public:
    using Clock = std::chrono::steady_clock;

    // Lines of a slice the pacer has not yet measured anything for.
    static constexpr uint64_t kUnmeasuredSegments = 20000;
    static constexpr uint64_t kLeastSegments = 1000;
    // A slice lasts this many times the rest of the frame when no input
    // waits (the rest then costs about 2.5 % of the drawing)...
    static constexpr double kRestOfFrameFactor = 40.0;
    // ... but never longer than the longest slice (by default this).
    static constexpr std::chrono::milliseconds kLongestSlice{1000};

    struct Slice {
        Clock::time_point deadline;   // stop by then whatever was drawn
        uint64_t segmentLimit;        // or once this many segments are drawn
        Clock::time_point yieldFrom;  // or, from then on, as soon as input waits
        // Segments the driver draws in about the time after which the slice
        // yields: the view lets at most two such steps wait for the
        // rasteriser, so that the clock and input are looked at while it works.
        uint64_t stepSegments;
    };

    explicit SlicePacer(std::chrono::microseconds shortest) : shortSlice(shortest), yieldDelay(shortest) {}

    // The budget of a short slice (the first after a change, or with input
    // waiting) and the most any slice gets (at least the short one's); a
    // slice yields to input after yieldAfter (by default the short budget).
    void setBudgets(std::chrono::microseconds shortest, std::chrono::microseconds longest) {
        setBudgets(shortest, longest, shortest);
    }
    void setBudgets(std::chrono::microseconds shortest, std::chrono::microseconds longest,
                    std::chrono::microseconds yieldAfter) {
        shortSlice = shortest;
        longestSlice = longest;
        yieldDelay = yieldAfter;
    }

    // A new drawing: its first slice is short and the time since the last
    // slice of the previous drawing says nothing about frames.
    void restart();
    // The slice that starts `now`.
    Slice nextSlice(Clock::time_point now, bool inputWaiting);
    // The slice begun at `start` drew `segments` segments and was rasterised by `end`.
    void sliceDone(uint64_t segments, Clock::time_point start, Clock::time_point end);

    double getSegmentsPerSecond() const { return segmentsPerSecond; }
    // The rest of a frame (compositing, other layers, showing it), seconds; 0: not measured.
    double getRestOfFrameSeconds() const { return restOfFrameSeconds; }

private:
    std::chrono::microseconds shortSlice;
    std::chrono::microseconds longestSlice = kLongestSlice;
    std::chrono::microseconds yieldDelay;  // a slice yields to input after this long
    bool firstSlice = true;
    bool haveLastEnd = false;
    Clock::time_point lastEnd;
    double segmentsPerSecond = 0;
    double restOfFrameSeconds = 0;
};
