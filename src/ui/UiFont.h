#pragma once

#include <QFont>

namespace tavilo {

// The interface font at a size in points (logical pixels, as all of the prompter's geometry)
// and a weight.
QFont systemUiFont(double points, QFont::Weight weight);

// The rounded design of the interface font. Linux desktops ship no rounded variant of their
// interface font, so this is the interface font itself; the one place to change if they do.
QFont roundedUiFont(double points, QFont::Weight weight);

} // namespace tavilo
