#pragma once

#include "agent/engine/AnimationPlayer.h"
#include "agent/engine/CharacterPartsFactory.h"
#include "agent/engine/CharacterStates.h"
#include "agent/engine/EngineSettings.h"
#include "agent/engine/EngineTimer.h"
#include "agent/engine/IdleController.h"
#include "agent/engine/RequestQueue.h"
#include "agent/timing/Scheduler.h"
#include "platform/agent/AgentService.h"
#include "platform/agent/RandomSource.h"

#include <QList>
#include <QString>

#include <functional>
#include <memory>
#include <optional>

namespace clipvoice::agent::engine {

class CharacterSource;
class RequestObserver;

// One loaded character: performs its requests one after the other, in the order
// issued, and idles when it has none.
//
//  - Show: plays a Showing animation with the window visible. Done at once
//    when already visible; `fast` skips the animation.
//  - Hide: plays a Hiding animation, then hides the window and the balloon.
//    Done at once when already hidden.
//  - Play: plays the named animation; Failed at once when the character lacks
//    it. A looping animation plays until stopped, or until another request waits
//    (it then takes its exit path).
//  - Speak: shows the speech balloon, plays a Speaking animation and speaks at
//    once, with mouth movements, while the balloon reveals the words; the
//    animation holds its last frame until the speech is over. Done when the
//    speech and the animation are over. While hidden the text is still spoken,
//    without balloon.
//  - Think: shows a thought balloon for the time it takes to read it.
// After a speech or thought the balloon hides after a short delay.
//
//  - SaveSpeech: says a text into a file through the parts' SpeechFileOutput,
//    in the language set when it is issued. It runs beside the queue, neither
//    waiting for nor holding up other requests: in progress at once, then
//    Done, Interrupted (cancelled) or Failed.
//
// Stop ends the current request and drops the waiting ones (Interrupted), stops
// speech and balloon, and shows the RestPose animation when there is one. A
// save goes on unless Stop names its request.
//
// While visible with nothing to do the character idles (IdleController), and a
// new request ends idling at once.
class EngineCharacter final : private SpeechListener
{
public:
    using RequestPtr = platform::agent::RequestPtr;

    EngineCharacter(QString id, std::shared_ptr<const CharacterSource> source, CharacterParts parts,
                    timing::Scheduler& scheduler, platform::RandomSource& random,
                    EngineSettings settings = {}, RequestObserver* observer = nullptr,
                    std::function<quint64()> requestNumbers = {});
    ~EngineCharacter() override;
    EngineCharacter(const EngineCharacter&) = delete;
    EngineCharacter& operator=(const EngineCharacter&) = delete;

    const QString& id() const { return m_id; }
    const CharacterSource& source() const { return *m_source; }
    const CharacterStates& states() const { return m_states; }
    const AnimationPlayer& player() const { return m_player; }

    RequestPtr show(std::optional<bool> fast = std::nullopt);
    RequestPtr hide(std::optional<bool> fast = std::nullopt);
    RequestPtr play(const QString& animation);
    RequestPtr speak(const QString& text);
    RequestPtr think(const QString& text);
    RequestPtr saveSpeech(const QString& text, const QString& path);
    // Saves under way.
    int savesInProgress() const { return static_cast<int>(m_saves.size()); }

    // With no request: everything. Fails for a request of another character.
    platform::agent::AgentStatus stop(const RequestPtr& request = nullptr);

    bool isVisible() const { return m_visible; }
    bool isIdling() const { return m_idle.isActive(); }
    // The request being performed, if any.
    std::shared_ptr<EngineRequest> currentRequest() const { return m_queue.current(); }

    // Fails for ids that are not positive or that the speech output cannot speak.
    platform::agent::AgentStatus setLanguageId(qint32 languageId);
    qint32 languageId() const { return m_languageId; }

    platform::agent::AgentResult<platform::agent::CommandPtr>
    addCommand(const QString& name, const QString& caption, bool enabled, bool visible);
    const QList<CommandEntry>& commands() const { return m_commands; }

    // Ends everything for unloading: every request Interrupted, speech cancelled,
    // windows hidden. Later requests are refused (null).
    void shutdown();
    bool isShutDown() const { return m_shutDown; }

private:
    enum class Activity
    {
        None,
        Request, // the animation of the current request
        Idle,
        Rest,
    };

    struct SpeechRun
    {
        QString text;
        bool animating = false; // the Speaking animation has not ended yet
        bool started = false;   // handed to the speech output
        bool spoken = false;    // the speech output has finished
    };

    RequestPtr enqueue(RequestKind kind, const QString& argument = {},
                       std::optional<bool> fast = std::nullopt);
    void schedulePump();
    void pump();
    void perform(const EngineRequest& request);
    void complete(platform::agent::RequestStatus status);
    void cutShort();
    void rest();
    void startIdle(int level);
    void playBackground(const QString& animation, Activity activity);

    void performShow(bool fast);
    void performHide(bool fast);
    void finishHide();
    void performPlay(const QString& name);
    void performSpeak(const QString& text);
    void beginSpeech();
    void speakingAnimationEnded();
    void finishSpeak();
    void performThink(const QString& text);

    void finishSave(quint64 save, SpeechFileOutput::Outcome outcome);
    bool stopSave(const EngineRequest* request);

    // `animation` when it can be played, else empty (a damaged one is treated
    // as absent).
    QString playable(const QString& animation) const;
    bool hasBalloon() const;
    void showStill(const QString& animation);
    void hideBalloon();
    void scheduleBalloonHide();

    // SpeechListener
    void wordReached(int offset, int length) override;
    void mouthShape(int shape) override;
    void finished() override;

    QString m_id;
    std::shared_ptr<const CharacterSource> m_source;
    CharacterParts m_parts;
    platform::RandomSource& m_random;
    EngineSettings m_settings;
    std::function<quint64()> m_requestNumbers;
    RequestObserver* m_observer;
    quint64 m_owner;
    CharacterStates m_states;
    RequestQueue m_queue;
    AnimationPlayer m_player;
    IdleController m_idle;
    EngineTimer m_pumpTimer;
    EngineTimer m_thinkTimer;
    EngineTimer m_balloonTimer;

    Activity m_activity = Activity::None;
    std::optional<SpeechRun> m_speech;
    struct Save
    {
        quint64 number = 0; // the output's
        std::shared_ptr<EngineRequest> request;
    };
    QList<Save> m_saves;
    QList<CommandEntry> m_commands;
    qint32 m_languageId = 0x0409;
    bool m_visible = false;
    bool m_balloonShown = false;
    bool m_shutDown = false;
};

} // namespace clipvoice::agent::engine
