// Writes the fuzzer's seed corpus: small characters made with our own writer,
// covering compressed and raw images, regions, overlays, sounds and icons.

#include "agent/acs/AcsWriter.h"
#include "agent/acs/Compression.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace clipvoice::agent::acs;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: acs-fuzz-seeds DIR\n");
        return 2;
    }
    const QString dir = QString::fromLocal8Bit(argv[1]);
    QDir().mkpath(dir);
    int written = 0;
    const auto save = [&](const QString& name, const QByteArray& data) {
        QFile f(QDir(dir).filePath(name));
        if (f.open(QIODevice::WriteOnly) && f.write(data) == data.size())
            ++written;
    };
    for (quint32 seed = 1; seed <= 6; ++seed) {
        testing::SampleCharacter::Options o;
        o.seed = seed;
        o.side = int(8 + 4 * seed);
        o.imageCount = int(2 + seed);
        o.animationCount = int(1 + seed % 3);
        o.framesPerAnimation = int(1 + seed % 4);
        o.withVoice = seed % 2 == 0;
        o.withBalloon = seed % 3 != 0;
        o.withTrayIcon = seed != 4;
        o.withSounds = seed % 2 == 1;
        o.withRegions = seed != 5;
        const AcsWriter::Result r = AcsWriter::write(testing::SampleCharacter::build(o));
        if (r.ok())
            save(QStringLiteral("character-%1.acs").arg(seed), r.data);
    }
    // Raw decompressor inputs: two bytes of expected size, then a stream.
    for (int k = 0; k < 3; ++k) {
        const QByteArray plain =
            testing::SampleCharacter::cartoonImage(16 + 8 * k, 12, quint32(k), 10).pixels;
        QByteArray input;
        input.append(char(plain.size() & 0xFF));
        input.append(char(plain.size() >> 8));
        input.append(Compression::compress(plain));
        save(QStringLiteral("stream-%1.bin").arg(k), input);
    }
    std::printf("%d seed files written to %s\n", written, argv[1]);
    return written > 0 ? 0 : 1;
}
