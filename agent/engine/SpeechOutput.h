#pragma once

#include <QString>

namespace clipvoice::agent::engine {

// Told the progress of one utterance of a SpeechOutput.
class SpeechListener
{
public:
    virtual ~SpeechListener() = default;

    // The word at UTF-16 `offset` of `length` units is being spoken.
    virtual void wordReached(int offset, int length) = 0;
    // The mouth shape of the sound being spoken now: 0 closed .. 6 (the character
    // file's mouth overlay ids).
    virtual void mouthShape(int shape) = 0;
    // The utterance is over (also when the voice failed part way).
    virtual void finished() = 0;
};

// The voice a character speaks with. One utterance at a time.
//
// Contract for implementations: events are delivered on the engine's thread and
// never from inside speak() or cancel(); every utterance that is not cancelled
// ends with exactly one finished(); after cancel(), or a new speak(), nothing
// more is told about the earlier utterance.
class SpeechOutput
{
public:
    virtual ~SpeechOutput() = default;

    // Whether speech in this Windows language id can be produced.
    virtual bool canSpeak(qint32 languageId) const = 0;
    virtual void speak(const QString& text, qint32 languageId, SpeechListener& listener) = 0;
    virtual void cancel() = 0;
};

} // namespace clipvoice::agent::engine
