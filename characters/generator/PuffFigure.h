#pragma once

#include "Figure.h"

namespace clipvoice::characters {

// Puff (パフ): a small round cloud shaped like a cat, with pointed ears, big
// shiny eyes, pink cheeks and a fluffy tail.
class PuffFigure : public Figure
{
public:
    PuffFigure();
    Pose restPose() const override;

protected:
    void paintBehind(QPainter& p, const Pose& pose) const override;
    void paintBody(QPainter& p, const Pose& pose) const override;
    void paintClosedMouth(QPainter& p, QPointF centre, qreal width) const override;
};

} // namespace clipvoice::characters
