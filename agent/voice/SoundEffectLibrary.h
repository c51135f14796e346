#pragma once

#include "agent/voice/PcmAudio.h"
#include "agent/voice/SoundDecoder.h"
#include "agent/voice/VoiceTypes.h"

#include <QHash>
#include <QObject>
#include <QSet>
#include <QString>

#include <functional>
#include <memory>

// The sound effects of one character, decoded on a worker thread the first
// time each is wanted and kept, ready for the output's rate, for as long as
// the character is loaded and they fit the memory bound. A sound that cannot
// be played is logged once, naming the character, the sound and the reason,
// and never decoded again.
namespace clipvoice::agent::voice {

class SoundEffectLibrary : public QObject
{
    Q_OBJECT

public:
    // The stored RIFF/WAVE bytes of a sound; empty for a bad index. Called on
    // the library's thread only.
    using Fetch = std::function<QByteArray(int index)>;

    struct Limits
    {
        // Decoded sounds kept; the least recently played go first. One sound
        // bigger than this is still kept alone.
        qsizetype cacheBytes = qsizetype{32} << 20;
        SoundLimits sound;
    };

    SoundEffectLibrary(QString characterName, Fetch fetch, QObject* parent = nullptr);
    SoundEffectLibrary(QString characterName, Fetch fetch, int outputRate, Limits limits,
                       QObject* parent = nullptr);
    ~SoundEffectLibrary() override;

    // The decoded sound, or null when it is not decoded (yet) or cannot be
    // played. Marks it as recently used.
    std::shared_ptr<const PcmAudio> ready(int index);

    // Starts decoding the sound on a worker unless it is ready, already being
    // decoded or known not to play. decoded() or failed() follows.
    void prepare(int index);

    bool hasFailed(int index) const { return m_failed.contains(index); }
    bool isDecoding(int index) const { return m_decoding.contains(index); }
    qsizetype cachedBytes() const { return m_cachedBytes; }
    int cachedCount() const { return static_cast<int>(m_cache.size()); }
    // How many decodes have been started, for tests and benchmarks.
    int decodesStarted() const { return m_decodesStarted; }

signals:
    void decoded(int index);
    void failed(int index, const QString& reason);

private:
    struct Entry
    {
        std::shared_ptr<const PcmAudio> audio;
        quint64 lastUse = 0;
    };
    struct Result;
    static std::shared_ptr<Result> decodeForOutput(const QByteArray& wave,
                                                   const SoundLimits& limits, int outputRate);

    void finish(int index, const std::shared_ptr<Result>& result);
    void evictBeyondBound(int keep);

    QString m_characterName;
    Fetch m_fetch;
    int m_outputRate;
    Limits m_limits;
    QHash<int, Entry> m_cache;
    QSet<int> m_decoding;
    QSet<int> m_failed;
    qsizetype m_cachedBytes = 0;
    quint64 m_useCounter = 0;
    int m_decodesStarted = 0;
};

} // namespace clipvoice::agent::voice
