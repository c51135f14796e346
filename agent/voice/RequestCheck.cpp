#include "agent/voice/RequestCheck.h"

#include "agent/voice/TextChunker.h"

namespace clipvoice::agent::voice {

CheckedRequest checkRequest(const QString& engineName, bool voiceFound,
                            const SynthesisRequest& request, int maxChunkLength)
{
    CheckedRequest checked;
    SynthesisResult result;
    if (!voiceFound) {
        result.error =
            request.voice.isEmpty()
                ? QStringLiteral("no %1 voice for language %2")
                      .arg(engineName)
                      .arg(request.language)
                : QStringLiteral("%1 has no voice \"%2\"").arg(engineName, request.voice);
        checked.done = result;
        return checked;
    }
    if (request.text.size() > maxChunkLength) {
        result.error = QStringLiteral("text too long for %1 (%2 characters, at most %3)")
                           .arg(engineName)
                           .arg(request.text.size())
                           .arg(maxChunkLength);
        checked.done = result;
        return checked;
    }
    checked.text = TextChunker::sanitize(request.text);
    if (checked.text.trimmed().isEmpty()) {
        result.ok = true; // nothing to say
        checked.done = result;
    }
    return checked;
}

} // namespace clipvoice::agent::voice
