#include "agent/engine/AnimationPlayer.h"

#include "agent/engine/CharacterSource.h"
#include "platform/agent/RandomSource.h"

#include <algorithm>

namespace clipvoice::agent::engine {

AnimationPlayer::AnimationPlayer(const CharacterSource& source, timing::Scheduler& scheduler,
                                 platform::RandomSource& random)
    : m_source(source)
    , m_random(random)
    , m_timer(scheduler)
{}

bool AnimationPlayer::play(const QString& name, Options options)
{
    const acs::Animation* animation = m_source.animation(name);
    if (!animation)
        return false;
    abort();
    Run run;
    run.animation = animation;
    run.options = std::move(options);
    m_run = std::move(run);
    m_timer.start(0, [this] { enter(0, false); });
    return true;
}

void AnimationPlayer::stop()
{
    if (!m_run || m_run->stopping)
        return;
    Run& run = *m_run;
    run.stopping = true;
    const bool exitPath =
        run.animation->transitionType == static_cast<quint8>(acs::TransitionType::ExitBranching) &&
        !run.holding;
    // With exit branching the next frame change follows the exit path (an
    // animation that has not shown its first frame yet starts on it); anything
    // else ends now.
    if (!exitPath)
        m_timer.start(0, [this] { endAnimation(); });
}

void AnimationPlayer::abort()
{
    m_timer.stop();
    m_run.reset();
    ++m_generation;
}

void AnimationPlayer::release()
{
    if (!m_run || !m_run->holding)
        return;
    m_run->holding = false;
    m_timer.start(0, [this] { endAnimation(); });
}

void AnimationPlayer::setMouthShape(int shape)
{
    shape = std::clamp(shape, -1, acs::MouthShapeCount - 1);
    if (shape == m_mouthShape)
        return;
    m_mouthShape = shape;
    if (!m_run || m_run->frame < 0)
        return;
    if (!m_run->animation->frames.at(m_run->frame).overlays.isEmpty())
        showCurrent();
}

QString AnimationPlayer::animationName() const
{
    return m_run ? m_run->animation->name : QString();
}

void AnimationPlayer::enter(int index, bool loopedOnTheWay)
{
    const quint64 generation = m_generation;
    bool looped = loopedOnTheWay;
    // Tells the owner about a loop once the next step is arranged, so that the
    // owner may stop the animation from the callback.
    const auto tellLoop = [this, generation, &looped] {
        if (!looped || generation != m_generation || !m_run->options.onLoop)
            return;
        const auto onLoop = m_run->options.onLoop;
        onLoop();
    };
    for (int steps = 1;; ++steps) {
        Run& run = *m_run;
        const QList<acs::Frame>& frames = run.animation->frames;
        if (index < 0 || index >= frames.size()) {
            endAnimation();
            return;
        }
        run.frame = index;
        const acs::Frame& frame = frames.at(index);
        if (frame.duration > 0 || !frame.images.isEmpty()) {
            showCurrent();
            if (generation != m_generation)
                return;
            if (frame.hasSound() && m_soundListener) {
                m_soundListener(frame.soundIndex);
                if (generation != m_generation)
                    return;
            }
        }
        if (run.options.holdLastFrame && !run.isReturn && !run.stopping &&
            index == frames.size() - 1) {
            run.holding = true;
            tellLoop();
            if (generation == m_generation && m_run->options.onHeld) {
                const auto onHeld = m_run->options.onHeld;
                onHeld();
            }
            return;
        }
        if (frame.duration > 0 || steps >= MaxStepsPerTick) {
            const qint64 delay = frame.duration > 0 ? qint64(frame.duration) * 10 : ZeroLoopDelayMs;
            m_timer.start(delay, [this] { advance(); });
            tellLoop();
            return;
        }
        index = next(index, looped);
    }
}

void AnimationPlayer::advance()
{
    bool looped = false;
    const int index = next(m_run->frame, looped);
    enter(index, looped);
}

int AnimationPlayer::next(int index, bool& looped)
{
    Run& run = *m_run;
    const QList<acs::Frame>& frames = run.animation->frames;
    const int count = static_cast<int>(frames.size());
    const acs::Frame& frame = frames.at(index);
    // A held animation that loops would never reach its last frame: it takes
    // the exit path too.
    const bool exiting = run.stopping || (run.options.holdLastFrame && run.looped);
    if (exiting) {
        if (++run.exitSteps > count * ExitStepsPerFrame)
            return count;
        if (frame.exitFrame >= 0 && frame.exitFrame < count)
            return frame.exitFrame;
    }
    int target = branchTarget(frame, count);
    if (target < 0)
        return index + 1;
    if (target <= index && !exiting) {
        run.looped = true;
        looped = true;
    }
    return target;
}

int AnimationPlayer::branchTarget(const acs::Frame& frame, int frameCount)
{
    if (frame.branches.isEmpty())
        return -1;
    const int draw = m_random.bounded(100);
    int total = 0;
    for (const acs::Branch& branch : frame.branches) {
        if (branch.targetFrame >= frameCount)
            continue;
        total = std::min(100, total + int(branch.probability));
        if (draw < total)
            return branch.targetFrame;
    }
    return -1;
}

void AnimationPlayer::showCurrent()
{
    if (!m_frameListener)
        return;
    const Run& run = *m_run;
    const acs::Frame& frame = run.animation->frames.at(run.frame);
    const int mouth = frame.overlays.isEmpty() ? -1 : m_mouthShape;
    m_frameListener(run.animation->name, run.frame,
                    m_source.frame(*run.animation, run.frame, mouth));
}

void AnimationPlayer::endAnimation()
{
    Run& run = *m_run;
    if (!run.isReturn)
        run.ending = run.stopping ? Ending::Stopped : Ending::Completed;
    const acs::Animation& animation = *run.animation;
    if (!run.isReturn &&
        animation.transitionType == static_cast<quint8>(acs::TransitionType::ReturnAnimation) &&
        !animation.returnAnimation.isEmpty()) {
        const acs::Animation* back = m_source.animation(animation.returnAnimation);
        if (back && back != &animation) {
            run.animation = back;
            run.isReturn = true;
            run.stopping = false;
            run.looped = false;
            run.holding = false;
            run.frame = -1;
            run.exitSteps = 0;
            enter(0, false);
            return;
        }
    }
    finish();
}

void AnimationPlayer::finish()
{
    const auto onEnd = std::move(m_run->options.onEnd);
    const Ending ending = m_run->ending;
    abort();
    if (onEnd)
        onEnd(ending);
}

} // namespace clipvoice::agent::engine
