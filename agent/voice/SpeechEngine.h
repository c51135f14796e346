#pragma once

#include <QByteArray>
#include <QString>
#include <QtGlobal>

#include "agent/voice/VoiceTypes.h"

// The interface every speech synthesiser implements. An engine works
// synchronously and is called on the synthesis thread only: it hands audio and
// timing to a sink as they become ready, so playback can start with the first
// piece.
namespace clipvoice::agent::voice {

struct SynthesisRequest
{
    QString text; // plain text, already cut to the engine's piece length
    qint32 language = 0;
    int speed = 50; // 0..100, see SpeechSettings
    int pitch = 50; // 0..100, 50 the voice's own; see SpeechSettings
    // One of voices()'s ids; empty for the engine's own choice for `language`.
    QString voice;
};

// Receives what an engine produces. Times are milliseconds from the start of
// this request's audio; text offsets are UTF-16 offsets into request.text.
class SynthesisSink
{
public:
    virtual ~SynthesisSink() = default;
    // Called once before any samples.
    virtual void format(int sampleRate) = 0;
    // 16-bit mono samples at the announced rate.
    virtual void samples(const QByteArray& pcm) = 0;
    virtual void word(const WordTiming& word) = 0;
    virtual void mouth(const MouthTiming& mouth) = 0;
};

struct SynthesisResult
{
    bool ok = false;
    bool cancelled = false;
    QString error; // short and readable, for logs and status text
};

class SpeechEngine
{
public:
    virtual ~SpeechEngine() = default;

    // Short name for status text, e.g. "espeak-ng".
    virtual QString name() const = 0;
    virtual bool supportsLanguage(qint32 lcid) const = 0;
    // The voices installed on this machine; found when the engine was made.
    virtual QList<VoiceInfo> voices() const = 0;
    // The most text handed to synthesize() at once; longer lines are cut first.
    virtual int maxChunkLength() const = 0;
    // True if audio comes out while a piece is being made, false if only once
    // the whole piece is done (then lines are cut at every sentence).
    virtual bool streamsAudio() const = 0;
    // True if the engine reports mouth shapes from phonemes.
    virtual bool reportsPhonemes() const = 0;

    // Synthesises `request` into `sink`, returning early (cancelled) once
    // `*cancel` is set.
    virtual SynthesisResult synthesize(const SynthesisRequest& request, SynthesisSink& sink,
                                       const std::atomic_bool& cancel) = 0;
};

} // namespace clipvoice::agent::voice
