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
    // `map` leads offsets in the spoken line back to the written one of
    // `writtenLength` units; null when the two are the same.
    PieceSink(LineStream& stream, int textOffset, qint64 startMs, const reading::OffsetMap* map,
              qsizetype writtenLength)
        : m_stream(stream)
        , m_textOffset(textOffset)
        , m_startMs(startMs)
        , m_map(map)
        , m_writtenLength(writtenLength)
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
        int offset = word.textOffset + m_textOffset;
        int length = word.textLength;
        if (m_map) {
            const reading::TextSpan written = m_map->toWritten({offset, length}, m_writtenLength);
            offset = static_cast<int>(written.offset);
            length = static_cast<int>(written.length);
        }
        m_stream.appendWord(WordTiming{offset, length, word.timeMs + m_startMs});
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
    const reading::OffsetMap* m_map;
    qsizetype m_writtenLength;
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
    // The line as it is to be said. This runs here, on the synthesis thread,
    // as rewriting a very long line takes a while.
    reading::TextRewrite spoken;
    const bool rewritten = request.reading && !request.reading->isEmpty();
    if (rewritten) {
        spoken = request.reading->rewrite(request.text);
        if (cancel.load()) {
            stream.finish(false, QStringLiteral("stopped"));
            return;
        }
    }
    const QString& text = rewritten ? spoken.text : request.text;
    const reading::OffsetMap* map = rewritten && !spoken.map.isIdentity() ? &spoken.map : nullptr;
    const QList<TextChunk> pieces =
        TextChunker::split(text, engine->maxChunkLength(), !engine->streamsAudio());
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
        PieceSink sink(stream, piece.offset, startMs, map, request.text.size());
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
