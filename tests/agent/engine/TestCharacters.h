#pragma once

#include "agent/acs/Character.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <initializer_list>

// Tiny characters built in memory for the engine tests, and the expected
// lines of what they did.
namespace clipvoice::agent::engine::test {

// The lines a test expects its log to hold, in order.
inline QStringList lines(std::initializer_list<const char*> items)
{
    QStringList list;
    for (const char* item : items)
        list.append(QString::fromUtf8(item));
    return list;
}

inline acs::Frame frame(quint16 duration, QList<acs::Branch> branches = {},
                        qint16 exitFrame = acs::NoExitFrame)
{
    acs::Frame f;
    f.images = {acs::FrameImage{0, 0, 0}};
    f.duration = duration;
    f.branches = std::move(branches);
    f.exitFrame = exitFrame;
    return f;
}

// A frame with the seven mouth overlays, as on a speaking frame.
inline acs::Frame speakingFrame(quint16 duration)
{
    acs::Frame f = frame(duration);
    for (quint8 shape = 0; shape < acs::MouthShapeCount; ++shape) {
        acs::MouthOverlay overlay;
        overlay.shape = shape;
        f.overlays.append(overlay);
    }
    return f;
}

inline acs::Animation animation(const QString& name, QList<acs::Frame> frames,
                                acs::TransitionType transition = acs::TransitionType::None,
                                const QString& returnAnimation = {})
{
    acs::Animation a;
    a.name = name;
    a.frames = std::move(frames);
    a.transitionType = static_cast<quint8>(transition);
    a.returnAnimation = returnAnimation;
    return a;
}

// A character with the states the engine uses. Durations in hundredths:
//   Show 2 x 10, Hide 2 x 10, RestPose 1 x 10, Speak 10 + held speaking frame,
//   Wave 3 x 10, Greet 2 x 10 returning through GreetReturn 1 x 10,
//   Processing: frames 0-1-2, frame 1 loops back to 0 for ever, exit 1 -> 2,
//   Idle1_1 1 x 50, Idle2_1 1 x 50, Idle3_1 looping 1 x 50 (sleep).
inline acs::Character standardCharacter()
{
    using acs::TransitionType;
    acs::Character c;
    c.info.balloon = acs::BalloonInfo{};
    c.info.palette = QList<QRgb>(256, qRgb(0, 0, 0));
    c.animations = {
        animation(QStringLiteral("Show"), {frame(10), frame(10)}),
        animation(QStringLiteral("Hide"), {frame(10), frame(10)}),
        animation(QStringLiteral("RestPose"), {frame(10)}),
        animation(QStringLiteral("Speak"), {frame(10), speakingFrame(10)}),
        animation(QStringLiteral("Wave"), {frame(10), frame(10), frame(10)}),
        animation(QStringLiteral("Greet"), {frame(10), frame(10)}, TransitionType::ReturnAnimation,
                  QStringLiteral("GreetReturn")),
        animation(QStringLiteral("GreetReturn"), {frame(10)}),
        animation(QStringLiteral("Processing"), {frame(10), frame(10, {{0, 100}}, 2), frame(10)},
                  TransitionType::ExitBranching),
        animation(QStringLiteral("Idle1_1"), {frame(50)}),
        animation(QStringLiteral("Idle2_1"), {frame(50)}),
        animation(QStringLiteral("Idle3_1"), {frame(50, {{0, 100}})}),
    };
    c.info.states = {
        {QStringLiteral("SHOWING"), {QStringLiteral("SHOW")}},
        {QStringLiteral("HIDING"), {QStringLiteral("HIDE")}},
        {QStringLiteral("SPEAKING"), {QStringLiteral("SPEAK")}},
        {QStringLiteral("IDLINGLEVEL1"), {QStringLiteral("IDLE1_1")}},
        {QStringLiteral("IDLINGLEVEL2"), {QStringLiteral("IDLE2_1")}},
        {QStringLiteral("IDLINGLEVEL3"), {QStringLiteral("IDLE3_1")}},
    };
    return c;
}

} // namespace clipvoice::agent::engine::test
