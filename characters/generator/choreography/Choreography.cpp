#include "Choreography.h"

#include "AnimationGroups.h"
#include "Choreographer.h"

#include <initializer_list>

namespace clipvoice::characters {

QList<AnimationPlan> standardAnimations(const Figure& figure)
{
    Choreographer c(figure);
    addShowAndHide(c);
    addRestAndSpeak(c);
    addGreetings(c);
    addReading(c);
    addMagic(c);
    addMoods(c);
    addPoses(c);
    addMoves(c);
    addIdles(c);
    return c.take();
}

QMap<QString, QStringList> standardStates()
{
    const auto list = [](std::initializer_list<const char16_t*> names) {
        QStringList out;
        for (const char16_t* n : names)
            out.append(QString::fromUtf16(n));
        return out;
    };
    return {
        {QStringLiteral("Showing"), list({u"Show"})},
        {QStringLiteral("Hiding"), list({u"Hide"})},
        {QStringLiteral("Speaking"), list({u"Speak"})},
        {QStringLiteral("IdlingLevel1"), list({u"Idle1_1", u"Idle1_2", u"Idle1_3"})},
        {QStringLiteral("IdlingLevel2"), list({u"Idle2_1", u"Idle2_2"})},
        {QStringLiteral("IdlingLevel3"), list({u"Idle3_1"})},
        {QStringLiteral("GesturingLeft"), list({u"GestureLeft"})},
        {QStringLiteral("GesturingRight"), list({u"GestureRight"})},
        {QStringLiteral("GesturingUp"), list({u"GestureUp"})},
        {QStringLiteral("GesturingDown"), list({u"GestureDown"})},
        {QStringLiteral("Listening"), list({u"StartListening"})},
        {QStringLiteral("Hearing"), list({u"Hearing_1"})},
        {QStringLiteral("MovingLeft"), list({u"MoveLeft"})},
        {QStringLiteral("MovingRight"), list({u"MoveRight"})},
        {QStringLiteral("MovingUp"), list({u"MoveUp"})},
        {QStringLiteral("MovingDown"), list({u"MoveDown"})},
    };
}

} // namespace clipvoice::characters
