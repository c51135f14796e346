#pragma once

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
    // One voice per language of LanguageVoices (Chinese has one for both).
    QList<VoiceInfo> voices() const override;
    int maxChunkLength() const override { return 600; }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return true; }
    SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                               const std::atomic_bool& cancel) override;

    // The espeak-ng rate in words per minute for a 0..100 speed.
    static int wordsPerMinute(int speed);

    // True once the library has been set up with its data; sets it up if needed.
    static bool isAvailable(QString* error = nullptr);
};

} // namespace clipvoice::agent::voice
