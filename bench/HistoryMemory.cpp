// The edit history on a large table: what its steps cost in memory and time.
// Loads the table named on the command line (the 10^6 x 8 benchmark table)
// into a document without a window and makes 100 steps of two kinds, each
// through the document's own operations, as the view's gestures make them:
//
//   mixed:  operators added, dragged (20 moves a step), resized by wheel
//           bursts, turned; hint points added and dragged; the axes spread;
//           display switches;
//   heavy:  100 drags of a hint point whose path claims half the table, so
//           that every step reorders half a million items of a group (the
//           largest steps there are: what a step keeps grows with the items
//           it moves).
//
// For each it prints the bytes the history holds, the steps it keeps, the
// time a step takes beyond its edits (its before-image at the first edit,
// its deltas when it closes), the time of an undo and a redo, and the
// process's resident memory: after loading, at the end, what letting the
// history go gives back (the history starts afresh after each kind), and its peak.
#include <malloc.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <functional>
#include <iostream>
#include <string>
#include <vector>

#include "data/MultidimensionalData.h"
#include "model/Document.h"
#include "operators/ClusterTree.h"

namespace {

using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// VmRSS (now) or VmHWM (peak) of this process, MB.
// (Memory the allocator holds free is handed back first: what stays is in use.)
double residentMb(const char* field) {
    malloc_trim(0);
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind(field, 0) == 0) return std::stod(line.substr(std::string(field).size())) / 1024.0;
    }
    return 0;
}

std::vector<const AROperator*> operatorsOf(const Document& document) {
    std::vector<AROperator*> nodes;
    document.model().getClusterTree()->collectNodes(&nodes);
    std::vector<const AROperator*> regular;
    for (const AROperator* node : nodes) {
        if (node->type == AROperator::kTypeRegular) regular.push_back(node);
    }
    return regular;
}

double median(std::vector<double> values) {
    if (values.empty()) return 0;
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

// Makes `steps` steps with `step` (one gesture each, given the step's number
// and its gesture) and prints what they cost.
void run(Document& document, const char* name, int steps, const std::function<void(int, uint64_t)>& step) {
    const double rssBefore = residentMb("VmRSS:");
    std::vector<double> stepMs, editMs;
    for (int k = 0; k < steps; ++k) {
        const uint64_t gesture = document.newGesture();
        const auto start = Clock::now();
        step(k, gesture);
        const double edits = msSince(start);
        const auto closing = Clock::now();
        document.endGesture();
        stepMs.push_back(edits + msSince(closing));
        editMs.push_back(edits);
    }
    const EditHistory& history = document.getHistory();
    std::printf("%s: %d steps, %zu kept, history %.1f MB (%.2f MB a step kept); a step %.0f ms (median; its "
                "edits alone %.0f ms); resident memory %.0f MB before, %.0f MB after\n",
                name, steps, history.undoCount(), history.bytes() / 1048576.0,
                history.bytes() / 1048576.0 / std::max<size_t>(history.undoCount(), 1), median(stepMs),
                median(editMs), rssBefore, residentMb("VmRSS:"));
    auto start = Clock::now();
    document.undo();
    const double undoMs = msSince(start);
    start = Clock::now();
    document.redo();
    const double redoMs = msSince(start);
    // What the history itself holds in memory: the resident memory it gives back when it goes.
    const double withHistory = residentMb("VmRSS:");
    document.modelForSetUp();
    std::printf("  undo %.0f ms, redo %.0f ms; letting the history go gives back %.0f MB of resident memory\n", undoMs,
                redoMs, withHistory - residentMb("VmRSS:"));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s TABLE\n", argv[0]);
        return 2;
    }
    std::streambuf* console = std::cout.rdbuf(nullptr);  // the loader's and the operations' lines
    Document document;
    document.replaceTable(new MultidimensionalData(argv[1]));
    if (!document.model().hasDrawableData() || document.model().getData()->getActualDimNum() < 8) {
        std::cout.rdbuf(console);
        std::fprintf(stderr, "%s: needs a table of 8 dimensions\n", argv[1]);
        return 1;
    }
    const double loaded = residentMb("VmRSS:");
    const Color4 red(0.9f, 0.2f, 0.1f, 0.8f);

    run(document, "mixed", 100, [&](int k, uint64_t gesture) {
        const std::vector<const AROperator*> ops = operatorsOf(document);
        switch (k % 10) {
            case 0:  // a new operator in one of three gaps, under the root
                document.setFocusedOperator(document.model().getClusterTree()->getRoot());
                document.addOperator(0.18f + 0.32f * (k / 10 % 3), 0.45f + 0.01f * (k % 7), true, red, gesture);
                break;
            case 1:
            case 2:  // an operator dragged
                for (int move = 0; move < 20; ++move) {
                    document.moveOperator(ops[static_cast<size_t>(k) % ops.size()], 0.2f, 0.4f + 0.004f * move, gesture);
                }
                break;
            case 3:  // a wheel burst on an operator
                for (int turn = 0; turn < 5; ++turn) document.stepOperatorRadius(ops.front(), -1, gesture);
                break;
            case 4: document.turnOperator(ops.back(), 0.1 * (k % 5), gesture); break;
            case 5: document.addHintPoint(k / 10 % 8, 0.3f + 0.05f * (k / 10 % 5), gesture); break;
            case 6:  // a hint point dragged
                for (int move = 0; move < 5; ++move) document.moveHintPoint(0, 0, 0.3f + 0.02f * move, gesture);
                break;
            case 7:
                for (int turn = 0; turn < 3; ++turn) document.spreadAxes(3, -1, gesture);
                break;
            case 8: document.toggleHistograms(gesture); break;
            default: document.stepHintDeviation(0, 0, -2, gesture); break;
        }
    });

    // A hint path that claims about half of the table on one axis.
    document.clearHintPaths();
    document.addHintPoint(1, 0.5f);
    for (int k = 0; k < 40; ++k) document.stepHintDeviation(0, 1, -10);
    run(document, "heavy", 100, [&](int k, uint64_t gesture) {
        for (int move = 0; move < 3; ++move) document.moveHintPoint(0, 1, 0.45f + 0.001f * ((k * 3 + move) % 100), gesture);
    });

    std::cout.rdbuf(console);
    std::printf("resident memory: %.0f MB once the table was loaded, peak %.0f MB; the history's bound %.0f MB\n", loaded,
                residentMb("VmHWM:"), EditHistory::kMaxBytes / 1048576.0);
    return 0;
}
