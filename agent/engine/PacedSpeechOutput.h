#pragma once

#include "agent/engine/EngineTimer.h"
#include "agent/engine/SpeechOutput.h"
#include "agent/timing/Scheduler.h"

#include <QList>
#include <QString>
#include <QStringView>

namespace clipvoice::agent::engine {

// How long showing a text takes when nothing speaks it.
struct SpeechPace
{
    qint64 msPerCharacter = 60;
    qint64 minMsPerLine = 1000;

    // Characters times msPerCharacter, but at least minMsPerLine for each
    // non-empty line; 0 for a text of nothing but white space.
    qint64 duration(QStringView text) const;
};

// A voice that makes no sound: it reveals the words of the text one after the
// other at the pace above, with mouth movements, on the injected clock.
class PacedSpeechOutput final : public SpeechOutput
{
public:
    explicit PacedSpeechOutput(timing::Scheduler& scheduler, SpeechPace pace = {});

    bool canSpeak(qint32 languageId) const override { return languageId > 0; }
    void speak(const QString& text, qint32 languageId, SpeechListener& listener) override;
    void cancel() override;

    // A plausible mouth shape for a word, from its first vowel.
    static int mouthShapeFor(QStringView word);

private:
    struct Event
    {
        qint64 at = 0;
        int offset = -1; // a word, or -1 for a mouth shape only
        int length = 0;
        int shape = -1; // -1: no mouth change
        bool last = false;
    };

    void fireNext();

    timing::Scheduler& m_scheduler;
    SpeechPace m_pace;
    EngineTimer m_timer;
    QList<Event> m_events;
    qsizetype m_next = 0;
    qint64 m_start = 0;
    SpeechListener* m_listener = nullptr;
    // Changes with every speak() and cancel(), so that a listener's call that
    // cancels or starts an utterance ends the loop over the old one's events.
    quint64 m_utterance = 0;
};

} // namespace clipvoice::agent::engine
