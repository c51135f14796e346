#pragma once

#include <QByteArray>

namespace clipvoice::agent::engine {

// Plays the sound effects of animation frames.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;

    // A complete RIFF/WAVE file as stored in the character; plays alongside any
    // sound still playing. Must not block.
    virtual void play(const QByteArray& wave) = 0;
    virtual void stopAll() = 0;
};

} // namespace clipvoice::agent::engine
