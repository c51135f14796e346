#include "agent/engine/EngineCharacter.h"

#include "platform/agent/ServiceCommon.h"

#include "agent/engine/CharacterSource.h"
#include "agent/engine/PacedSpeechOutput.h"
#include "agent/engine/RequestObserver.h"
#include "agent/timing/Scheduler.h"
#include "platform/agent/AgentCallFormat.h"
#include "platform/agent/RandomSource.h"

#include <atomic>

namespace clipvoice::agent::engine {

using platform::agent::AgentCallFormat;
using platform::agent::AgentResult;
using platform::agent::AgentStatus;
using platform::agent::CommandPtr;
using platform::agent::RequestStatus;
using platform::agent::succeeded;

namespace {

// Tells apart the characters of one run, including several loads under one id.
quint64 nextOwner()
{
    static std::atomic<quint64> counter{0};
    return ++counter;
}

qint32 defaultLanguage(const acs::CharacterInfo& info)
{
    if (info.voice && info.voice->hasExtraData && info.voice->languageId != 0)
        return info.voice->languageId;
    return 0x0409;
}

} // namespace

EngineCharacter::EngineCharacter(QString id, std::shared_ptr<const CharacterSource> source,
                                 CharacterParts parts, timing::Scheduler& scheduler,
                                 platform::RandomSource& random, EngineSettings settings,
                                 RequestObserver* observer, std::function<quint64()> requestNumbers)
    : m_id(std::move(id))
    , m_source(std::move(source))
    , m_parts(std::move(parts))
    , m_random(random)
    , m_settings(settings)
    , m_requestNumbers(std::move(requestNumbers))
    , m_observer(observer)
    , m_owner(nextOwner())
    , m_states(*m_source)
    , m_queue(observer)
    , m_player(*m_source, scheduler, random)
    , m_idle(scheduler, settings.idle, [this](int level) { startIdle(level); })
    , m_pumpTimer(scheduler)
    , m_thinkTimer(scheduler)
    , m_balloonTimer(scheduler)
    , m_languageId(defaultLanguage(m_source->info()))
{
    Q_ASSERT(m_parts.view);
    if (!m_requestNumbers) {
        m_requestNumbers = [counter = quint64(0)]() mutable { return ++counter; };
    }
    if (!m_parts.speech)
        m_parts.speech = std::make_unique<PacedSpeechOutput>(scheduler, settings.pace);
    m_player.setFrameListener([this](const QString&, int, const QImage& image) {
        if (m_parts.view)
            m_parts.view->showFrame(image);
    });
    m_player.setSoundListener([this](int index) {
        if (m_parts.sound && m_visible)
            m_parts.sound->play(index);
    });
}

EngineCharacter::~EngineCharacter()
{
    shutdown();
}

EngineCharacter::RequestPtr EngineCharacter::show(std::optional<bool> fast)
{
    return enqueue(RequestKind::Show, {}, fast);
}

EngineCharacter::RequestPtr EngineCharacter::hide(std::optional<bool> fast)
{
    return enqueue(RequestKind::Hide, {}, fast);
}

EngineCharacter::RequestPtr EngineCharacter::play(const QString& animation)
{
    return enqueue(RequestKind::Play, animation);
}

EngineCharacter::RequestPtr EngineCharacter::speak(const QString& text)
{
    return enqueue(RequestKind::Speak, text);
}

EngineCharacter::RequestPtr EngineCharacter::think(const QString& text)
{
    return enqueue(RequestKind::Think, text);
}

EngineCharacter::RequestPtr EngineCharacter::saveSpeech(const QString& text, const QString& path)
{
    if (m_shutDown)
        return nullptr;
    auto request = std::make_shared<EngineRequest>(m_requestNumbers(), m_owner, m_id,
                                                   RequestKind::SaveSpeech, path);
    request->setStatus(RequestStatus::InProgress);
    if (m_observer)
        m_observer->started(*request);
    if (!m_parts.speechFile) {
        request->setStatus(RequestStatus::Failed);
        if (m_observer)
            m_observer->finished(*request, RequestStatus::Failed);
        return request;
    }
    // The number is known only once save() returns; the output never reports
    // from inside it.
    auto number = std::make_shared<quint64>(0);
    *number = m_parts.speechFile->save(
        text, m_languageId, path,
        [this, number](SpeechFileOutput::Outcome outcome) { finishSave(*number, outcome); });
    m_saves.append({*number, request});
    return request;
}

void EngineCharacter::finishSave(quint64 save, SpeechFileOutput::Outcome outcome)
{
    for (qsizetype i = 0; i < m_saves.size(); ++i) {
        if (m_saves.at(i).number != save)
            continue;
        const std::shared_ptr<EngineRequest> request = m_saves.takeAt(i).request;
        RequestStatus status = RequestStatus::Done;
        if (outcome == SpeechFileOutput::Outcome::Cancelled)
            status = RequestStatus::Interrupted;
        else if (outcome == SpeechFileOutput::Outcome::Failed)
            status = RequestStatus::Failed;
        request->setStatus(status);
        if (m_observer)
            m_observer->finished(*request, status);
        return;
    }
}

bool EngineCharacter::stopSave(const EngineRequest* request)
{
    for (qsizetype i = 0; i < m_saves.size(); ++i) {
        if (m_saves.at(i).request.get() != request)
            continue;
        const Save save = m_saves.takeAt(i);
        m_parts.speechFile->cancel(save.number);
        save.request->setStatus(RequestStatus::Interrupted);
        if (m_observer)
            m_observer->finished(*save.request, RequestStatus::Interrupted);
        return true;
    }
    return false;
}

AgentStatus EngineCharacter::stop(const RequestPtr& request)
{
    if (!request) {
        m_queue.interruptAll();
        cutShort();
        return succeeded();
    }
    const auto* engineRequest = dynamic_cast<const EngineRequest*>(request.get());
    if (!engineRequest || engineRequest->owner() != m_owner)
        return AgentStatus::failure(QStringLiteral("the request is not one of this character's"));
    if (engineRequest->kind() == RequestKind::SaveSpeech) {
        // One that has ended has nothing left to stop.
        (void)stopSave(engineRequest);
        return succeeded();
    }
    if (m_queue.current().get() == engineRequest) {
        m_queue.finishCurrent(RequestStatus::Interrupted);
        cutShort();
        return succeeded();
    }
    // A waiting request is dropped; one that has ended has nothing left to stop.
    m_queue.dropWaiting(engineRequest);
    return succeeded();
}

AgentStatus EngineCharacter::setLanguageId(qint32 languageId)
{
    if (languageId <= 0)
        return AgentStatus::failure(
            QStringLiteral("language id must be positive, not %1").arg(languageId));
    if (!m_parts.speech->canSpeak(languageId))
        return AgentStatus::failure(QStringLiteral("no voice speaks language id %1 (0x%2)")
                                        .arg(languageId)
                                        .arg(languageId, 4, 16, QLatin1Char('0')));
    m_languageId = languageId;
    return succeeded();
}

AgentResult<CommandPtr> EngineCharacter::addCommand(const QString& name, const QString& caption,
                                                    bool enabled, bool visible)
{
    if (name.isEmpty())
        return AgentResult<CommandPtr>::failure(QStringLiteral("a command needs a name"));
    for (const CommandEntry& existing : std::as_const(m_commands)) {
        if (existing.name == name)
            return AgentResult<CommandPtr>::failure(
                QStringLiteral("a command named %1 already exists")
                    .arg(AgentCallFormat::quote(name)));
    }
    m_commands.append({name, caption, enabled, visible});
    m_parts.view->setCommands(m_commands);
    return CommandPtr(std::make_shared<platform::agent::NamedCommand>(name, caption));
}

void EngineCharacter::shutdown()
{
    if (m_shutDown)
        return;
    m_shutDown = true;
    m_queue.interruptAll();
    m_idle.stop();
    m_pumpTimer.stop();
    m_thinkTimer.stop();
    m_balloonTimer.stop();
    m_player.abort();
    m_parts.speech->cancel();
    m_speech.reset();
    while (!m_saves.isEmpty())
        (void)stopSave(m_saves.constFirst().request.get());
    if (m_parts.sound)
        m_parts.sound->stopAll();
    hideBalloon();
    if (m_visible) {
        m_visible = false;
        m_parts.view->setVisible(false);
    }
}

EngineCharacter::RequestPtr EngineCharacter::enqueue(RequestKind kind, const QString& argument,
                                                     std::optional<bool> fast)
{
    if (m_shutDown)
        return nullptr;
    auto request =
        std::make_shared<EngineRequest>(m_requestNumbers(), m_owner, m_id, kind, argument, fast);
    m_queue.enqueue(request);
    // Idling ends at once; an idle or rest animation is asked to end, and the
    // request starts when it has.
    m_idle.stop();
    if (m_activity == Activity::Idle || m_activity == Activity::Rest)
        m_player.stop();
    // A looping Play would hold up the new request for ever: it takes its exit path.
    const auto& current = m_queue.current();
    if (current && current->kind() == RequestKind::Play && m_player.hasLooped())
        m_player.stop();
    schedulePump();
    return request;
}

void EngineCharacter::schedulePump()
{
    // One pending pump serves any number of requests: a long text queues
    // hundreds of thousands of lines, each of which asks for one.
    if (!m_shutDown && !m_pumpTimer.isActive())
        m_pumpTimer.start(0, [this] { pump(); });
}

void EngineCharacter::pump()
{
    if (m_shutDown || m_queue.current())
        return;
    if (!m_queue.hasWaiting()) {
        if (m_visible && !m_player.isPlaying())
            m_idle.start();
        return;
    }
    if (m_player.isPlaying()) {
        // An idle or rest animation: its end pumps again.
        m_player.stop();
        return;
    }
    const auto request = m_queue.startNext();
    perform(*request);
}

void EngineCharacter::perform(const EngineRequest& request)
{
    switch (request.kind()) {
    case RequestKind::Show:
        performShow(request.fast().value_or(false));
        return;
    case RequestKind::Hide:
        performHide(request.fast().value_or(false));
        return;
    case RequestKind::Play:
        performPlay(request.argument());
        return;
    case RequestKind::Speak:
        performSpeak(request.argument());
        return;
    case RequestKind::Think:
        performThink(request.argument());
        return;
    case RequestKind::Load:
    case RequestKind::SaveSpeech: // never queued
        break;
    }
    complete(RequestStatus::Done);
}

void EngineCharacter::complete(RequestStatus status)
{
    if (m_activity == Activity::Request)
        m_activity = Activity::None;
    m_queue.finishCurrent(status);
    schedulePump();
}

void EngineCharacter::cutShort()
{
    m_idle.stop();
    m_thinkTimer.stop();
    m_balloonTimer.stop();
    m_player.abort();
    m_player.setMouthShape(-1);
    m_activity = Activity::None;
    if (m_speech) {
        m_parts.speech->cancel();
        m_speech.reset();
    }
    if (m_parts.sound)
        m_parts.sound->stopAll();
    hideBalloon();
    rest();
    schedulePump();
}

void EngineCharacter::rest()
{
    if (m_visible && m_source->animation(restPoseAnimation))
        playBackground(restPoseAnimation, Activity::Rest);
}

void EngineCharacter::startIdle(int level)
{
    if (m_queue.current() || m_queue.hasWaiting() || m_player.isPlaying() || !m_visible)
        return;
    const QString animation = m_states.pickIdle(level, m_random);
    if (animation.isEmpty()) {
        m_idle.animationEnded();
        return;
    }
    playBackground(animation, Activity::Idle);
}

void EngineCharacter::playBackground(const QString& animation, Activity activity)
{
    AnimationPlayer::Options options;
    options.onEnd = [this, activity](AnimationPlayer::Ending) {
        m_activity = Activity::None;
        if (m_queue.hasWaiting())
            pump();
        else if (activity == Activity::Idle)
            m_idle.animationEnded();
        else
            schedulePump();
    };
    if (m_player.play(animation, std::move(options))) {
        m_activity = activity;
        return;
    }
    // A damaged idle animation is skipped: idling goes on after the usual pause.
    if (activity == Activity::Idle)
        m_idle.animationEnded();
}

void EngineCharacter::performShow(bool fast)
{
    if (m_visible) {
        complete(RequestStatus::Done);
        return;
    }
    m_visible = true;
    const QString animation = playable(fast ? QString() : m_states.pick(states::showing, m_random));
    if (animation.isEmpty()) {
        showStill(restPoseAnimation);
        m_parts.view->setVisible(true);
        complete(RequestStatus::Done);
        return;
    }
    // The window opens on the animation's first frame, not on whatever it
    // showed last.
    showStill(animation);
    m_parts.view->setVisible(true);
    AnimationPlayer::Options options;
    options.onEnd = [this](AnimationPlayer::Ending) { complete(RequestStatus::Done); };
    m_activity = Activity::Request;
    m_player.play(animation, std::move(options));
}

void EngineCharacter::performHide(bool fast)
{
    if (!m_visible) {
        complete(RequestStatus::Done);
        return;
    }
    m_balloonTimer.stop();
    hideBalloon();
    const QString animation = playable(fast ? QString() : m_states.pick(states::hiding, m_random));
    if (animation.isEmpty()) {
        finishHide();
        return;
    }
    AnimationPlayer::Options options;
    options.onEnd = [this](AnimationPlayer::Ending) { finishHide(); };
    m_activity = Activity::Request;
    m_player.play(animation, std::move(options));
}

void EngineCharacter::finishHide()
{
    m_visible = false;
    m_idle.stop();
    m_parts.view->setVisible(false);
    if (m_parts.sound)
        m_parts.sound->stopAll();
    complete(RequestStatus::Done);
}

void EngineCharacter::performPlay(const QString& name)
{
    AnimationPlayer::Options options;
    options.onEnd = [this](AnimationPlayer::Ending) { complete(RequestStatus::Done); };
    options.onLoop = [this] {
        if (m_queue.hasWaiting())
            m_player.stop();
    };
    if (!m_player.play(name, std::move(options))) {
        complete(RequestStatus::Failed);
        return;
    }
    m_activity = Activity::Request;
}

void EngineCharacter::performSpeak(const QString& text)
{
    m_balloonTimer.stop();
    if (m_visible && hasBalloon()) {
        m_parts.balloon->showSpeech(text);
        m_balloonShown = true;
    } else {
        hideBalloon();
    }
    m_speech = SpeechRun{text};
    const QString animation = m_states.pick(states::speaking, m_random);
    AnimationPlayer::Options options;
    options.holdLastFrame = true;
    options.onHeld = [this] { beginSpeech(); };
    options.onEnd = [this](AnimationPlayer::Ending) { speakingAnimationEnded(); };
    if (!animation.isEmpty() && m_player.play(animation, std::move(options))) {
        m_activity = Activity::Request;
        m_speech->animating = true;
    }
    // The voice starts at once, while the speaking animation settles into its
    // talking pose: waiting for it would keep every line silent for its length.
    beginSpeech();
}

void EngineCharacter::beginSpeech()
{
    if (!m_speech || m_speech->started)
        return;
    m_speech->started = true;
    m_parts.speech->speak(m_speech->text, m_languageId, *this);
}

void EngineCharacter::speakingAnimationEnded()
{
    if (!m_speech)
        return;
    m_speech->animating = false;
    if (!m_speech->started)
        beginSpeech();
    else if (m_speech->spoken)
        finishSpeak();
}

void EngineCharacter::finishSpeak()
{
    m_speech.reset();
    scheduleBalloonHide();
    complete(RequestStatus::Done);
}

void EngineCharacter::performThink(const QString& text)
{
    m_balloonTimer.stop();
    if (m_visible && hasBalloon()) {
        m_parts.balloon->showThought(text);
        m_balloonShown = true;
    } else {
        hideBalloon();
    }
    m_thinkTimer.start(m_settings.pace.duration(text), [this] {
        scheduleBalloonHide();
        complete(RequestStatus::Done);
    });
}

QString EngineCharacter::playable(const QString& animation) const
{
    return !animation.isEmpty() && m_source->animation(animation) ? animation : QString();
}

bool EngineCharacter::hasBalloon() const
{
    return m_parts.balloon && m_source->info().balloon.has_value();
}

void EngineCharacter::showStill(const QString& animation)
{
    const acs::Animation* found = m_source->animation(animation);
    if (found && !found->frames.isEmpty())
        m_parts.view->showFrame(m_source->frame(*found, 0, -1));
}

void EngineCharacter::hideBalloon()
{
    m_balloonTimer.stop();
    if (m_balloonShown && m_parts.balloon)
        m_parts.balloon->hide();
    m_balloonShown = false;
}

void EngineCharacter::scheduleBalloonHide()
{
    if (!m_balloonShown)
        return;
    if (m_source->info().styleFlags & acs::StyleFlag::BalloonNoAutoHide)
        return;
    m_balloonTimer.start(m_settings.balloonHideDelayMs, [this] { hideBalloon(); });
}

void EngineCharacter::wordReached(int offset, int length)
{
    if (m_speech && m_balloonShown)
        m_parts.balloon->revealUpTo(offset + length);
}

void EngineCharacter::mouthShape(int shape)
{
    if (m_speech)
        m_player.setMouthShape(shape);
}

void EngineCharacter::finished()
{
    if (!m_speech || m_speech->spoken)
        return;
    m_speech->spoken = true;
    m_player.setMouthShape(-1);
    if (m_balloonShown)
        m_parts.balloon->revealUpTo(static_cast<int>(m_speech->text.size()));
    if (!m_speech->animating)
        finishSpeak();
    else if (m_player.isHolding())
        m_player.release();
    // Otherwise the animation has not reached its speaking frame: its end
    // completes the request.
}

} // namespace clipvoice::agent::engine
