#pragma once

#include "agent/voice/SpeechEngine.h"

#include <optional>

// The checks an engine makes before it speaks a piece of text.
namespace clipvoice::agent::voice {

// Either the text to speak (control characters, NULs and unpaired surrogates
// replaced, the length kept) or the result to return at once: no voice
// (`voiceFound` false), a piece longer than the engine takes, or nothing but
// blanks (done, silently).
struct CheckedRequest
{
    QString text;
    std::optional<SynthesisResult> done;
};

CheckedRequest checkRequest(const QString& engineName, bool voiceFound,
                            const SynthesisRequest& request, int maxChunkLength);

} // namespace clipvoice::agent::voice
