#pragma once

#include "AnimationPlan.h"
#include "Pose.h"

#include <QStringView>

namespace clipvoice::characters {

// How the frames of one move are spaced: smoothly speeding up and slowing
// down, or evenly (for steady motion such as breathing or reading along).
enum class Easing
{
    Smooth,
    Linear
};

// Builds an animation frame by frame: each step eases from the current pose
// towards a target, so a few key poses give smooth motion.
class Track
{
public:
    Track(QStringView name, const Pose& start);

    // `steps` frames, each `duration` hundredths long, that move from the
    // current pose to `target`; the last of them shows `target` itself.
    Track& to(const Pose& target, int steps, int duration, Easing easing = Easing::Smooth);
    // One more frame of the current pose.
    Track& hold(int duration);
    // The sound played with the last frame so far.
    Track& sound(QStringView name);
    // To `a` and then to `b`, `times` times over.
    Track& alternate(const Pose& a, const Pose& b, int times, int steps, int duration);

    int size() const { return int(m_plan.frames.size()); }
    const Pose& pose() const { return m_pose; }

    // The frames from `first` to the last one so far repeat: the last goes
    // back to `first` with the given probability. Stopping on any of them, or
    // before them, jumps to the frame that comes next.
    Track& repeatFrom(int first, int probability);
    // Stopping anywhere jumps to the last frame, which is the rest pose.
    Track& exitToEnd();
    // Every frame so far carries the seven mouth shapes, for speaking.
    Track& mouthsOnEveryFrame();

    AnimationPlan& plan() { return m_plan; }

private:
    AnimationPlan m_plan;
    Pose m_pose;
};

} // namespace clipvoice::characters
