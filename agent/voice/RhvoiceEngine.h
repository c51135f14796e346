#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

#include <memory>

#include "agent/voice/SpeechEngine.h"

// RHVoice through libRHVoice, loaded at run time so that one build serves
// machines with and without it. The library calls back with audio in pieces
// of 100 ms and with the start of each word (as UTF-8 byte offsets) between
// pieces; it reports no phonemes, so mouths follow the loudness of the audio.
// Text is always given as plain text, never SSML, so markup is read out. The
// library is not thread-safe: every call into it goes through one lock.
namespace clipvoice::agent::voice {

class RhvoiceEngine final : public SpeechEngine
{
public:
    struct Paths
    {
        QByteArray library = "libRHVoice.so.5";
        // Empty for RHVoice's own places (/usr/share/RHVoice, /etc/RHVoice).
        QString dataPath;
        QString configPath;
    };

    // The engine of this machine, made on first use and kept for the life of
    // the process; null when the library or its voices are missing.
    static std::shared_ptr<RhvoiceEngine> installed();
    // A new engine from `paths`; null when the library or its voices are
    // missing, with the reason in `problem` and one line in the log.
    static std::shared_ptr<RhvoiceEngine> load(const Paths& paths, QString* problem = nullptr);

    ~RhvoiceEngine() override;
    RhvoiceEngine(const RhvoiceEngine&) = delete;
    RhvoiceEngine& operator=(const RhvoiceEngine&) = delete;

    QString name() const override;
    bool supportsLanguage(qint32 lcid) const override;
    // English, Russian, Polish and Brazilian Portuguese voices, each language's
    // default first. Voices of languages without an identifier (Ukrainian) are
    // left out: nothing could choose them.
    QList<VoiceInfo> voices() const override { return m_voices; }
    // A 600-character piece takes well under a second; audio starts after the
    // first sentence.
    int maxChunkLength() const override { return 600; }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return false; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

    // The language identifiers an RHVoice voice reads, from the language and
    // country codes the library gives it; empty for languages we do not list.
    static QList<qint32> languagesOf(const QString& language, const QString& country,
                                     const QString& voiceName);
    // RHVoice's absolute rate or pitch (-1..1, 0 the voice's own) that makes
    // speech `factor` times as fast or as high (0.5..2): measured, -1 halves
    // and +1 doubles, in a straight line on each side.
    static double scaleFor(double factor);
    // Where the speech after a pause starts in a piece of audio, as a sample
    // index: 0 when the piece starts with sound and has no pause, -1 when
    // the piece is silent throughout.
    static qsizetype speechOnset(const qint16* samples, qsizetype count, int sampleRate);

    struct Library;

private:
    RhvoiceEngine(std::shared_ptr<const Library> library, void* engine, QList<VoiceInfo> voices);
    const VoiceInfo* voiceFor(const SynthesisRequest& request) const;

    std::shared_ptr<const Library> m_library;
    void* m_engine; // RHVoice_tts_engine
    QList<VoiceInfo> m_voices;
};

} // namespace clipvoice::agent::voice
