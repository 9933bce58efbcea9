// The program's pi and pi / 2, written with these digits wherever angles are
// measured (operator angles, histogram bins, round shapes, the graph's
// arrows), so that every module turns the same angle into the same number.
#pragma once

inline constexpr double kPi = 3.1415926;
inline constexpr double kHalfPi = 1.5707963;
