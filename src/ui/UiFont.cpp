#include "UiFont.h"

#include <QFontDatabase>

#include <algorithm>
#include <cmath>

namespace tavilo {

QFont systemUiFont(double points, QFont::Weight weight)
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(std::max(1, static_cast<int>(std::lround(points))));
    font.setWeight(weight);
    font.setStyle(QFont::StyleNormal);
    return font;
}

QFont roundedUiFont(double points, QFont::Weight weight)
{
    return systemUiFont(points, weight);
}

} // namespace tavilo
