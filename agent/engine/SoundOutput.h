#pragma once

namespace clipvoice::agent::engine {

// Plays the sound effects of animation frames.
class SoundOutput
{
public:
    virtual ~SoundOutput() = default;

    // The character's sound `soundIndex` (CharacterSource::sound). Must not
    // block: an output that decodes sounds does so elsewhere and plays the
    // sound when it is ready.
    virtual void play(int soundIndex) = 0;
    virtual void stopAll() = 0;
};

} // namespace clipvoice::agent::engine
