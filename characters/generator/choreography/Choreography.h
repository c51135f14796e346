#pragma once

#include "AnimationPlan.h"
#include "Figure.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

namespace clipvoice::characters {

// Every animation of a character, from its figure's rest pose and layout.
QList<AnimationPlan> standardAnimations(const Figure& figure);
// The states the engine plays, each naming animations of standardAnimations().
QMap<QString, QStringList> standardStates();

} // namespace clipvoice::characters
