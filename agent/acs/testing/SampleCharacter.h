#pragma once

#include "agent/acs/Character.h"

// Builds deterministic characters for tests, benchmarks and fuzzing seeds.
namespace clipvoice::agent::acs::testing {

class SampleCharacter
{
public:
    struct Options
    {
        int side = 128; // character width and height
        int imageCount = 8;
        int animationCount = 3;
        int framesPerAnimation = 4;
        bool withSounds = true;
        bool withVoice = true;
        bool withBalloon = true;
        bool withTrayIcon = true;
        bool withRegions = true;
        int patchEvery = 4; // every n-th image is a small patch; 0 for none
        quint32 seed = 1;
    };

    // A character whose images look like cartoon drawings: flat colour areas
    // with dark outlines on a transparent background, plus every kind of frame
    // data (branches, exit frames, mouth overlays, sounds, several languages).
    static Character build(const Options& options);
    static Character build() { return build(Options{}); }

    // One image of `width` x `height` palette indices in the cartoon style.
    static IndexedImage cartoonImage(int width, int height, quint32 seed, quint8 transparentIndex);

    // A 256-entry palette: Windows system colours at both ends, ramps between.
    static QList<QRgb> palette();

    // A short RIFF/WAVE file (8-bit mono) of `samples` samples.
    static QByteArray wave(int samples, quint32 seed);
};

} // namespace clipvoice::agent::acs::testing
