#pragma once

#include "Figure.h"

namespace clipvoice::characters {

// The program's mascot: a white speech bubble with a tail at the lower left,
// wearing dark blue sunglasses. Its outline, lenses and colours are those of
// the window icon (characters/figures/BubbleShape.h), scaled up, with eyes,
// arms, eyebrows and a mouth added.
class BubbleFigure : public Figure
{
public:
    BubbleFigure();
    Pose restPose() const override;

protected:
    void paintBody(QPainter& p, const Pose& pose) const override;
    void paintClosedMouth(QPainter& p, QPointF centre, qreal width) const override;
};

} // namespace clipvoice::characters
