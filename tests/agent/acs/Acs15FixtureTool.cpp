// Writes characters in the older (1.5) format for end-to-end tests:
//
//   acs15-fixture convert IN.acs OUT.acs [--minor 30] [--damage ANIMATION]
//       the 2.0 character IN in the older format; --damage spoils the
//       compressed data of one animation's stream, as in real damaged files
//   acs15-fixture variations DIR
//       one file per kind of character the format's test set covers

#include "agent/acs/AcsReader.h"
#include "agent/acs/testing/Acs15Fixtures.h"
#include "agent/acs/testing/Acs15Writer.h"
#include "agent/acs/testing/Character15Conversion.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <cstdio>

using namespace clipvoice::agent::acs;

namespace {

int usage()
{
    std::fprintf(stderr, "usage: acs15-fixture convert IN.acs OUT.acs [--minor 30] [--damage "
                         "ANIMATION]\n       acs15-fixture variations DIR\n");
    return 2;
}

bool save(const QString& path, const QByteArray& data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size()) {
        std::fprintf(stderr, "acs15-fixture: cannot write %s\n", qPrintable(path));
        return false;
    }
    return true;
}

int convert(const QStringList& args)
{
    if (args.size() < 2)
        return usage();
    quint16 minor = 31;
    QString damaged;
    for (qsizetype i = 2; i + 1 < args.size(); i += 2) {
        if (args.at(i) == QLatin1String("--minor"))
            minor = quint16(args.at(i + 1).toUInt());
        else if (args.at(i) == QLatin1String("--damage"))
            damaged = args.at(i + 1);
        else
            return usage();
    }
    AcsReader reader;
    if (!reader.openFile(args.at(0))) {
        std::fprintf(stderr, "acs15-fixture: %s: %s\n", qPrintable(args.at(0)),
                     qPrintable(reader.errorString()));
        return 1;
    }
    QString error;
    const Character character = reader.character(&error);
    if (!error.isEmpty()) {
        std::fprintf(stderr, "acs15-fixture: %s\n", qPrintable(error));
        return 1;
    }
    const testing::Converted15 converted = testing::toCharacter15(character, minor);
    testing::Acs15WriteOptions options;
    if (!damaged.isEmpty()) {
        for (qsizetype a = 0; a < converted.character.animations.size(); ++a) {
            if (converted.character.animations.at(a).name.compare(damaged, Qt::CaseInsensitive) ==
                0)
                options.corruptAnimation = a;
        }
        if (options.corruptAnimation < 0) {
            std::fprintf(stderr, "acs15-fixture: no animation %s\n", qPrintable(damaged));
            return 1;
        }
    }
    return save(args.at(1), testing::writeAcs15(converted.character, converted.animations, options))
               ? 0
               : 1;
}

int variations(const QStringList& args)
{
    if (args.size() != 1)
        return usage();
    QDir().mkpath(args.at(0));
    for (const testing::Acs15Fixture& fixture : testing::allAcs15Fixtures()) {
        if (!save(QDir(args.at(0)).filePath(fixture.name + QStringLiteral(".acs")),
                  testing::writeAcs15(fixture.character, fixture.animations, fixture.options)))
            return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments().mid(1);
    if (args.isEmpty())
        return usage();
    const QString command = args.takeFirst();
    if (command == QLatin1String("convert"))
        return convert(args);
    if (command == QLatin1String("variations"))
        return variations(args);
    return usage();
}
