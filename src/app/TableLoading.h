// Loading a table without freezing the windows: the file is read on a worker
// thread while this thread runs the event loop, so the windows redraw and
// answer input meanwhile; a load that takes more than a moment shows its
// progress as a bar along the view's foot and as a percentage in the main
// window's status line. The table being shown is not touched until the
// caller links the new one.
#pragma once

#include <chrono>
#include <memory>
#include <string>

class MultidimensionalData;
class PCWindow;

// The table as `MultidimensionalData(path)` makes it (check it with
// describeUnusableTable), or null when another load is still under way.
// `view` (may be null) shows the progress once the load has lasted `quiet`
// (a quick load shows none); `delimiter` as the table's constructor takes it.
constexpr std::chrono::milliseconds kQuietLoad{150};
std::unique_ptr<MultidimensionalData> loadTableResponsively(const std::string& path, PCWindow* view,
                                                           char delimiter = 0,
                                                           std::chrono::milliseconds quiet = kQuietLoad);

// A load is under way (a second one is refused until it ends).
bool isTableLoading();
