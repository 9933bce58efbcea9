// The operator-tree fixture with the view window as the table holder: for
// tests of what the view draws and of its gestures.
#pragma once

#include "operators/OperatorTestSupport.h"
#include "pcview/PCWindow.h"

using ViewTest = TreeTest<PCWindow>;
