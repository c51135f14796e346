#pragma once

#include <QString>

namespace clipvoice::agent::engine {

// The word balloon next to a character. The engine calls it on its own thread;
// none of these calls may call back into the engine.
class BalloonView
{
public:
    virtual ~BalloonView() = default;

    // Shows a speech balloon for the text, with nothing of it revealed yet.
    virtual void showSpeech(const QString& text) = 0;
    // Reveals the text of the current speech balloon up to (not including) the
    // UTF-16 offset; offsets only grow during one speech.
    virtual void revealUpTo(int offset) = 0;
    // Shows a thought balloon with the whole text.
    virtual void showThought(const QString& text) = 0;
    virtual void hide() = 0;
};

} // namespace clipvoice::agent::engine
