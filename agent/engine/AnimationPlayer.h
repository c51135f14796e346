#pragma once

#include "agent/acs/Character.h"
#include "agent/engine/EngineTimer.h"
#include "agent/timing/Scheduler.h"
#include "platform/agent/RandomSource.h"

#include <QImage>
#include <QString>

#include <functional>
#include <optional>

namespace clipvoice::agent::engine {

class CharacterSource;

// Plays one animation of a character at a time, frame by frame.
//
// Each frame shows for its duration; then the frame's branches are taken by
// their percentages (one draw in [0, 100) against the running total), or else
// the next frame follows; going past the last frame ends the animation.
// Frames of duration 0 advance at once (one without images is never shown);
// after MaxStepsPerTick such steps in a row the player waits ZeroLoopDelayMs,
// so a loop of zero-length frames cannot hang the program.
//
// Asked to stop, an animation with exit branching walks its exit path (exit
// targets, else branches, else the next frame) to its end, at most
// ExitStepsPerFrame steps per frame; any other animation ends at once. An
// animation whose transition is a return animation plays that animation when it
// ends, however it ends, and only then reports its end (a return animation's
// own return is not followed).
//
// Callbacks never run inside play(), stop() or release(): those act on the
// scheduler's next turn. setMouthShape() shows the current frame again at once.
class AnimationPlayer
{
public:
    enum class Ending
    {
        Completed, // reached its end by itself, or was released from its last frame
        Stopped,   // ended early through stop()
    };

    struct Options
    {
        // Stay on the last frame until release() or stop() (the speaking frame).
        bool holdLastFrame = false;
        // Told once, when the animation (and its return animation) has ended.
        // Not told after abort(), or when a new play() replaces the animation.
        std::function<void(Ending)> onEnd;
        // Told when the held last frame is reached.
        std::function<void()> onHeld;
        // Told each time a branch leads back to the same or an earlier frame.
        std::function<void()> onLoop;
    };

    using FrameListener =
        std::function<void(const QString& animation, int frameIndex, const QImage& image)>;
    using SoundListener = std::function<void(int soundIndex)>;

    static constexpr int MaxStepsPerTick = 64;
    static constexpr qint64 ZeroLoopDelayMs = 10;
    static constexpr int ExitStepsPerFrame = 4;

    AnimationPlayer(const CharacterSource& source, timing::Scheduler& scheduler,
                    platform::RandomSource& random);
    AnimationPlayer(const AnimationPlayer&) = delete;
    AnimationPlayer& operator=(const AnimationPlayer&) = delete;

    // Told every frame shown, and the current frame again when the mouth shape
    // changes on a frame with mouth overlays.
    void setFrameListener(FrameListener listener) { m_frameListener = std::move(listener); }
    // Told the sound of each frame shown that has one.
    void setSoundListener(SoundListener listener) { m_soundListener = std::move(listener); }

    // Starts the animation (letter case ignored), cutting off the current one
    // without a transition. False, and nothing changes, when there is no such
    // animation.
    bool play(const QString& name, Options options);
    bool play(const QString& name) { return play(name, Options()); }
    // Asks the current animation to end (see above).
    void stop();
    // Ends the current animation at once, without transition or callbacks.
    void abort();
    // Lets a held animation end.
    void release();

    // The mouth shape (0..6, or -1 for none) drawn on frames with mouth overlays.
    void setMouthShape(int shape);
    int mouthShape() const { return m_mouthShape; }

    bool isPlaying() const { return m_run.has_value(); }
    bool isHolding() const { return m_run && m_run->holding; }
    bool isStopping() const { return m_run && m_run->stopping; }
    // True once the current animation has branched back (it may never end by itself).
    bool hasLooped() const { return m_run && m_run->looped; }
    // The animation on screen (a return animation while that plays), or empty.
    QString animationName() const;
    // The frame on screen, or -1.
    int frameIndex() const { return m_run ? m_run->frame : -1; }

private:
    struct Run
    {
        const acs::Animation* animation = nullptr;
        Options options;
        bool isReturn = false;
        bool stopping = false;
        bool looped = false;
        bool holding = false;
        int frame = -1;
        int exitSteps = 0;
        Ending ending = Ending::Completed;
    };

    void enter(int index, bool loopedOnTheWay);
    void advance();
    int next(int index, bool& looped);
    int branchTarget(const acs::Frame& frame, int frameCount);
    void showCurrent();
    void endAnimation();
    void finish();

    const CharacterSource& m_source;
    platform::RandomSource& m_random;
    EngineTimer m_timer;
    FrameListener m_frameListener;
    SoundListener m_soundListener;
    std::optional<Run> m_run;
    // Changes whenever a run starts or goes, so code that called out can tell
    // whether the run it was working on is still the current one.
    quint64 m_generation = 0;
    int m_mouthShape = -1;
};

} // namespace clipvoice::agent::engine
