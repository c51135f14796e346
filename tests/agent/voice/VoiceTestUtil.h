#pragma once

#include <QByteArray>
#include <QElapsedTimer>
#include <QList>
#include <QMutex>
#include <QMutexLocker>
#include <QRegularExpression>
#include <QString>
#include <QStringList>
#include <QThread>
#include <QtEndian>

#include <algorithm>
#include <atomic>
#include <cmath>
#include <limits>
#include <memory>

#include "agent/voice/LineStream.h"
#include "agent/voice/PcmAudio.h"
#include "agent/voice/SpeechEngine.h"

namespace clipvoice::agent::voice::testing {

// Loudness (RMS, 0 to 1) of 16-bit mono audio at `rate` between two times.
inline double rmsOf(const QByteArray& pcm, int rate, qint64 fromMs, qint64 toMs)
{
    const qsizetype from = std::clamp<qsizetype>(fromMs * rate / 1000, 0, pcm.size() / 2);
    const qsizetype to = std::clamp<qsizetype>(toMs * rate / 1000, from, pcm.size() / 2);
    return WavCodec::rms(pcm.mid(from * 2, (to - from) * 2));
}

// The median pitch in Hz of the voiced 40 ms frames of 16-bit mono audio, by
// autocorrelation between 60 and 400 Hz; 0 when no frame is voiced.
inline double medianPitchHz(const QByteArray& pcm, int rate)
{
    const qsizetype frame = qsizetype{rate} * 40 / 1000;
    const auto sampleAt = [&pcm](qsizetype i) {
        return static_cast<double>(qFromLittleEndian<qint16>(pcm.constData() + i * 2));
    };
    QList<double> pitches;
    for (qsizetype start = 0; frame > 0 && start + frame <= pcm.size() / 2; start += frame) {
        if (rmsOf(pcm, rate, start * 1000 / rate, (start + frame) * 1000 / rate) < 0.06) {
            continue;
        }
        qsizetype bestLag = 0;
        double best = 0.0;
        for (qsizetype lag = rate / 400; lag < rate / 60; ++lag) {
            double sum = 0.0;
            for (qsizetype i = 0; i + lag < frame; ++i) {
                sum += sampleAt(start + i) * sampleAt(start + i + lag);
            }
            if (sum > best) {
                best = sum;
                bestLag = lag;
            }
        }
        if (bestLag > 0) {
            pitches.append(static_cast<double>(rate) / static_cast<double>(bestLag));
        }
    }
    if (pitches.isEmpty()) {
        return 0.0;
    }
    std::sort(pitches.begin(), pitches.end());
    return pitches.at(pitches.size() / 2);
}

// Collects a line's output until it finishes or `timeoutMs` pass. With a
// cancel flag, sets it once `stopAfterMs` of audio (at the output rate) has
// come.
inline LineStream::Update collectLine(LineStream& stream, qint64 timeoutMs,
                                      CancelFlag cancel = nullptr,
                                      qint64 stopAfterMs = std::numeric_limits<qint64>::max())
{
    LineStream::Update all;
    QElapsedTimer deadline;
    deadline.start();
    while (deadline.elapsed() < timeoutMs) {
        LineStream::Update part = stream.take(1 << 22);
        all.audio += part.audio;
        all.words += part.words;
        all.mouths += part.mouths;
        if (part.finished) {
            all.finished = true;
            all.ok = part.ok;
            all.error = part.error;
            all.engine = part.engine;
            break;
        }
        if (cancel && PcmAudio::durationMs(all.audio.size(), OutputSampleRate) >= stopAfterMs) {
            cancel->store(true);
        }
        QThread::yieldCurrentThread();
    }
    return all;
}

// Keeps everything an engine hands over.
class CollectingSink final : public SynthesisSink
{
public:
    void format(int sampleRate) override { rate = sampleRate; }
    void samples(const QByteArray& pcm) override
    {
        audio.append(pcm);
        ++pieces;
    }
    void word(const WordTiming& w) override { words.append(w); }
    void mouth(const MouthTiming& m) override { mouths.append(m); }

