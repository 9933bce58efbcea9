// DrawRegion: where normalised values stand on the view's vertical axis.
// A value valueNorm in [0, 1] is drawn at yView = offset + scale * valueNorm
// (view units, y up): the axes run from 0.05 to 0.95 of the view's height.
#pragma once

// How far above and below the view a hint point or an operator may be
// dragged (view units: the pointer keeps reporting positions outside the
// window while a button is held): one view height beyond either edge. The
// drags stop there and a session is read within these bounds.
constexpr float kMinDragYView = -1.0f;
constexpr float kMaxDragYView = 2.0f;

struct DrawRegion {
    float offset = 0.05f;  // view y of value 0: the axis foot
    float scale = 0.9f;    // view height of the whole value range: the axis length

    float toView(float valueNorm) const { return offset + scale * valueNorm; }
    float toNorm(float yView) const { return (yView - offset) / scale; }
    float top() const { return offset + scale; }  // view y of value 1: the axis top

    bool operator==(const DrawRegion& other) const { return offset == other.offset && scale == other.scale; }
    bool operator!=(const DrawRegion& other) const { return !(*this == other); }
};
