#pragma once

#include "Pose.h"

#include <QList>
#include <QString>

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

} // namespace clipvoice::characters