    qint64 durationMs() const { return rate > 0 ? qint64{audio.size() / 2} * 1000 / rate : 0; }

    int rate = 0;
    int pieces = 0;
    QByteArray audio;
    QList<WordTiming> words;
    QList<MouthTiming> mouths;
};

// The words of `sink` as the text they point at.
inline QStringList spokenWords(const CollectingSink& sink, const QString& text)
{
    QStringList words;
    for (const WordTiming& word : sink.words) {
        words.append(text.mid(word.textOffset, word.textLength));
    }
    return words;
}

// Sets the cancel flag at the first audio and counts what comes after it.
class CancellingSink final : public SynthesisSink
{
public:
    explicit CancellingSink(std::atomic_bool& cancel)
        : m_cancel(cancel)
    {}
    void format(int sampleRate) override { rate = sampleRate; }
    void samples(const QByteArray& pcm) override
    {
        (m_cancel.load() ? bytesAfterCancel : bytesBefore) += pcm.size();
        m_cancel.store(true);
    }
    void word(const WordTiming&) override {}
    void mouth(const MouthTiming&) override {}
    qsizetype samplesAfterCancel() const { return bytesAfterCancel / 2; }

    int rate = 0;
    qsizetype bytesBefore = 0;
    qsizetype bytesAfterCancel = 0;

private:
    std::atomic_bool& m_cancel;
};

// Passes every call to `inner`, but stops the line (sets `cancel`) at its
// first audio; counts the pieces and the longest one.
class StoppingEngine final : public SpeechEngine
{
public:
    StoppingEngine(std::shared_ptr<SpeechEngine> inner, std::atomic_bool& cancel)
        : m_inner(std::move(inner))
        , m_cancel(cancel)
    {}
    QString name() const override { return m_inner->name(); }
    bool supportsLanguage(qint32 lcid) const override { return m_inner->supportsLanguage(lcid); }
    QList<VoiceInfo> voices() const override { return m_inner->voices(); }
    int maxChunkLength() const override { return m_inner->maxChunkLength(); }
    bool streamsAudio() const override { return m_inner->streamsAudio(); }
    bool reportsPhonemes() const override { return m_inner->reportsPhonemes(); }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override
    {
        ++calls;
        longestPiece = std::max(longestPiece, static_cast<int>(request.text.size()));
        Forward forward(sink, m_cancel);
        return m_inner->synthesize(request, forward, cancel);
    }

    int calls = 0;
    int longestPiece = 0;

private:
    class Forward final : public SynthesisSink
    {
    public:
        Forward(SynthesisSink& sink, std::atomic_bool& cancel)
            : m_sink(sink)
            , m_cancel(cancel)
        {}
        void format(int rate) override { m_sink.format(rate); }
        void samples(const QByteArray& pcm) override
        {
            m_sink.samples(pcm);
            m_cancel.store(true);
        }
        void word(const WordTiming& w) override { m_sink.word(w); }
        void mouth(const MouthTiming& m) override { m_sink.mouth(m); }

    private:
        SynthesisSink& m_sink;
        std::atomic_bool& m_cancel;
    };

    std::shared_ptr<SpeechEngine> m_inner;
    std::atomic_bool& m_cancel;
};

// A tone generator that says each word of its text in `msPerWord`, for tests
// of the machinery around engines. It records every text it is given.
class FakeEngine final : public SpeechEngine
{
public:
    explicit FakeEngine(int maxChunk = 400, int msPerWord = 60)
        : m_maxChunk(maxChunk)
        , m_msPerWord(msPerWord)
    {}

