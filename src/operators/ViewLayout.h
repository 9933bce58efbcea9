// ViewLayout: what the operator model needs to know of the view the table is
// shown in. Angles and distances between item segments and operators are
// measured as the screen shows them, with x multiplied by the view's aspect
// (width / height); segment heights come from the draw region; lines that no
// operator colours take the line colour.
//
// The view window implements it for the picture on screen; TableModel
// implements it without a display (tests, batch runs).
#pragma once

#include "geometry/Color4.h"
#include "layout/DrawRegion.h"

class ClusterTree;
class MultidimensionalData;
class ParallelCoordinatesAxis;

class ViewLayout {
public:
    virtual const MultidimensionalData* getData() const = 0;
    virtual const ParallelCoordinatesAxis* getAxes() const = 0;
    virtual ClusterTree* getClusterTree() const = 0;
    virtual float getAspect() const = 0;          // width / height of the view
    virtual DrawRegion getDrawRegion() const = 0;
    virtual const Color4& getLineColor() const = 0;

protected:
    ~ViewLayout() = default;  // not deleted through this interface
};
