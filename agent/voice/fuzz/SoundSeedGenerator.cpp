// Writes the seed corpus of the sound fuzzer: a short sound in every format
// the encoders here write, mono and stereo.

#include "agent/voice/testing/EncodedSounds.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace clipvoice::agent::voice::testing;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: sound-fuzz-seeds DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    int written = 0;
    for (SoundEncoding encoding : allSoundEncodings()) {
        for (int channels : {1, 2}) {
            SoundSpec spec;
            spec.encoding = encoding;
            spec.sampleRate = 8000;
            spec.channels = channels;
            spec.milliseconds = 80;
            const QByteArray wave = encodeSound(spec);
            if (wave.isEmpty())
                continue;
            QFile f(QDir(dir).filePath(
                QStringLiteral("%1-%2.wav").arg(soundEncodingName(encoding)).arg(channels)));
            if (f.open(QIODevice::WriteOnly) && f.write(wave) == wave.size())
                ++written;
        }
    }
    std::printf("sound-fuzz-seeds: %d files in %s\n", written, qPrintable(dir));
    return written > 0 ? 0 : 1;
}
