#include "BubbleFigure.h"

#include "characters/figures/BubbleShape.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace clipvoice::characters {

namespace {

// Grid units of the icon to canvas pixels.
constexpr qreal kUnit = 2.5;
const QPointF kOrigin(24, 29);

namespace shape = figures::bubble;

const QColor kOutline(shape::kOutline);
const QColor kWhite(shape::kBody);
const QColor kShade(shape::kShade);
const QColor kLens(shape::kLens);
const QColor kLensLight(shape::kLensLight);
const QColor kGlint(shape::kGlint);

QPointF px(qreal x, qreal y)
{
    return kOrigin + QPointF(x, y) * kUnit;
}

QTransform gridToCanvas()
{
    return QTransform(kUnit, 0, 0, kUnit, kOrigin.x(), kOrigin.y());
}

FigureLayout bubbleLayout()
{
    FigureLayout l;
    l.outline = kOutline;
    l.fill = kWhite;
    l.accent = QColor(0xe0, 0x5a, 0x4f);
    l.effect = QColor(0x8f, 0xc1, 0xff);
    l.outlineWidth = 2.8;
    l.anchor = px(16, 29.6);
    l.shoulderL = QPointF(38, 78);
    l.shoulderR = QPointF(90, 78);
    l.armLength = 23;
    l.armWidth = 6;
    l.handRadius = 5.2;
    l.holdCentre = QPointF(64, 100);
    l.headTop = px(16, 3.4);
    l.earPoint = px(29.5, 12);
    l.mouthCentre = px(16.5, 19.8);
    l.mouthWidth = 17;
    return l;
}

} // namespace

BubbleFigure::BubbleFigure()
    : Figure(bubbleLayout())
{}

Pose BubbleFigure::restPose() const
{
    Pose p;
    p.armL = 28;
    p.armR = 22;
    return p;
}

void BubbleFigure::paintBody(QPainter& p, const Pose& pose) const
{
    const qreal lw = layout().outlineWidth;
    const QPainterPath body = gridToCanvas().map(shape::outline());
    // Flat shading: white, with a crescent of shade along the lower right as if
    // lit from the upper left. Flat colours keep the shared palette clean.
    p.setPen(Qt::NoPen);
    p.setBrush(kWhite);
    p.drawPath(body);
    p.setBrush(kShade);
    p.drawPath(body.subtracted(body.translated(-3.5, -4.5)));

    p.save();
    p.setClipPath(body);

    if (pose.blush > 0.02) {
        QColor pink(0xff, 0x9d, 0xb5);
        pink.setAlphaF(float(std::min<qreal>(1, pose.blush) * 0.7));
        p.setBrush(pink);
        p.drawEllipse(px(6.2, 18.6), 3.4 * kUnit / 2, 1.6 * kUnit / 2 + 1);
        p.drawEllipse(px(26.4, 18.2), 3.4 * kUnit / 2, 1.6 * kUnit / 2 + 1);
    }

    // The sunglasses slide down (peek > 0) to show the eyes, or jump up.
    const qreal shift = pose.peek >= 0 ? pose.peek * 3.6 : pose.peek * 1.0;
    const qreal lift = std::max<qreal>(0, -pose.peek) * 1.0;

    // Eyes sit behind the lenses and show only when the glasses slide down.
    if (pose.peek > 0.05) {
        for (qreal cx : {10.5, 21.5}) {
            const QPointF c = px(cx + pose.lookX * 1.0, 12.0 + pose.lookY * 0.6);
            p.setPen(QPen(kOutline, lw * 0.75, Qt::SolidLine, Qt::RoundCap));
            // Closed eyes sit a little higher, where the slid glasses show them.
            const QPointF closed = c - QPointF(0, 2.2);
            if (pose.eyes == Eyes::Happy) {
                p.setBrush(Qt::NoBrush);
                QPainterPath arc(closed + QPointF(-3, 1.5));
                arc.quadTo(closed + QPointF(0, -3), closed + QPointF(3, 1.5));
                p.drawPath(arc);
            } else if (pose.eyeOpen < 0.25) {
                p.setBrush(Qt::NoBrush);
                QPainterPath arc(closed + QPointF(-3, -0.5));
                arc.quadTo(closed + QPointF(0, 2.5), closed + QPointF(3, -0.5));
                p.drawPath(arc);
            } else {
                const qreal r = pose.eyes == Eyes::Wide ? 3.6 : 2.8;
                p.setPen(Qt::NoPen);
                p.setBrush(kOutline);
                p.drawEllipse(c, r * 0.85, r * pose.eyeOpen);
                p.setBrush(kWhite);
                p.drawEllipse(c + QPointF(-0.9, -1.1), 0.9, 0.9);
            }
        }
    }

    // Eyebrows show only with a mood: raised, or worried (inner ends up).
    if (std::abs(pose.brow) > 0.15 || lift > 0.1) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kOutline, lw * 1.1, Qt::SolidLine, Qt::RoundCap));
        for (int side : {-1, 1}) {
            const qreal cx = side < 0 ? 10.5 : 21.5;
            const qreal up = std::max<qreal>(0, pose.brow) * 1.0 + lift * 0.4;
            const qreal worry = std::max<qreal>(0, -pose.brow) * 1.4;
            const qreal y = 7.5 - up;
            const QPointF outer = px(cx - side * 2.4, y + worry * 0.5);
            const QPointF inner = px(cx + side * 2.0, y - worry * 0.7);
            QPainterPath brow(outer);
            brow.quadTo(px(cx - side * 0.2, y - 0.9 + worry * 0.3), inner);
            p.drawPath(brow);
        }
    }

    // The frame's bar runs from one side of the bubble to the other.
    p.setPen(Qt::NoPen);
    p.setBrush(kOutline);
    p.drawRect(QRectF(px(2.0, 9.2 + shift), px(30.0, 11.0 + shift)));
    // Each lens is dark blue with a lighter band along its rounded bottom.
    for (qreal left : shape::kLensLefts) {
        const QPainterPath lens = gridToCanvas().map(shape::lens(left, shape::kLensTop + shift));
        p.setPen(Qt::NoPen);
        p.setBrush(kLens);
        p.drawPath(lens);
        p.setBrush(kLensLight);
        p.drawPath(lens.subtracted(lens.translated(0, -2.4 * kUnit)));
        p.setPen(QPen(kOutline, lw * 0.55));
        p.setBrush(Qt::NoBrush);
        p.drawPath(lens);
    }
    // The glints follow the gaze; a blink dims them.
    if (pose.eyeOpen > 0.3) {
        const qreal len = shape::kGlintRun * std::min<qreal>(1, pose.eyeOpen);
        p.setPen(QPen(kGlint, 1.1 * kUnit, Qt::SolidLine, Qt::RoundCap));
        for (QPointF glint : shape::kGlintStarts) {
            const QPointF a =
                px(glint.x() + pose.lookX * 1.2, glint.y() + shift + pose.lookY * 0.6);
            p.drawLine(a, a + QPointF(len, -len) * kUnit);
        }
    }

    paintMouth(p, pose);
    p.restore();

    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(lw));
    p.drawPath(body);
}

void BubbleFigure::paintClosedMouth(QPainter& p, QPointF centre, qreal width) const
{
    // The icon's relaxed half smile.
    const qreal u = width / 8.0;
    QPainterPath smile(centre + QPointF(-4.0, 0.4) * u);
    smile.quadTo(centre + QPointF(0.0, 2.8) * u, centre + QPointF(4.0, -0.4) * u);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(layout().outlineWidth * 0.8));
    p.drawPath(smile);
}

} // namespace clipvoice::characters
