#include "agent/voice/SoundEffectLibrary.h"

#include "agent/voice/VoiceLog.h"

#include <QFutureWatcher>
#include <QtConcurrent/QtConcurrentRun>

namespace clipvoice::agent::voice {

// What a worker hands back: the sound at the output's rate, or why not.
struct SoundEffectLibrary::Result
{
    PcmAudio audio;
    QString error;
    bool truncated = false;
};

std::shared_ptr<SoundEffectLibrary::Result>
SoundEffectLibrary::decodeForOutput(const QByteArray& wave, const SoundLimits& limits,
                                    int outputRate)
{
    auto result = std::make_shared<Result>();
    DecodedSound sound = decodeSound(wave, limits);
    if (!sound.ok()) {
        result->error = sound.error;
        return result;
    }
    result->truncated = sound.truncated;
    Resampler resampler(sound.audio.sampleRate, outputRate);
    result->audio.samples = resampler.process(sound.audio.samples);
    result->audio.sampleRate = outputRate;
    return result;
}

SoundEffectLibrary::SoundEffectLibrary(QString characterName, Fetch fetch, QObject* parent)
    : SoundEffectLibrary(std::move(characterName), std::move(fetch), OutputSampleRate, Limits{},
                         parent)
{}

SoundEffectLibrary::SoundEffectLibrary(QString characterName, Fetch fetch, int outputRate,
                                       Limits limits, QObject* parent)
    : QObject(parent)
    , m_characterName(std::move(characterName))
    , m_fetch(std::move(fetch))
    , m_outputRate(outputRate)
    , m_limits(limits)
{}

// A decode still running finishes on its worker with its own copy of the
// bytes; its watcher, a child of this object, is gone, so nothing is told.
SoundEffectLibrary::~SoundEffectLibrary() = default;

std::shared_ptr<const PcmAudio> SoundEffectLibrary::ready(int index)
{
    const auto it = m_cache.find(index);
    if (it == m_cache.end())
        return nullptr;
    it->lastUse = ++m_useCounter;
    return it->audio;
}

void SoundEffectLibrary::prepare(int index)
{
    if (m_cache.contains(index) || m_decoding.contains(index) || m_failed.contains(index))
        return;
    QByteArray wave = m_fetch ? m_fetch(index) : QByteArray();
    if (wave.isEmpty()) {
        finish(index, std::make_shared<Result>(
                          Result{{}, QStringLiteral("there is no such sound"), false}));
        return;
    }
    m_decoding.insert(index);
    ++m_decodesStarted;
    auto* watcher = new QFutureWatcher<std::shared_ptr<Result>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, index] {
        watcher->deleteLater();
        finish(index, watcher->result());
    });
    watcher->setFuture(QtConcurrent::run(&SoundEffectLibrary::decodeForOutput, std::move(wave),
                                         m_limits.sound, m_outputRate));
}

void SoundEffectLibrary::finish(int index, const std::shared_ptr<Result>& result)
{
    m_decoding.remove(index);
    if (!result || !result->error.isEmpty()) {
        const QString reason = result ? result->error : QStringLiteral("the decoder failed");
        m_failed.insert(index);
        qCWarning(lcVoice).noquote()
            << QStringLiteral("character \"%1\": sound %2 is not played: %3")
                   .arg(m_characterName)
                   .arg(index)
                   .arg(reason);
        emit failed(index, reason);
        return;
    }
    if (result->truncated)
        qCInfo(lcVoice).noquote()
            << QStringLiteral("character \"%1\": sound %2 is longer than %3 s; only its start is "
                              "played")
                   .arg(m_characterName)
                   .arg(index)
                   .arg(m_limits.sound.maxMilliseconds / 1000);
    auto audio = std::make_shared<const PcmAudio>(std::move(result->audio));
    m_cachedBytes += audio->samples.size();
    m_cache.insert(index, Entry{std::move(audio), ++m_useCounter});
    evictBeyondBound(index);
    emit decoded(index);
}

void SoundEffectLibrary::evictBeyondBound(int keep)
{
    while (m_cachedBytes > m_limits.cacheBytes && m_cache.size() > 1) {
        auto oldest = m_cache.end();
        for (auto it = m_cache.begin(); it != m_cache.end(); ++it) {
            if (it.key() != keep && (oldest == m_cache.end() || it->lastUse < oldest->lastUse))
                oldest = it;
        }
        m_cachedBytes -= oldest->audio->samples.size();
        m_cache.erase(oldest);
    }
}

} // namespace clipvoice::agent::voice
