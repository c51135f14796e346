#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <condition_variable>
#include <memory>
#include <mutex>

#include "agent/timing/Clock.h"
#include "agent/timing/SteadyClock.h"
#include "agent/voice/VoiceTypes.h"

// The audio and timing of one line, passed from the synthesis thread to the
// player. The synthesis thread appends; the player takes what is there on each
// tick. Audio is at OutputSampleRate; times count from the start of the line.
namespace clipvoice::agent::voice {

class LineStream
{
public:
    // Unplayed audio the synthesis may run ahead by before it waits.
    static constexpr qint64 MaxAheadMs = 20000;

    // `clock` tells how long the player has taken nothing; it is read on the
    // synthesis thread.
    explicit LineStream(std::shared_ptr<const timing::Clock> clock = timing::SteadyClock::shared());

    struct Update
    {
        QByteArray audio;
        QList<WordTiming> words;
        QList<MouthTiming> mouths;
        bool finished = false; // nothing more will come
        bool ok = false;       // valid once finished
        QString error;
        QString engine; // the engine that spoke (last piece)
        QString voice;  // its voice's id; empty for the engine's own choice
    };

    // Synthesis side.
    void appendAudio(const QByteArray& pcm);
    void appendWord(const WordTiming& word);
    void appendMouth(const MouthTiming& mouth);
    void setEngine(const QString& engine, const QString& voice);
    void finish(bool ok, const QString& error);
    // Blocks while too much audio waits unplayed; returns false if cancelled,
    // or if the player has taken nothing for PlayerGoneMs (it is gone).
    bool waitForRoom(const std::atomic_bool& cancel);
    static constexpr qint64 PlayerGoneMs = 60000;

    // Player side: takes at most `maxAudioBytes` of audio and every event.
    Update take(qsizetype maxAudioBytes);
    bool hasAudio() const;

private:
    const std::shared_ptr<const timing::Clock> m_clock;
    mutable std::mutex m_lock;
    std::condition_variable m_taken;
    QByteArray m_audio;
    QList<WordTiming> m_words;
    QList<MouthTiming> m_mouths;
    qint64 m_lastTakeMs; // the clock's reading at the last take
    bool m_finished = false;
    bool m_ok = false;
    QString m_error;
    QString m_engine;
    QString m_voice;
};

} // namespace clipvoice::agent::voice
