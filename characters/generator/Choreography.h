#pragma once

#include "Figure.h"
#include "Pose.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace clipvoice::characters {

struct BranchPlan
{
    int frame = 0;
    int probability = 0;
};

struct FramePlan
{
    Pose pose;
    int duration = 10; // hundredths of a second
    QString sound;
    int exitFrame = -1;
    QList<BranchPlan> branches;
    bool mouths = false; // carries the seven mouth shapes for speaking
};

struct AnimationPlan
{
    QString name;
    QList<FramePlan> frames;
    QString transition = QStringLiteral("none"); // "none", "return" or "exitBranching"
    QString returnAnimation;
};

// Builds an animation frame by frame: each step eases from the current pose
// towards a target, so a few key poses give smooth motion.
class Track
{
public:
    Track(QString name, const Pose& start);

    // `steps` frames that ease from the current pose to `target`; the last of
    // them shows `target` itself.
    Track& to(const Pose& target, int steps, int duration = 8, bool linear = false);
    // One more frame of the current pose.
    Track& hold(int duration);
    Track& sound(const QString& name);

    int size() const { return int(m_plan.frames.size()); }
    const Pose& pose() const { return m_pose; }

    // Frames [first, last] repeat: the last one goes back to `first` with the
    // given probability. Stopping anywhere before `exit` jumps to `exit`.
    Track& loop(int first, int last, int probability, int exit);
    // Stopping anywhere jumps to the last frame, which is the rest pose.
    Track& exitToEnd();

    AnimationPlan& plan() { return m_plan; }

private:
    AnimationPlan m_plan;
    Pose m_pose;
};

// Every animation of a character, from its figure's rest pose and layout.
QList<AnimationPlan> standardAnimations(const Figure& figure);
// The states the engine plays, each naming animations of standardAnimations().
QMap<QString, QStringList> standardStates();

} // namespace clipvoice::characters
