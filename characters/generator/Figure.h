#pragma once

#include "Pose.h"

#include <QColor>
#include <QImage>
#include <QPainter>
#include <QPointF>
#include <QRect>
#include <QString>
#include <QTransform>

namespace clipvoice::characters {

// Where a figure's parts are, in pixels of the 128-pixel canvas before the
// pose moves, squashes or tilts the body.
struct FigureLayout
{
    QColor outline;
    QColor fill;
    QColor accent; // book cover, paper tint
    QColor effect; // fill of question marks and the like
    qreal outlineWidth = 2.6;
    QPointF anchor; // the body squashes and tilts about this point
    QPointF shoulderL;
    QPointF shoulderR;
    qreal armLength = 20;
    qreal armWidth = 6.5;
    qreal handRadius = 5.5;
    QPointF holdCentre; // where a held book or sheet of paper sits
    QPointF headTop;    // effects above the head are placed from here
    QPointF earPoint;   // sound arcs start here (right side of the head)
    QPointF mouthCentre;
    qreal mouthWidth = 16;
};

// A character drawn with QPainter from a Pose. The base class draws what every
// figure shares (arms, hands, mouths, props and effects); a figure adds its
// body and face.
class Figure
{
public:
    explicit Figure(FigureLayout layout);
    virtual ~Figure();
    Figure(const Figure&) = delete;
    Figure& operator=(const Figure&) = delete;

    const FigureLayout& layout() const { return m_layout; }
    // The pose the character rests in; animations start and end here.
    virtual Pose restPose() const { return {}; }

    QImage render(const Pose& pose, int side = 128) const;
    QTransform bodyTransform(const Pose& pose) const;
    // The canvas rectangle that contains every mouth shape for this pose.
    QRect mouthRect(const Pose& pose) const;

protected:
    virtual void paintBehind(QPainter&, const Pose&) const {}
    virtual void paintBody(QPainter& p, const Pose& pose) const = 0;
    // The mouth shape when it is closed; the open shapes are shared.
    virtual void paintClosedMouth(QPainter& p, QPointF centre, qreal width) const = 0;

    void paintMouth(QPainter& p, const Pose& pose) const;
    QPen outlinePen(qreal width) const;

private:
    QPointF handPoint(const Pose& pose, int side) const;
    static QPointF wandDirection(const Pose& pose);
    // Layout pixels to the pixels of a picture `side` pixels wide.
    static QTransform canvasTransform(int side);
    static bool insideCanvas(QPointF centre, qreal radius);
    void paintArm(QPainter& p, const Pose& pose, int side) const;
    void paintHand(QPainter& p, const Pose& pose, int side) const;
    void paintBook(QPainter& p, const Pose& pose) const;
    void paintPaper(QPainter& p, const Pose& pose) const;
    void paintHeld(QPainter& p, const Pose& pose) const;
    void paintEffects(QPainter& p, const Pose& pose) const;

    FigureLayout m_layout;
};

} // namespace clipvoice::characters
