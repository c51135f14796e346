#include "agent/voice/LineStream.h"

#include "agent/voice/PcmAudio.h"

#include <chrono>

namespace clipvoice::agent::voice {

LineStream::LineStream(std::shared_ptr<const timing::Clock> clock)
    : m_clock(std::move(clock))
    , m_lastTakeMs(m_clock->now())
{}

void LineStream::appendAudio(const QByteArray& pcm)
{
    const std::lock_guard guard(m_lock);
    m_audio.append(pcm);
}

void LineStream::appendWord(const WordTiming& word)
{
    const std::lock_guard guard(m_lock);
    m_words.append(word);
}

void LineStream::appendMouth(const MouthTiming& mouth)
{
    const std::lock_guard guard(m_lock);
    m_mouths.append(mouth);
}

void LineStream::setEngine(const QString& engine, const QString& voice)
{
    const std::lock_guard guard(m_lock);
    m_engine = engine;
    m_voice = voice;
}

void LineStream::finish(bool ok, const QString& error)
{
    const std::lock_guard guard(m_lock);
    m_finished = true;
    m_ok = ok;
    m_error = error;
}

bool LineStream::waitForRoom(const std::atomic_bool& cancel)
{
    const qsizetype limit = PcmAudio::bytesFor(MaxAheadMs, OutputSampleRate);
    std::unique_lock guard(m_lock);
    while (m_audio.size() > limit) {
        const qint64 idleMs = m_clock->now() - m_lastTakeMs;
        if (cancel.load() || idleMs > PlayerGoneMs) {
            return false;
        }
        // Wakes on every take; the timeout lets a cancel be noticed.
        m_taken.wait_for(guard, std::chrono::milliseconds(50));
    }
    return !cancel.load();
}

LineStream::Update LineStream::take(qsizetype maxAudioBytes)
{
    Update update;
    {
        const std::lock_guard guard(m_lock);
        const qsizetype bytes =
            std::min(m_audio.size(), std::max<qsizetype>(maxAudioBytes, 0) & ~qsizetype{1});
        update.audio = m_audio.left(bytes);
        m_audio.remove(0, bytes);
        update.words.swap(m_words);
        update.mouths.swap(m_mouths);
        update.finished = m_finished && m_audio.isEmpty();
        update.ok = m_ok;
        update.error = m_error;
        update.engine = m_engine;
        update.voice = m_voice;
        m_lastTakeMs = m_clock->now();
    }
    m_taken.notify_all();
    return update;
}

bool LineStream::hasAudio() const
{
    const std::lock_guard guard(m_lock);
    return !m_audio.isEmpty();
}

} // namespace clipvoice::agent::voice
