#pragma once

#include <QHash>
#include <QList>
#include <QObject>
#include <QString>

#include <memory>

#include "agent/timing/RepeatingTimer.h"
#include "agent/timing/Scheduler.h"
#include "agent/voice/AudioOutput.h"
#include "agent/voice/CharacterVoice.h"
#include "agent/voice/LineStream.h"
#include "agent/voice/LineSynthesis.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceTypes.h"

// Speaks lines of text one after another for a character. Lives on the
// user-interface thread; synthesis runs on the synthesis thread, one line ahead
// at most. A line starts playing as soon as its first audio is ready, and its
// words and mouth shapes are signalled at the moments they are heard.
namespace clipvoice::agent::voice {

class Speaker : public QObject
{
    Q_OBJECT

public:
    enum class Outcome
    {
        Completed, // spoken to the end
        Stopped,   // stop() was called, or the speaker went away
        Failed,    // no voice, or the engine failed; detail says why
    };
    Q_ENUM(Outcome)

    // Uses the machine's voices and AudioOutput::create().
    explicit Speaker(QObject* parent = nullptr);
    Speaker(std::shared_ptr<const VoiceCatalog> catalog, std::unique_ptr<AudioOutput> output,
            QObject* parent = nullptr);
    // Ticks on `scheduler` (Qt timers when null), whose clock also times the
    // lines spoken with output off.
    Speaker(std::shared_ptr<const VoiceCatalog> catalog, std::unique_ptr<AudioOutput> output,
            std::shared_ptr<timing::Scheduler> scheduler, QObject* parent = nullptr);
    ~Speaker() override;

    // Chooses the language of the lines spoken from now on; false (and the
    // language is unchanged) when there is no voice for it.
    bool setLanguage(qint32 lcid);
    qint32 language() const { return m_language; }
    bool supportsLanguage(qint32 lcid) const;
    QString japaneseEngineStatus() const;

    // Both apply from the next line whose synthesis has not started.
    void setSpeed(int speed); // 0..100, 50 normal
    int speed() const { return m_settings.speed; }
    void setPitch(int pitch); // 0..100, 50 the voice's own
    int pitch() const { return m_settings.pitch; }

    // How the character speaking sounds: its gender chooses among the voices
    // of the engine for a language (unless the user chose one), and its speed
    // and pitch are those the user's settings move from. Applies from the
    // next line whose synthesis has not started.
    void setCharacterVoice(const CharacterVoice& voice) { m_characterVoice = voice; }
    const CharacterVoice& characterVoice() const { return m_characterVoice; }

    // The voices for a language, the most natural first.
    QList<VoiceInfo> voicesFor(qint32 lcid) const;
    // Chooses the voice (a VoiceInfo::key()) for a language, from the next
    // line whose synthesis has not started; empty for the default.
    void setVoiceChoice(qint32 lcid, const QString& key);
    QString voiceChoice(qint32 lcid) const { return m_voiceChoices.value(lcid); }
    // The voice that speaks the language now, and whether it stands in for a
    // chosen one that is not installed.
    VoiceSelection selectedVoice(qint32 lcid) const;
    // Off: nothing is heard, but lines still take their time and every signal
    // still comes, so balloons keep working.
    void setSpokenOutputEnabled(bool enabled);
    bool isSpokenOutputEnabled() const { return m_settings.spokenOutputEnabled; }

    // How lines are read from now on: the reading rules, and the entries of
    // the pronunciation dictionary (shared, never copied; null for none).
    // Applies from the next line whose synthesis has not started.
    void setReading(const reading::ReadingRules& rules,
                    std::shared_ptr<const QList<reading::PronunciationEntry>> dictionary);
    const reading::ReadingRules& readingRules() const { return m_readingRules; }

    // The request that synthesises `text` in language `lcid` with the current
    // speed, pitch, voice and reading, as the speaker itself makes them; for
    // LineSynthesis, and for saving speech to a file exactly as this speaker
    // would say it. Call it on the speaker's thread: the reading for a
    // language is made on first use and kept until the reading changes.
    LineRequest requestFor(const QString& text, qint32 lcid) const;

    // Queues a plain-text line in the current language (or `lcid`); returns its id.
    int speak(const QString& text);
    int speak(const QString& text, qint32 lcid);

    // Silences the current line at once and drops the queue. Each dropped line
    // gets lineFinished(id, Stopped).
    void stop();

    bool isSpeaking() const { return !m_lines.isEmpty(); }
    int pendingLines() const { return static_cast<int>(m_lines.size()); }
    // Position in the current line in ms, or -1 when none is playing.
    qint64 positionMs() const { return m_positionMs; }

    AudioOutput& output() { return *m_output; }
    const std::shared_ptr<const VoiceCatalog>& catalog() const { return m_catalog; }

signals:
    // The line's first audio is being played by `engine` ("espeak-ng", "Open
    // JTalk") with its voice `voice` (empty for the engine's own choice).
    void lineStarted(int id, const QString& engine, const QString& voice);
    // A word is heard now: `offset`/`length` in UTF-16 code units of the text.
    void wordReached(int id, int offset, int length);
    // The mouth shape (0..6, see MouthTiming) changes now.
    void mouthShapeChanged(int shape);
    // Playback position in the current line, about every 10 ms.
    void progress(int id, qint64 positionMs, qint64 durationSoFarMs);
    void lineFinished(int id, clipvoice::agent::voice::Speaker::Outcome outcome,
                      const QString& detail);
    // The queue is empty.
    void idle();

private:
    struct Line
    {
        int id = 0;
        LineRequest request;
        bool audible = true;
        bool requested = false;
        bool started = false;
        bool synthesised = false; // the stream has finished
        std::shared_ptr<LineStream> stream;
        CancelFlag cancel;
        QList<WordTiming> words;   // not yet signalled
        QList<MouthTiming> mouths; // not yet signalled
        QString engine;
        QString voice;
        QString error;
        bool ok = false;
    };

    void tick();
    void request(Line& line);
    void pull(Line& line, AudioOutput& out);
    void signalDue(Line& line, qint64 positionMs);
    void finishCurrent(Outcome outcome, const QString& detail);
    void setMouth(int shape);
    AudioOutput& outputFor(const Line& line);

    std::shared_ptr<timing::Scheduler> m_scheduler;
    std::shared_ptr<const VoiceCatalog> m_catalog;
    std::unique_ptr<AudioOutput> m_output;
    ClockOutput m_silentOutput; // for lines spoken with output off
    timing::RepeatingTimer m_timer;
    QList<Line> m_lines; // front is the one playing
    void resynthesiseWaitingLines();

    // How lines of a language are read, made once per language and reading.
    std::shared_ptr<const reading::LineReading> readingFor(qint32 lcid) const;

    SpeechSettings m_settings;
    reading::ReadingRules m_readingRules;
    std::shared_ptr<const QList<reading::PronunciationEntry>> m_dictionary;
    mutable QHash<qint32, std::shared_ptr<const reading::LineReading>> m_readings;
    QHash<qint32, QString> m_voiceChoices;
    CharacterVoice m_characterVoice;
    qint32 m_language = 1033;
    int m_nextId = 1;
    int m_mouth = 0;
    qint64 m_positionMs = -1;
};

} // namespace clipvoice::agent::voice
