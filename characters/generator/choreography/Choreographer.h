#pragma once

#include "AnimationPlan.h"
#include "Figure.h"
#include "Pose.h"
#include "Track.h"

#include <QList>
#include <QPointF>
#include <QStringView>

#include <optional>
#include <utility>

namespace clipvoice::characters {

// Points on the canvas for the hands to reach; an arm without one stays as
// the pose has it.
struct HandTargets
{
    std::optional<QPointF> left{};
    std::optional<QPointF> right{};
};

// One move of a track: `steps` frames of `duration` hundredths each.
struct Move
{
    int steps = 0;
    int duration = 0;
};

// Collects the animations of one figure in order, knows its rest pose and
// layout, and adds the shapes of animation that recur.
class Choreographer
{
public:
    explicit Choreographer(const Figure& figure);

    const Pose& rest() const { return m_rest; }
    const FigureLayout& layout() const { return m_figure.layout(); }
    // `pose` with its arms pointed, and stretched or shortened a little, so
    // that the hands land on the targets.
    Pose handsAt(Pose pose, const HandTargets& targets) const;

    void add(Track& track);
    // An animation that ends away from the rest pose, followed by `back`, the
    // animation the engine plays to return from it.
    void addWithReturn(Track& track, Track& back);
    // The same with the return "<name>Return", which eases back to the rest
    // pose in four frames.
    void addWithReturn(Track& track);

    // Eases into `pose`, holds it and eases back to the rest pose.
    void addHeldPose(QStringView name, const Pose& pose, Move in, int hold, Move out);
    // Eases into `pose` in four frames and holds it; the return animation
    // brings the character back.
    void addGesture(QStringView name, const Pose& pose, int hold);

    QList<AnimationPlan> take() { return std::move(m_list); }

private:
    const Figure& m_figure;
    Pose m_rest;
    QList<AnimationPlan> m_list;
};

} // namespace clipvoice::characters
