#pragma once

#include "Skiro/Live.hpp"

#include <QImage>

// The status item's drawings.
namespace skiro::Icon {

// The status item's image for `state`, with the dot when an update waits: 20 by 16 points at
// `scale` pixels a point, black with alpha (a template the desktop may recolour).
QImage menuBar(Live::State state, bool dot, qreal scale);

// `image`'s shape, each pixel's alpha kept, in `colour`: a template drawn where nothing
// recolours it.
QImage tinted(const QImage& image, const QColor& colour);

} // namespace skiro::Icon
