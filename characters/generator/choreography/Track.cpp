#include "Track.h"

#include "PoseFields.h"

namespace clipvoice::characters {

Track::Track(QStringView name, const Pose& start)
    : m_pose(start)
{
    m_plan.name = name.toString();
}

Track& Track::to(const Pose& target, int steps, int duration, Easing easing)
{
    const Pose from = m_pose;
    for (int i = 1; i <= steps; ++i) {
        qreal t = qreal(i) / qreal(steps);
        if (easing == Easing::Smooth)
            t = t * t * (3 - 2 * t);
        FramePlan f;
        f.pose = mix(from, target, t);
        f.duration = duration;
        m_plan.frames.append(f);
    }
    m_pose = target;
    return *this;
}

Track& Track::hold(int duration)
{
    FramePlan f;
    f.pose = m_pose;
    f.duration = duration;
    m_plan.frames.append(f);
    return *this;
}

Track& Track::sound(QStringView name)
{
    if (!m_plan.frames.isEmpty())
        m_plan.frames.last().sound = name.toString();
    return *this;
}

Track& Track::alternate(const Pose& a, const Pose& b, int times, int steps, int duration)
{
    for (int i = 0; i < times; ++i)
        to(a, steps, duration).to(b, steps, duration);
    return *this;
}

Track& Track::repeatFrom(int first, int probability)
{
    const int next = size();
    m_plan.transition = QStringLiteral("exitBranching");
    m_plan.frames.last().branches.append({first, probability});
    for (FramePlan& f : m_plan.frames)
        f.exitFrame = next;
    return *this;
}

Track& Track::exitToEnd()
{
    m_plan.transition = QStringLiteral("exitBranching");
    for (int i = 0; i + 1 < size(); ++i)
        m_plan.frames[i].exitFrame = size() - 1;
    return *this;
}

Track& Track::mouthsOnEveryFrame()
{
    for (FramePlan& f : m_plan.frames)
        f.mouths = true;
    return *this;
}

} // namespace clipvoice::characters
