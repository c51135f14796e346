#include "Choreographer.h"

#include <QtMath>

#include <algorithm>
#include <cmath>

namespace clipvoice::characters {

namespace {

// Points an arm from its shoulder at `target` and stretches or shortens it a
// little so that the hand lands there.
void pointArm(Pose& p, const FigureLayout& l, int side, QPointF target)
{
    const QPointF d = target - (side < 0 ? l.shoulderL : l.shoulderR);
    const qreal angle = qRadiansToDegrees(std::atan2(side * d.x(), d.y()));
    const qreal length = std::clamp(std::hypot(d.x(), d.y()) / l.armLength, 0.5, 1.3);
    (side < 0 ? p.armL : p.armR) = angle;
    (side < 0 ? p.reachL : p.reachR) = length;
}

} // namespace

Choreographer::Choreographer(const Figure& figure)
    : m_figure(figure)
    , m_rest(figure.restPose())
{}

Pose Choreographer::handsAt(Pose pose, const HandTargets& targets) const
{
    if (targets.left)
        pointArm(pose, layout(), -1, *targets.left);
    if (targets.right)
        pointArm(pose, layout(), 1, *targets.right);
    return pose;
}

void Choreographer::add(Track& track)
{
    m_list.append(track.plan());
}

void Choreographer::addWithReturn(Track& track, Track& back)
{
    track.plan().transition = QStringLiteral("return");
    track.plan().returnAnimation = back.plan().name;
    m_list.append(track.plan());
    m_list.append(back.plan());
}

void Choreographer::addWithReturn(Track& track)
{
    const QString backName = track.plan().name + QStringLiteral("Return");
    Track back(backName, track.pose());
    back.to(m_rest, 4, 8);
    addWithReturn(track, back);
}

void Choreographer::addHeldPose(QStringView name, const Pose& pose, Move in, int hold, Move out)
{
    Track t(name, m_rest);
    t.to(pose, in.steps, in.duration).hold(hold).to(m_rest, out.steps, out.duration);
    add(t);
}

void Choreographer::addGesture(QStringView name, const Pose& pose, int hold)
{
    Track t(name, m_rest);
    t.to(pose, 4, 8).hold(hold);
    addWithReturn(t);
}

} // namespace clipvoice::characters
