#pragma once

#include <QPainterPath>
#include <QRectF>

namespace tavilo {

// The panel's outline: square top corners, so it meets the screen's top edge flush, and
// rounded bottom corners.
struct NotchShape {
    double bottomCornerRadiusRatio = 0.18;
    double sideWallDepthRatio = 0.82;
    double insetAmount = 0;

    QPainterPath path(const QRectF& rect) const;
};

} // namespace tavilo
