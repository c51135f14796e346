#include "Figure.h"

#include <QPainterPath>
#include <QtMath>

#include <algorithm>
#include <cmath>
#include <utility>

namespace clipvoice::characters {

namespace {

const QColor kMouthInside(0x5b, 0x1f, 0x2e);
const QColor kTongue(0xf0, 0x7f, 0x92);
const QColor kPage(0xff, 0xfa, 0xee);
const QColor kPageTurning(0xf0, 0xe8, 0xd4);
const QColor kTextLine(0x9a, 0xa4, 0xb8);
const QColor kInk(0x2f, 0x5c, 0xb4);
const QColor kGold(0xff, 0xcf, 0x3a);
const QColor kGoldDark(0xd9, 0x95, 0x12);
const QColor kWood(0x6b, 0x46, 0x2c);
const QColor kGlass(0xff, 0xf4, 0xa8);
const QColor kMetal(0xa7, 0xb0, 0xc2);

constexpr qreal kContentScale = 0.9;

qreal clamp01(qreal v)
{
    return std::clamp(v, qreal(0), qreal(1));
}

QPointF direction(qreal degrees, int side)
{
    const qreal r = qDegreesToRadians(degrees);
    return {qreal(side) * std::sin(r), std::cos(r)};
}

// A star with `points` tips of radius `outer` and notches at `inner`.
QPainterPath starPath(QPointF centre, qreal outer, qreal inner, int points, qreal turn = 0)
{
    QPainterPath path;
    for (int i = 0; i < 2 * points; ++i) {
        const qreal a = qDegreesToRadians(turn + 180.0 * qreal(i) / qreal(points));
        const qreal r = i % 2 == 0 ? outer : inner;
        const QPointF pt = centre + QPointF(std::sin(a) * r, -std::cos(a) * r);
        if (i == 0)
            path.moveTo(pt);
        else
            path.lineTo(pt);
    }
    path.closeSubpath();
    return path;
}

// Strokes a line twice, wide in the outline colour and narrower in the fill,
// so that it reads on light and on dark backgrounds.
void outlinedStroke(QPainter& p, const QPainterPath& path, const QColor& fill,
                    const QColor& outline, qreal width, qreal border)
{
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(outline, width + 2 * border, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
    p.setPen(QPen(fill, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(path);
}

// An open mouth: a flat curve on top and a deep round bottom.
QPainterPath openMouthPath(QPointF c, qreal w, qreal h)
{
    const qreal l = c.x() - w / 2;
    const qreal r = c.x() + w / 2;
    QPainterPath path;
    path.moveTo(l, c.y());
    path.cubicTo(l + w * 0.2, c.y() - h * 0.3, r - w * 0.2, c.y() - h * 0.3, r, c.y());
    path.cubicTo(r - w * 0.02, c.y() + h * 1.25, l + w * 0.02, c.y() + h * 1.25, l, c.y());
    path.closeSubpath();
    return path;
}

} // namespace

Figure::Figure(FigureLayout layout)
    : m_layout(std::move(layout))
{}

Figure::~Figure() = default;

QPen Figure::outlinePen(qreal width) const
{
    return QPen(m_layout.outline, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
}

QTransform Figure::bodyTransform(const Pose& pose) const
{
    const QPointF a = m_layout.anchor;
    QTransform t;
    t.translate(a.x() + pose.x, a.y() + pose.y);
    t.rotate(pose.tilt);
    t.scale(pose.scale * (1 + pose.squash), pose.scale * (1 - pose.squash));
    t.translate(-a.x(), -a.y());
    return t;
}

QTransform Figure::canvasTransform(int side)
{
    // The drawing is scaled down a little about the bottom centre, which leaves
    // room at the edges for raised arms, props and effects.
    QTransform canvas;
    canvas.scale(qreal(side) / 128.0, qreal(side) / 128.0);
    canvas.translate(64, 120);
    canvas.scale(kContentScale, kContentScale);
    canvas.translate(-64, -120);
    return canvas;
}

QRect Figure::mouthRect(const Pose& pose) const
{
    const QPointF c = m_layout.mouthCentre;
    const qreal w = m_layout.mouthWidth;
    const QRectF local(c.x() - w * 0.75, c.y() - w * 0.3, w * 1.5, w * 1.05);
    return (bodyTransform(pose) * canvasTransform(128))
        .mapRect(local)
        .toAlignedRect()
        .adjusted(-2, -2, 2, 2);
}

QImage Figure::render(const Pose& pose, int side) const
{
    QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    if (pose.scale < 0.03)
        return image;
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QTransform canvas = canvasTransform(side);
    p.setTransform(bodyTransform(pose) * canvas);

    paintBehind(p, pose);
    for (int side2 : {-1, 1})
        paintArm(p, pose, side2);
    paintBody(p, pose);
    paintBook(p, pose);
    paintPaper(p, pose);
    paintHeld(p, pose);
    for (int side2 : {-1, 1})
        if ((side2 < 0 ? pose.frontL : pose.frontR) > 0.5)
            paintHand(p, pose, side2);

    p.setTransform(canvas);
    paintEffects(p, pose);
    p.end();
    return image;
}

// The wand is held pointing a little higher than the arm.
QPointF Figure::wandDirection(const Pose& pose)
{
    return direction(std::min<qreal>(180, pose.armR + 30), 1);
}

QPointF Figure::handPoint(const Pose& pose, int side) const
{
    const QPointF shoulder = side < 0 ? m_layout.shoulderL : m_layout.shoulderR;
    const qreal length = m_layout.armLength * (side < 0 ? pose.reachL : pose.reachR);
    return shoulder + direction(side < 0 ? pose.armL : pose.armR, side) * length;
}

void Figure::paintArm(QPainter& p, const Pose& pose, int side) const
{
    const QPointF shoulder = side < 0 ? m_layout.shoulderL : m_layout.shoulderR;
    const QPointF dir = direction(side < 0 ? pose.armL : pose.armR, side);
    const qreal bend = side < 0 ? pose.bendL : pose.bendR;
    const QPointF normal(dir.y() * side, -dir.x() * side);
    const QPointF hand = handPoint(pose, side);
    const qreal length = m_layout.armLength * (side < 0 ? pose.reachL : pose.reachR);
    const QPointF elbow = shoulder + dir * (length * 0.5) + normal * (length * bend / 100.0);
    QPainterPath arm(shoulder);
    arm.quadTo(elbow, hand);
    outlinedStroke(p, arm, m_layout.fill, m_layout.outline, m_layout.armWidth,
                   m_layout.outlineWidth * 0.8);
    if ((side < 0 ? pose.frontL : pose.frontR) <= 0.5)
        paintHand(p, pose, side);
}

void Figure::paintHand(QPainter& p, const Pose& pose, int side) const
{
    p.setPen(outlinePen(m_layout.outlineWidth * 0.8));
    p.setBrush(m_layout.fill);
    p.drawEllipse(handPoint(pose, side), m_layout.handRadius, m_layout.handRadius);
}

void Figure::paintMouth(QPainter& p, const Pose& pose) const
{
    const QPointF c = m_layout.mouthCentre;
    const qreal w = m_layout.mouthWidth;
    const qreal lw = m_layout.outlineWidth * 0.75;
    p.setPen(outlinePen(lw));
    p.setBrush(Qt::NoBrush);
    qreal mw = 0;
    qreal mh = 0;
    switch (pose.mouth) {
    case Mouth::Closed:
        paintClosedMouth(p, c, w);
        return;
    case Mouth::Frown: {
        QPainterPath path(c + QPointF(-w * 0.35, w * 0.18));
        path.quadTo(c + QPointF(0, -w * 0.18), c + QPointF(w * 0.35, w * 0.18));
        p.drawPath(path);
        return;
    }
    case Mouth::Wavy: {
        QPainterPath path(c + QPointF(-w * 0.4, 0));
        path.cubicTo(c + QPointF(-w * 0.2, -w * 0.22), c + QPointF(-w * 0.05, -w * 0.2),
                     c + QPointF(0, 0));
        path.cubicTo(c + QPointF(w * 0.05, w * 0.2), c + QPointF(w * 0.2, w * 0.22),
                     c + QPointF(w * 0.4, 0));
        p.drawPath(path);
        return;
    }
    case Mouth::Wide1:
        mw = w * 0.8;
        mh = w * 0.16;
        break;
    case Mouth::Wide2:
        mw = w * 0.88;
        mh = w * 0.28;
        break;
    case Mouth::Wide3:
        mw = w * 0.95;
        mh = w * 0.42;
        break;
    case Mouth::Wide4:
        mw = w * 1.02;
        mh = w * 0.56;
        break;
    case Mouth::Medium:
        mw = w * 0.6;
        mh = w * 0.42;
        break;
    case Mouth::Narrow:
        mw = w * 0.36;
        mh = w * 0.3;
        break;
    case Mouth::Smile:
        mw = w * 0.95;
        mh = w * 0.45;
        break;
    case Mouth::Oh:
        mw = w * 0.42;
        mh = w * 0.5;
        break;
    case Mouth::Sleepy:
        mw = w * 0.26;
        mh = w * 0.2;
        break;
    }
    QPainterPath mouth;
    if (pose.mouth == Mouth::Smile) {
        // Flat on top, round underneath.
        mouth.moveTo(c.x() - mw / 2, c.y() - mh * 0.2);
        mouth.quadTo(c.x(), c.y() - mh * 0.05, c.x() + mw / 2, c.y() - mh * 0.2);
        mouth.cubicTo(c.x() + mw * 0.4, c.y() + mh * 1.1, c.x() - mw * 0.4, c.y() + mh * 1.1,
                      c.x() - mw / 2, c.y() - mh * 0.2);
    } else if (pose.mouth == Mouth::Oh || pose.mouth == Mouth::Narrow ||
               pose.mouth == Mouth::Sleepy) {
        mouth.addEllipse(QRectF(c.x() - mw / 2, c.y() - mh * 0.35, mw, mh));
    } else {
        mouth = openMouthPath(c, mw, mh);
    }
    p.setPen(Qt::NoPen);
    p.setBrush(kMouthInside);
    p.drawPath(mouth);
    if (mh > w * 0.25) {
        // A tongue at the bottom of larger openings.
        p.save();
        p.setClipPath(mouth);
        p.setBrush(kTongue);
        p.drawEllipse(QPointF(c.x(), c.y() + mh * 0.95), mw * 0.32, mh * 0.45);
        p.restore();
    }
    p.setPen(outlinePen(lw));
    p.setBrush(Qt::NoBrush);
    p.drawPath(mouth);
}

void Figure::paintBook(QPainter& p, const Pose& pose) const
{
    const qreal s = clamp01(pose.book);
    if (s < 0.05)
        return;
    p.save();
    const QPointF c = m_layout.holdCentre;
    p.translate(c);
    p.scale(s, s);
    p.setPen(outlinePen(1.6));
    const qreal h = 20;
    if (pose.bookOpen < 0.3) {
        // Closed: the front cover with a spine band and a small emblem.
        const QRectF cover(-13, -h / 2, 26, h);
        p.setBrush(m_layout.accent);
        p.drawRoundedRect(cover, 2, 2);
        p.setBrush(m_layout.accent.darker(130));
        p.drawRect(QRectF(-13, -h / 2, 5, h));
        p.setPen(Qt::NoPen);
        p.setBrush(kGold);
        p.drawPath(starPath(QPointF(3, 0), 4.2, 1.8, 5));
        p.restore();
        return;
    }
    const qreal pw = 6 + 15 * clamp01(pose.bookOpen);
    // The cover shows as a rim around the pages.
    p.setBrush(m_layout.accent.darker(115));
    p.drawRoundedRect(QRectF(-pw - 2, -h / 2 + 1, 2 * pw + 4, h + 2), 2, 2);
    const auto page = [&](int dir, qreal width, qreal lift) {
        QPainterPath path(QPointF(0, -h / 2 + 1));
        path.quadTo(QPointF(dir * width * 0.5, -h / 2 - 2 - lift),
                    QPointF(dir * width, -h / 2 - lift));
        path.lineTo(QPointF(dir * width, h / 2 - lift));
        path.quadTo(QPointF(dir * width * 0.5, h / 2 - 2 - lift), QPointF(0, h / 2));
        path.closeSubpath();
        return path;
    };
    p.setBrush(kPage);
    p.setPen(outlinePen(1.4));
    p.drawPath(page(-1, pw, 0));
    p.drawPath(page(1, pw, 0));
    // Lines of text on both pages.
    p.setPen(QPen(kTextLine, 1.3, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 3; ++i) {
        const qreal y = -h / 2 + 5 + 4.5 * i;
        if (pw > 10) {
            p.drawLine(QPointF(-pw + 3, y), QPointF(-3, y + 0.5));
            p.drawLine(QPointF(3, y + 0.5), QPointF(pw - 3 - (i == 2 ? 5 : 0), y));
        }
    }
    if (pose.pageTurn > 0.02 && pose.pageTurn < 0.98) {
        const qreal ang = M_PI * pose.pageTurn;
        const qreal width = pw * std::cos(ang);
        const qreal lift = 5 * std::sin(ang);
        const int dir = width >= 0 ? 1 : -1;
        p.setPen(outlinePen(1.4));
        p.setBrush(kPageTurning);
        p.drawPath(page(dir, std::abs(width), lift));
    }
    p.restore();
}

void Figure::paintPaper(QPainter& p, const Pose& pose) const
{
    const qreal s = clamp01(pose.paper);
    if (s < 0.05)
        return;
    p.save();
    p.translate(m_layout.holdCentre + QPointF(-3, -2));
    p.rotate(-8);
    p.scale(s, s);
    p.setPen(outlinePen(1.5));
    p.setBrush(kPage);
    p.drawRect(QRectF(-12, -14, 24, 28));
    // Written lines appear one after another as little blue scribbles.
    p.setPen(QPen(kInk, 1.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    for (int i = 0; i < 4; ++i) {
        const qreal part = clamp01(pose.written * 4 - i);
        if (part <= 0)
            continue;
        const qreal y = -8 + 5.5 * i;
        const qreal length = 17 * part;
        QPainterPath line(QPointF(-9, y));
        for (qreal x = 1.5; x <= length; x += 1.5)
            line.lineTo(-9 + x, y + (int(x / 1.5) % 2 == 0 ? -1.2 : 0.8));
        p.drawPath(line);
    }
    p.restore();
}

void Figure::paintHeld(QPainter& p, const Pose& pose) const
{
    const QPointF hand = handPoint(pose, 1);
    if (pose.pen > 0.05) {
        // A yellow pencil with its point to the lower left of the hand.
        const qreal s = clamp01(pose.pen);
        const QPointF tip = hand + QPointF(-6, 8) * s;
        const QPointF end = hand + QPointF(7, -11) * s;
        QPainterPath body(tip + (end - tip) * 0.2);
        body.lineTo(end);
        outlinedStroke(p, body, kGold, m_layout.outline, 3.4, 1.2);
        QPainterPath point(tip + (end - tip) * 0.22);
        point.lineTo(tip);
        outlinedStroke(p, point, QColor(0xf5, 0xd7, 0xa8), m_layout.outline, 2.2, 1.0);
    }
    if (pose.wand > 0.05) {
        const qreal s = clamp01(pose.wand);
        const QPointF dir = wandDirection(pose);
        const QPointF start = hand - dir * 4;
        const QPointF tip = hand + dir * (15 * s);
        QPainterPath stick(start);
        stick.lineTo(tip);
        outlinedStroke(p, stick, kWood, m_layout.outline, 2.8, 1.2);
        p.setPen(outlinePen(1.4));
        p.setBrush(kGold);
        p.drawPath(starPath(tip + dir * 2, 6.5 * s, 2.8 * s, 5, pose.armR * 0.5));
    }
    if (pose.horn > 0.05) {
        // A small golden trumpet raised from the hand towards the upper right.
        const qreal s = clamp01(pose.horn);
        p.save();
        p.translate(hand);
        p.rotate(-30);
        p.scale(s, s);
        p.setPen(outlinePen(1.5));
        p.setBrush(kGold);
        QPainterPath bell(QPointF(4, -2.2));
        bell.lineTo(QPointF(18, -3));
        bell.quadTo(QPointF(22, -3.5), QPointF(24, -8));
        bell.lineTo(QPointF(24, 8));
        bell.quadTo(QPointF(22, 3.5), QPointF(18, 3));
        bell.lineTo(QPointF(4, 2.2));
        bell.closeSubpath();
        p.drawPath(bell);
        p.setBrush(kGoldDark);
        p.drawEllipse(QPointF(24, 0), 2.4, 8);
        p.drawRect(QRectF(-4, -1.6, 8, 3.2));
        p.restore();
    }
}

// True when a mark of `radius` around `centre` (layout pixels) stays clear of
// the picture's edges; sparkles that would not are left out.
bool Figure::insideCanvas(QPointF centre, qreal radius)
{
    const QPointF c = canvasTransform(128).map(centre);
    const qreal r = radius * kContentScale + 3;
    return c.x() - r >= 0 && c.y() - r >= 0 && c.x() + r <= 128 && c.y() + r <= 128;
}

void Figure::paintEffects(QPainter& p, const Pose& pose) const
{
    const QTransform t = bodyTransform(pose);
    const QPointF head = t.map(m_layout.headTop);
    const QColor line = m_layout.outline;
    const qreal tau = 2 * M_PI;

    // Marks above the head pop in at a readable size rather than grow from a
    // tiny dot, which would look like stray pixels.
    if (pose.bulb > 0.3) {
        const qreal s = clamp01(pose.bulb);
        const QPointF c = head + QPointF(0, -15);
        if (s > 0.75) {
            for (int i = 0; i < 5; ++i) {
                const qreal a = qDegreesToRadians(-90.0 + 45.0 * (i - 2));
                const QPointF d(std::cos(a), std::sin(a));
                QPainterPath ray(c + d * 12.5);
                ray.lineTo(c + d * 16.5);
                outlinedStroke(p, ray, kGold, line, 2.0, 1.0);
            }
        }
        p.setPen(outlinePen(1.6));
        p.setBrush(kMetal);
        p.drawRoundedRect(QRectF(c.x() - 4 * s, c.y() + 5 * s, 8 * s, 6 * s), 1.5, 1.5);
        p.setBrush(kGlass);
        p.drawEllipse(c, 8.5 * s, 8.5 * s);
        p.setPen(QPen(kGoldDark, 1.2, Qt::SolidLine, Qt::RoundCap));
        QPainterPath filament(c + QPointF(-3, 3) * s);
        filament.quadTo(c + QPointF(-1.5, -2) * s, c + QPointF(0, 1) * s);
        filament.quadTo(c + QPointF(1.5, -2) * s, c + QPointF(3, 3) * s);
        p.drawPath(filament);
    }
    if (pose.question > 0.35) {
        const qreal s = clamp01(pose.question);
        const QPointF c = head + QPointF(31, -12);
        QPainterPath q(c + QPointF(-4.5, -5) * s);
        q.cubicTo(c + QPointF(-4.5, -11) * s, c + QPointF(5, -11) * s, c + QPointF(5, -5) * s);
        q.cubicTo(c + QPointF(5, -1) * s, c + QPointF(0, 0) * s, c + QPointF(0, 4) * s);
        outlinedStroke(p, q, m_layout.effect, line, 3.2 * s, 1.3);
        QPainterPath dot(c + QPointF(0, 9) * s);
        dot.lineTo(c + QPointF(0, 9.2) * s);
        outlinedStroke(p, dot, m_layout.effect, line, 3.6 * s, 1.3);
    }
    if (pose.exclaim > 0.35) {
        const qreal s = clamp01(pose.exclaim);
        const QPointF c = head + QPointF(-33, -12);
        QPainterPath bar(c + QPointF(0, -10) * s);
        bar.lineTo(c + QPointF(0, 2) * s);
        outlinedStroke(p, bar, QColor(0xff, 0x6b, 0x6b), line, 3.6 * s, 1.3);
        QPainterPath dot(c + QPointF(0, 8) * s);
        dot.lineTo(c + QPointF(0, 8.2) * s);
        outlinedStroke(p, dot, QColor(0xff, 0x6b, 0x6b), line, 3.8 * s, 1.3);
    }
    if (pose.thought > 0.05) {
        p.setPen(outlinePen(1.4));
        p.setBrush(QColor(0xff, 0xff, 0xff));
        for (int i = 0; i < 3; ++i) {
            const qreal s = clamp01(pose.thought * 3 - i);
            if (s < 0.5)
                continue;
            const qreal r = (2 + 1.3 * i) * s;
            p.drawEllipse(head + QPointF(26 + 6 * i, -4 - 7 * i), r, r);
        }
    }
    if (pose.listen > 0.05) {
        const QPointF c = t.map(m_layout.earPoint);
        for (int i = 0; i < 3; ++i) {
            if (pose.listen * 3 - i <= 0.2)
                continue;
            const qreal r = 5 + 4.5 * i;
            QPainterPath arc;
            arc.arcMoveTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -40);
            arc.arcTo(QRectF(c.x() - r, c.y() - r, 2 * r, 2 * r), -40, 80);
            outlinedStroke(p, arc, m_layout.effect, line, 2.0, 1.0);
        }
    }
    if (pose.zzz > 0.05) {
        for (int i = 0; i < 3; ++i) {
            const qreal u = (i + pose.phase) / 3.0;
            qreal s = clamp01(pose.zzz) * (0.55 + 0.6 * u);
            s *= std::min(clamp01(u / 0.18), clamp01((1 - u) / 0.15));
            if (s < 0.3)
                continue;
            const QPointF c = head + QPointF(27 + 16 * u, -6 - 18 * u);
            QPainterPath z(c + QPointF(-4, -4) * s);
            z.lineTo(c + QPointF(4, -4) * s);
            z.lineTo(c + QPointF(-4, 4) * s);
            z.lineTo(c + QPointF(4, 4) * s);
            outlinedStroke(p, z, m_layout.effect, line, 2.2 * s + 0.4, 1.1);
        }
    }
    if (pose.sparkles > 0.05) {
        // Around the wand's tip while a wand is held, otherwise around the body.
        const bool atWand = pose.wand > 0.5;
        const QPointF centre = atWand ? t.map(handPoint(pose, 1) + wandDirection(pose) * 17)
                                      : t.map(m_layout.headTop + QPointF(0, 26));
        const qreal radius = atWand ? 9 : 46;
        const int count = atWand ? 5 : 7;
        p.setPen(outlinePen(1.1));
        p.setBrush(kGold);
        for (int i = 0; i < count; ++i) {
            const qreal a = tau * (qreal(i) / count + pose.phase * 0.25);
            const qreal pulse = 0.5 + 0.5 * std::sin(tau * (pose.phase + qreal(i) * 0.37));
            const qreal s = clamp01(pose.sparkles) * (0.5 + 0.5 * pulse);
            if (s < 0.4)
                continue;
            const qreal r = radius * (0.8 + 0.2 * std::sin(qreal(i) * 2.1));
            const QPointF c = centre + QPointF(std::cos(a), std::sin(a) * 0.85) * r;
            if (!insideCanvas(c, 6 * s))
                continue;
            p.drawPath(starPath(c, 6 * s, 1.7 * s, 4));
        }
    }
    if (pose.stars > 0.05) {
        p.setPen(outlinePen(1.2));
        p.setBrush(kGold);
        const QPointF spots[] = {{-30, 6}, {30, 4}, {-20, -10}, {22, -12}};
        for (int i = 0; i < 4; ++i) {
            const qreal pulse = 0.75 + 0.25 * std::sin(tau * (pose.phase + qreal(i) * 0.25));
            const qreal s = clamp01(pose.stars) * pulse;
            if (s < 0.55 || !insideCanvas(head + spots[i], 6.5 * s))
                continue;
            p.drawPath(starPath(head + spots[i], 6.5 * s, 2.8 * s, 5, 15.0 * i));
        }
    }
}

} // namespace clipvoice::characters
