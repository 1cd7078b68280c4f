#include "NotchShape.h"

#include <algorithm>
#include <cmath>

namespace tavilo {

QPainterPath NotchShape::path(const QRectF& rect) const
{
    QPainterPath p;
    const QRectF r = rect.adjusted(insetAmount, insetAmount, -insetAmount, -insetAmount);
    if (!(r.width() > 0) || !(r.height() > 0))
        return p;
    const double w = r.width(), h = r.height();
    const double depth = sideWallDepthRatio > 0.95 ? 0.95 : (sideWallDepthRatio >= 0.6 ? sideWallDepthRatio : 0.6);
    const double radius = std::max(0.0, std::min({ w / 2, std::max(0.0, h - depth * h), h * bottomCornerRadiusRatio }));
    p.moveTo(r.topLeft());
    p.lineTo(r.topRight());
    p.lineTo(r.right(), r.bottom() - radius);
    if (radius > 0)
        p.arcTo(QRectF(r.right() - 2 * radius, r.bottom() - 2 * radius, 2 * radius, 2 * radius), 0, -90);
    else
        p.lineTo(r.bottomRight());
    p.lineTo(r.left() + radius, r.bottom());
    if (radius > 0)
        p.arcTo(QRectF(r.left(), r.bottom() - 2 * radius, 2 * radius, 2 * radius), 270, -90);
    else
        p.lineTo(r.bottomLeft());
    p.closeSubpath();
    return p;
}

} // namespace tavilo
