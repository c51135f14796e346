#include "PuffFigure.h"

#include <QPainterPath>

#include <algorithm>
#include <cmath>

namespace clipvoice::characters {

namespace {

const QColor kOutline(0x3b, 0x3f, 0x6e);
const QColor kCloud(0xf8, 0xf9, 0xff);
const QColor kCloudShade(0xdc, 0xe1, 0xf7);
const QColor kPink(0xff, 0xa6, 0xc1);
const QColor kEye(0x2a, 0x2d, 0x52);
const QColor kWhite(0xff, 0xff, 0xff);

FigureLayout puffLayout()
{
    FigureLayout l;
    l.outline = kOutline;
    l.fill = kCloud;
    l.accent = QColor(0x4f, 0x8f, 0xd9);
    l.effect = QColor(0xff, 0xb8, 0xd4);
    l.outlineWidth = 2.6;
    l.anchor = QPointF(64, 104);
    l.shoulderL = QPointF(36, 82);
    l.shoulderR = QPointF(92, 82);
    l.armLength = 21;
    l.armWidth = 7;
    l.handRadius = 6;
    l.holdCentre = QPointF(64, 100);
    l.headTop = QPointF(64, 40);
    l.earPoint = QPointF(93, 62);
    l.mouthCentre = QPointF(64, 80.5);
    l.mouthWidth = 13;
    return l;
}

// The body: overlapping puffs that make one round, fluffy cloud.
QPainterPath cloudPath()
{
    struct Puff
    {
        qreal x, y, r;
    };
    const Puff puffs[] = {{64, 70, 29}, {42, 83, 16}, {86, 83, 16}, {54, 90, 14},
                          {74, 90, 14}, {46, 57, 14}, {82, 57, 14}, {64, 46, 14}};
    QPainterPath path;
    path.setFillRule(Qt::WindingFill);
    for (const Puff& p : puffs)
        path.addEllipse(QPointF(p.x, p.y), p.r, p.r);
    return path.simplified();
}

// An ear pointing up, turned by `angle` degrees about its base.
QPainterPath earPath(int side, qreal angle, bool inner)
{
    QPainterPath path;
    const qreal s = inner ? 0.55 : 1.0;
    path.moveTo(-9 * s, 4 * s);
    path.quadTo(-6 * s, -9 * s, -1 * s, -15 * s);
    path.quadTo(1.5 * s, -17 * s, 3 * s, -14 * s);
    path.quadTo(8 * s, -6 * s, 10 * s, 5 * s);
    path.closeSubpath();
    QTransform t;
    t.translate(side < 0 ? 47 : 81, side < 0 ? 47 : 47);
    t.rotate(side * (-12 + angle));
    t.scale(side, 1);
    if (inner)
        t.translate(0, -1.5);
    return t.map(path);
}

} // namespace

PuffFigure::PuffFigure()
    : Figure(puffLayout())
{}

Pose PuffFigure::restPose() const
{
    Pose p;
    p.armL = 28;
    p.armR = 28;
    return p;
}

void PuffFigure::paintBehind(QPainter& p, const Pose& pose) const
{
    const qreal lw = layout().outlineWidth;
    // The tail: a curl up to the right with a puff at its end.
    p.save();
    p.translate(88, 96);
    p.rotate(-pose.tail);
    QPainterPath tail(QPointF(-4, 0));
    tail.cubicTo(QPointF(12, 4), QPointF(22, -4), QPointF(20, -18));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(kOutline, 8 + 2 * lw, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(tail);
    p.setPen(outlinePen(lw));
    p.setBrush(kCloud);
    p.drawEllipse(QPointF(20, -21), 7.5, 7.5);
    p.setPen(QPen(kCloud, 8, Qt::SolidLine, Qt::RoundCap));
    p.drawPath(tail);
    p.restore();

    // Ears, each with a pink inside; they twitch with `ears`.
    for (int side : {-1, 1}) {
        const qreal angle = side < 0 ? pose.ears * 10 : -pose.ears * 4;
        p.setPen(outlinePen(lw));
        p.setBrush(kCloud);
        p.drawPath(earPath(side, angle, false));
        p.setPen(Qt::NoPen);
        p.setBrush(kPink);
        p.drawPath(earPath(side, angle, true));
    }
}

void PuffFigure::paintBody(QPainter& p, const Pose& pose) const
{
    const qreal lw = layout().outlineWidth;
    const QPainterPath body = cloudPath();
    // Flat shading: a soft lavender crescent along the bottom of the cloud.
    p.setPen(Qt::NoPen);
    p.setBrush(kCloud);
    p.drawPath(body);
    p.setBrush(kCloudShade);
    p.drawPath(body.subtracted(body.translated(2, -7)));
    p.setPen(outlinePen(lw));
    p.setBrush(Qt::NoBrush);
    p.drawPath(body);

    p.save();
    p.setClipPath(body);
    p.setPen(Qt::NoPen);
    QColor cheek = kPink;
    cheek.setAlphaF(float(0.45 + 0.45 * std::min<qreal>(1, pose.blush)));
    p.setBrush(cheek);
    p.drawEllipse(QPointF(45, 79), 5.5 + 1.5 * pose.blush, 3.2);
    p.drawEllipse(QPointF(83, 79), 5.5 + 1.5 * pose.blush, 3.2);

    // Whiskers.
    p.setPen(QPen(kOutline, 1.3, Qt::SolidLine, Qt::RoundCap));
    for (int side : {-1, 1}) {
        const qreal x = 64 + side * 21;
        p.drawLine(QPointF(x, 75), QPointF(x + side * 10, 72.5));
        p.drawLine(QPointF(x + side * 0.5, 78.5), QPointF(x + side * 10.5, 79));
    }

    // Eyes: big and shiny, closed arcs when happy, a line when blinking.
    const QPointF look(pose.lookX * 2.2, pose.lookY * 1.8);
    for (int side : {-1, 1}) {
        const QPointF c = QPointF(64 + side * 11, 68) + look;
        if (pose.eyes == Eyes::Happy) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kEye, 2.4, Qt::SolidLine, Qt::RoundCap));
            QPainterPath arc(c + QPointF(-4.5, 1.5));
            arc.quadTo(c + QPointF(0, -5), c + QPointF(4.5, 1.5));
            p.drawPath(arc);
        } else if (pose.eyeOpen < 0.25) {
            p.setBrush(Qt::NoBrush);
            p.setPen(QPen(kEye, 2.4, Qt::SolidLine, Qt::RoundCap));
            QPainterPath arc(c + QPointF(-4.5, 0));
            arc.quadTo(c + QPointF(0, 3), c + QPointF(4.5, 0));
            p.drawPath(arc);
        } else {
            const bool wide = pose.eyes == Eyes::Wide;
            const qreal rx = wide ? 5.2 : 4.4;
            const qreal ry = (wide ? 6.6 : 5.6) * pose.eyeOpen;
            p.setPen(Qt::NoPen);
            p.setBrush(kEye);
            p.drawEllipse(c, rx, ry);
            p.setBrush(kWhite);
            p.drawEllipse(c + QPointF(-1.5, -ry * 0.4), 1.7,
                          1.7 * std::min<qreal>(1, pose.eyeOpen));
            p.drawEllipse(c + QPointF(1.8, ry * 0.45), 0.8, 0.8);
        }
    }

    // Small brows that show the mood.
    if (std::abs(pose.brow) > 0.15) {
        p.setBrush(Qt::NoBrush);
        p.setPen(QPen(kOutline, 1.8, Qt::SolidLine, Qt::RoundCap));
        for (int side : {-1, 1}) {
            const qreal cx = 64 + side * 11;
            const qreal up = std::max<qreal>(0, pose.brow) * 3;
            const qreal worry = std::max<qreal>(0, -pose.brow) * 2.5;
            QPainterPath brow(QPointF(cx + side * 4.5, 59 - up + worry * 0.4));
            brow.quadTo(QPointF(cx + side * 1.0, 57.2 - up),
                        QPointF(cx - side * 2.5, 59 - up - worry));
            p.drawPath(brow);
        }
    }

    // Nose.
    p.setPen(QPen(kOutline, 1.0));
    p.setBrush(kPink);
    QPainterPath nose(QPointF(61.6, 75));
    nose.lineTo(66.4, 75);
    nose.quadTo(64, 78.4, 64, 78.4);
    nose.closeSubpath();
    p.drawPath(nose);

    paintMouth(p, pose);
    p.restore();
}

void PuffFigure::paintClosedMouth(QPainter& p, QPointF centre, qreal width) const
{
    // A cat's "w" mouth.
    const qreal u = width / 12.0;
    QPainterPath w(centre + QPointF(-5, -1.2) * u);
    w.quadTo(centre + QPointF(-2.5, 2.8) * u, centre + QPointF(0, -1.0) * u);
    w.quadTo(centre + QPointF(2.5, 2.8) * u, centre + QPointF(5, -1.2) * u);
    p.setBrush(Qt::NoBrush);
    p.setPen(outlinePen(1.8));
    p.drawPath(w);
}

} // namespace clipvoice::characters
