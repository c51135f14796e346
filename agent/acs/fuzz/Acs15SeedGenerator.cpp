// Writes the seed corpus of the older-format fuzzer: one small file per kind
// of character the fixture set covers, and a converted sample character.

#include "agent/acs/testing/Acs15Fixtures.h"
#include "agent/acs/testing/Acs15Writer.h"
#include "agent/acs/testing/Character15Conversion.h"
#include "agent/acs/testing/SampleCharacter.h"

#include <QDir>
#include <QFile>

#include <cstdio>

using namespace clipvoice::agent::acs;

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: acs15-fuzz-seeds DIR\n");
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
    for (const testing::Acs15Fixture& fixture : testing::allAcs15Fixtures())
        save(fixture.name + QStringLiteral(".acs"),
             testing::writeAcs15(fixture.character, fixture.animations, fixture.options));
    testing::SampleCharacter::Options o;
    o.side = 24;
    o.imageCount = 6;
    o.animationCount = 3;
    o.framesPerAnimation = 3;
    const testing::Converted15 sample = testing::toCharacter15(testing::SampleCharacter::build(o));
    save(QStringLiteral("sample.acs"), testing::writeAcs15(sample.character, sample.animations));
    std::printf("acs15-fuzz-seeds: %d files in %s\n", written, qPrintable(dir));
    return written > 0 ? 0 : 1;
}
