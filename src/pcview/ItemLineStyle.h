// The GL state the view's item lines are drawn with: 2 px wide, smoothed,
// multisampled where the window has samples, blended over what is below by
// their alpha. The view sets it at the start of every frame (its other layers
// draw with it too) and again before it draws item lines; the frame benchmark's
// raster floor sets it through the same call, so that floor and view always
// rasterise the same lines the same way.
#pragma once

// Width of an item line, window pixels.
constexpr float kItemLineWidthPx = 2.0f;

// Sets line width, blending (source alpha, one minus source alpha), line
// smoothing and multisampling in the current GL context.
void applyItemLineState();