    QString name() const override { return m_name; }
    bool supportsLanguage(qint32 lcid) const override { return lcid != 9999; }
    // None unless set: the engine then speaks with its own choice.
    QList<VoiceInfo> voices() const override { return m_voices; }
    void setName(const QString& name) { m_name = name; }
    void setVoices(const QList<VoiceInfo>& voices) { m_voices = voices; }
    int maxChunkLength() const override { return m_maxChunk; }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return true; }

    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override
    {
        {
            QMutexLocker locker(&m_lock);
            m_texts.append(request.text);
            m_speeds.append(request.speed);
            m_requests.append(request);
        }
        constexpr int rate = 16000;
        sink.format(rate);
        static const QRegularExpression word(QStringLiteral("\\S+"));
        qint64 timeMs = 0;
        const int msPerWord =
            static_cast<int>(m_msPerWord / SpeechSettings::rateFactor(request.speed));
        auto it = word.globalMatch(request.text);
        while (it.hasNext()) {
            if (cancel.load()) {
                return SynthesisResult{false, true, {}};
            }
            const auto match = it.next();
            sink.word(WordTiming{static_cast<int>(match.capturedStart()),
                                 static_cast<int>(match.capturedLength()), timeMs});
            sink.mouth(MouthTiming{timeMs, 4});
            sink.mouth(MouthTiming{timeMs + msPerWord / 2, 0});
            QByteArray pcm(rate * msPerWord / 1000 * 2, '\0');
            for (int i = 0; i < pcm.size() / 2; ++i) {
                const auto v = static_cast<qint16>(8000.0 * std::sin(i * 0.2));
                qToLittleEndian<qint16>(v, pcm.data() + i * 2);
            }
            sink.samples(pcm);
            timeMs += msPerWord;
        }
        return SynthesisResult{true, false, {}};
    }

    QStringList texts() const
    {
        QMutexLocker locker(&m_lock);
        return m_texts;
    }
    QList<int> speeds() const
    {
        QMutexLocker locker(&m_lock);
        return m_speeds;
    }
    QList<SynthesisRequest> requests() const
    {
        QMutexLocker locker(&m_lock);
        return m_requests;
    }

private:
    QString m_name = QStringLiteral("fake");
    QList<VoiceInfo> m_voices;
    QList<SynthesisRequest> m_requests;
    int m_maxChunk;
    int m_msPerWord;
    mutable QMutex m_lock;
    QStringList m_texts;
    QList<int> m_speeds;
};

// Speaks only the languages its voices name.
class ListedLanguagesEngine final : public SpeechEngine
{
public:
    explicit ListedLanguagesEngine(std::shared_ptr<FakeEngine> inner)
        : m_inner(std::move(inner))
    {}
    QString name() const override { return m_inner->name(); }
    bool supportsLanguage(qint32 lcid) const override
    {
        const QList<VoiceInfo> all = voices();
        return std::any_of(all.begin(), all.end(),
                           [lcid](const VoiceInfo& v) { return v.speaks(lcid); });
    }
    QList<VoiceInfo> voices() const override { return m_inner->voices(); }
    int maxChunkLength() const override { return m_inner->maxChunkLength(); }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return true; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override
    {
        return m_inner->synthesize(request, sink, cancel);
    }

private:
    std::shared_ptr<FakeEngine> m_inner;
};

// A voice of `engine` for one language, for catalogues made in tests.
inline VoiceInfo voiceOf(const char* engine, const char* id, qint32 language, VoiceGender gender,
                         int quality)
{
    VoiceInfo info;
    info.engine = QString::fromLatin1(engine);
    info.id = QString::fromLatin1(id);
    info.label = info.id;
    info.languages = {language};
    info.gender = gender;
    info.quality = quality;
    return info;
}

// A stand-in engine named `name` speaking only the languages of `voices`.
inline std::shared_ptr<SpeechEngine> listedEngine(const char* name, const QList<VoiceInfo>& voices)
{
    auto fake = std::make_shared<FakeEngine>();
    fake->setName(QString::fromLatin1(name));
    fake->setVoices(voices);
    return std::make_shared<ListedLanguagesEngine>(fake);
}

} // namespace clipvoice::agent::voice::testing
