#include "agent/ui/BalloonLayout.h"

#include <QFontMetrics>
#include <QLineF>

#include <algorithm>
#include <cmath>

namespace clipvoice::agent::ui {

QList<WrappedLine> wrapText(const QString& text, const QFontMetrics& metrics, int maxWidth)
{
    TextWrapper wrapper(text, metrics, maxWidth);
    wrapper.wrapAll();
    return wrapper.lines();
}

int firstVisibleLine(const QList<WrappedLine>& lines, int revealed, int visibleCount)
{
    // The last line that starts before the end of what is revealed.
    const auto after =
        std::partition_point(lines.cbegin(), lines.cend(),
                             [revealed](const WrappedLine& line) { return line.start < revealed; });
    const int last = std::max(0, static_cast<int>(after - lines.cbegin()) - 1);
    return std::max(0, last - std::max(1, visibleCount) + 1);
}

BalloonPlacement placeBalloon(QSize bodySize, int tailLength, const QRect& character,
                              const QRect& available)
{
    const int tallHeight = bodySize.height() + tailLength; // with the tail above or below
    const int wideWidth = bodySize.width() + tailLength;   // with the tail at a side
    const int roomAbove = character.top() - available.top();
    const int roomBelow = available.bottom() - character.bottom();
    BalloonPlacement placement;
    if (roomAbove >= tallHeight)
        placement.side = BalloonSide::Above;
    else if (roomBelow >= tallHeight)
        placement.side = BalloonSide::Below;
    else if (available.right() - character.right() >= wideWidth)
        placement.side = BalloonSide::Right;
    else if (character.left() - available.left() >= wideWidth)
        placement.side = BalloonSide::Left;
    else
        placement.side = roomAbove >= roomBelow ? BalloonSide::Above : BalloonSide::Below;

    const auto inside = [&available](int x, int y, int width, int height) {
        return QRect(std::clamp(x, available.left(),
                                std::max(available.left(), available.right() + 1 - width)),
                     std::clamp(y, available.top(),
                                std::max(available.top(), available.bottom() + 1 - height)),
                     width, height);
    };
    // The tail leaves the body at least a corner's width from its ends.
    const QRect& g = placement.geometry;
    switch (placement.side) {
    case BalloonSide::Above:
    case BalloonSide::Below: {
        const bool above = placement.side == BalloonSide::Above;
        placement.geometry = inside(character.center().x() - bodySize.width() / 2,
                                    above ? character.top() - tallHeight : character.bottom() + 1,
                                    bodySize.width(), tallHeight);
        const int inset = std::min(g.width() / 2, 24);
        placement.tip =
            QPoint(std::clamp(character.center().x(), g.left() + inset, g.right() - inset),
                   above ? g.bottom() : g.top());
        break;
    }
    case BalloonSide::Right:
    case BalloonSide::Left: {
        // Level with the character's head.
        const bool right = placement.side == BalloonSide::Right;
        const int head = character.top() + character.height() / 4;
        placement.geometry = inside(right ? character.right() + 1 : character.left() - wideWidth,
                                    head - bodySize.height() / 2, wideWidth, bodySize.height());
        const int inset = std::min(g.height() / 2, 16);
        placement.tip = QPoint(right ? g.left() : g.right(),
                               std::clamp(head, g.top() + inset, g.bottom() - inset));
        break;
    }
    }
    return placement;
}

QPainterPath speechShape(const QRectF& body, const QPointF& tip, qreal radius)
{
    QPainterPath outline;
    outline.addRoundedRect(body, radius, radius);
    // Work along the edge the tail leaves from: "along" runs with the edge,
    // "across" away from it.
    const bool horizontal = tip.y() >= body.bottom() || tip.y() <= body.top();
    const auto point = [horizontal](qreal along, qreal across) {
        return horizontal ? QPointF(along, across) : QPointF(across, along);
    };
    const qreal tipAlong = horizontal ? tip.x() : tip.y();
    const qreal tipAcross = horizontal ? tip.y() : tip.x();
    const qreal low = (horizontal ? body.left() : body.top()) + radius;
    const qreal high = (horizontal ? body.right() : body.bottom()) - radius;
    const qreal edge = horizontal ? (tip.y() > body.center().y() ? body.bottom() : body.top())
                                  : (tip.x() > body.center().x() ? body.right() : body.left());
    const qreal inward = tipAcross > edge ? -1.0 : 1.0; // overlap the body by a pixel
    const qreal halfBase = std::clamp((high - low) / 4.0, 2.0, 9.0);
    // The tail leans towards the tip from a base nearer the body's middle.
    const qreal lean = tipAlong < (low + high) / 2.0 ? 8.0 : -8.0;
    const qreal base = low + halfBase <= high - halfBase
                           ? std::clamp(tipAlong + lean, low + halfBase, high - halfBase)
                           : (low + high) / 2.0;
    const qreal middle = (edge + tipAcross) / 2.0;
    QPainterPath tail;
    tail.moveTo(point(base - halfBase, edge + inward));
    tail.quadTo(point(base - halfBase * 0.3, middle), tip);
    tail.quadTo(point(base + halfBase * 0.2, middle), point(base + halfBase, edge + inward));
    tail.closeSubpath();
    return outline.united(tail).simplified();
}

QPainterPath thoughtShape(const QRectF& body, const QPointF& tip, qreal bump)
{
    QPainterPath cloud;
    cloud.addRoundedRect(body, bump, bump);
    const auto addBumps = [&](QPointF from, QPointF to) {
        const qreal length = QLineF(from, to).length();
        const int count = std::max(1, static_cast<int>(std::lround(length / (bump * 1.6))));
        for (int i = 0; i <= count; ++i) {
            const QPointF c = from + (to - from) * (static_cast<qreal>(i) / count);
            QPainterPath circle;
            circle.addEllipse(c, bump, bump);
            cloud = cloud.united(circle);
        }
    };
    const QRectF core = body.adjusted(bump * 0.6, bump * 0.6, -bump * 0.6, -bump * 0.6);
    addBumps(core.topLeft(), core.topRight());
    addBumps(core.bottomLeft(), core.bottomRight());
    addBumps(core.topLeft(), core.bottomLeft());
    addBumps(core.topRight(), core.bottomRight());

    // Three bubbles from the cloud's edge to the tip, each smaller than the last.
    const QPointF nearest(std::clamp(tip.x(), body.left(), body.right()),
                          std::clamp(tip.y(), body.top(), body.bottom()));
    const QLineF towardsTip(nearest, tip);
    const QPointF start =
        towardsTip.length() > bump ? towardsTip.pointAt(bump * 0.4 / towardsTip.length()) : nearest;
    const qreal sizes[] = {0.7, 0.5, 0.3};
    const qreal steps[] = {0.25, 0.6, 0.88};
    for (int i = 0; i < 3; ++i)
        cloud.addEllipse(start + (tip - start) * steps[i], bump * sizes[i], bump * sizes[i]);
    return cloud;
}

} // namespace clipvoice::agent::ui
