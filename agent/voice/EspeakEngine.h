#pragma once

#include <QList>

#include <memory>

#include "agent/voice/MbrolaVoices.h"
#include "agent/voice/SpeechEngine.h"

// espeak-ng through libespeak-ng, in synchronous mode: the library calls back
// with each piece of audio and the word and phoneme events inside it. The
// library keeps global state and is not thread-safe, so every call into it is
// serialised through one process-wide lock; the speaker only calls it from its
// synthesis thread.
namespace clipvoice::agent::voice {

class EspeakEngine final : public SpeechEngine
{
public:
    QString name() const override;
    bool supportsLanguage(qint32 lcid) const override;
    // Two voices per language of LanguageVoices (Chinese has one pair for
    // both): the language's own, a man's, and its female variant ("en-us+f3").
    QList<VoiceInfo> voices() const override;
    static constexpr const char* FemaleVariant = "+f3";
    int maxChunkLength() const override { return 600; }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return true; }
    // Speaks with request.voice, or the language's voice when it is empty.
    // MBROLA voices ("mb-...") are refused: MbrolaEngine checks they are
    // installed before selecting one.
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

    // The espeak-ng rate in words per minute for a 0..100 speed.
    static int wordsPerMinute(int speed);

    // True once the library has been set up with its data; sets it up if needed.
    static bool isAvailable(QString* error = nullptr);

    // The espeak-ng-data folder the library uses (or will use); empty when
    // it cannot tell.
    static QString dataPath();
};

// MBROLA voices, which espeak-ng speaks by running the mbrola program. They
// are an engine of their own so that their keys read "MBROLA/us1" and a piece
// an MBROLA voice fails on falls back to plain espeak-ng; they share
// espeak-ng's lock and code. espeak-ng reports the first word of each
// sentence only with these voices, so the other words are found from the text
// positions of the phonemes.
class MbrolaEngine final : public SpeechEngine
{
public:
    // The engine of this machine, made on first use and kept for the life of
    // the process; null when espeak-ng's data, the mbrola program or every
    // voice is missing (one line in the log says which). Only looks at files:
    // espeak-ng loads its data with the first line spoken.
    static std::shared_ptr<MbrolaEngine> installed();

    // An engine offering `voices`, which the caller found usable.
    explicit MbrolaEngine(const QList<MbrolaVoice>& voices);

    QString name() const override;
    bool supportsLanguage(qint32 lcid) const override;
    QList<VoiceInfo> voices() const override { return m_voices; }
    int maxChunkLength() const override { return 600; }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return true; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

private:
    QList<VoiceInfo> m_voices;
};

} // namespace clipvoice::agent::voice
