// Scenes for the view benchmarks: the real main window on the display that
// scripts/with-xvfb.sh provides, a table of bench/data, the three operators
// the README's "3 ops" rows name, and frames drawn as the toolkit draws them.
#pragma once

#include <memory>
#include <string>

class MainWindow;
class PCWindow;
class TableModel;

// bench/data/rows_<rows>.csv (or the folder STRANDS_BENCH_DATA names): <rows> x 8 dims.
std::string benchTable(int rows);

// The main window for the table at `path`, shown, its view's context made;
// the loading's console lines are dropped.
std::unique_ptr<MainWindow> showMainWindow(const std::string& path);

// Three wide primary operators, one in each of three regions, together
// holding about half the items (tables of 8 dimensions or more), on the view
// or on a model without a window. Returns the items held by regular operators.
int addThreeOperators(TableModel* holder);

// One frame of the view as the toolkit draws it (prepareFrame, draw, swap),
// finished on the GPU side before returning.
void redrawView(PCWindow* view);

// Frames until the view's line layer holds every line, as the event loop would
// draw them; returns how many it took.
int completeLineLayer(PCWindow* view);
