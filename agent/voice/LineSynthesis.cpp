#include "agent/voice/LineSynthesis.h"

#include "agent/voice/PcmAudio.h"
#include "agent/voice/SynthesisThread.h"
#include "agent/voice/TextChunker.h"

#include <optional>

namespace clipvoice::agent::voice {

namespace {

// Moves one piece's output into the line's stream.
class PieceSink final : public SynthesisSink
{
public:
    PieceSink(LineStream& stream, int textOffset, qint64 startMs)
        : m_stream(stream)
        , m_textOffset(textOffset)
        , m_startMs(startMs)
    {}

    void format(int sampleRate) override { m_resampler.emplace(sampleRate, OutputSampleRate); }

    void samples(const QByteArray& pcm) override
    {
        if (!m_resampler) {
            return;
        }
        const QByteArray converted = m_resampler->process(pcm);
        m_outputBytes += converted.size();
        m_stream.appendAudio(converted);
    }

    void word(const WordTiming& word) override
    {
        m_stream.appendWord(
            WordTiming{word.textOffset + m_textOffset, word.textLength, word.timeMs + m_startMs});
    }

    void mouth(const MouthTiming& mouth) override
    {
        m_stream.appendMouth(MouthTiming{mouth.timeMs + m_startMs, mouth.shape});
    }

    qsizetype outputBytes() const { return m_outputBytes; }

private:
    LineStream& m_stream;
    int m_textOffset;
    qint64 m_startMs;
    std::optional<Resampler> m_resampler;
    qsizetype m_outputBytes = 0;
};

} // namespace

void LineSynthesis::run(const VoiceCatalog& catalog, const LineRequest& request, LineStream& stream,
                        const std::atomic_bool& cancel)
{
    const VoiceSelection selection = catalog.select(request.language, request.voice);
    SpeechEngine* engine = selection.engine;
    if (!engine) {
        stream.finish(false, QStringLiteral("no voice for language %1").arg(request.language));
        return;
    }
    SpeechEngine* fallback = catalog.fallbackFor(request.language, engine);
    const QList<TextChunk> pieces =
        TextChunker::split(request.text, engine->maxChunkLength(), !engine->streamsAudio());
    qsizetype lineBytes = 0;
    int spokenPieces = 0;
    QString lastError;
    for (const TextChunk& piece : pieces) {
        if (cancel.load()) {
            stream.finish(false, QStringLiteral("stopped"));
            return;
        }
        const qint64 startMs = PcmAudio::durationMs(lineBytes, OutputSampleRate);
        SynthesisRequest pieceRequest{TextChunker::sanitize(piece.text), request.language,
                                      request.speed, request.pitch, selection.voice.id};
        PieceSink sink(stream, piece.offset, startMs);
        stream.setEngine(engine->name(), selection.voice.id);
        SynthesisResult result = engine->synthesize(pieceRequest, sink, cancel);
        if (!result.ok && !result.cancelled && fallback && sink.outputBytes() == 0 &&
            fallback->maxChunkLength() >= pieceRequest.text.size()) {
            // The fallback speaks a piece the first engine could not, so a line
            // is never lost to one failing engine.
            pieceRequest.voice.clear();
            stream.setEngine(fallback->name(), {});
            result = fallback->synthesize(pieceRequest, sink, cancel);
        }
        if (result.cancelled || cancel.load()) {
            stream.finish(false, QStringLiteral("stopped"));
            return;
        }
        lineBytes += sink.outputBytes();
        if (result.ok) {
            ++spokenPieces;
        } else {
            // One unspeakable piece (say, only symbols) does not lose the rest.
            lastError = result.error;
        }
        if (!stream.waitForRoom(cancel)) {
            stream.finish(false, QStringLiteral("stopped"));
            return;
        }
    }
    const bool ok = spokenPieces > 0 || lastError.isEmpty();
    stream.finish(ok, ok ? QString() : lastError);
}

void LineSynthesis::start(std::shared_ptr<const VoiceCatalog> catalog, LineRequest request,
                          std::shared_ptr<LineStream> stream, CancelFlag cancel)
{
    SynthesisThread::post(
        [catalog = std::move(catalog), request = std::move(request), stream = std::move(stream),
         cancel = std::move(cancel)] { run(*catalog, request, *stream, *cancel); });
}

} // namespace clipvoice::agent::voice
