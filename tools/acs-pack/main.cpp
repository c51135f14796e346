// acs-pack: builds an Agent 2.0 character file from a JSON manifest naming PNG
// frames and WAV sounds. The manifest format is described in README.md.

#include "Manifest.h"

#include "agent/acs/AcsWriter.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QTextStream>

using namespace clipvoice::agent::acs;

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("acs-pack"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Builds a character file (.acs) from a JSON manifest."));
    parser.addHelpOption();
    const QCommandLineOption outputOption(
        QStringList{QStringLiteral("o"), QStringLiteral("output")},
        QStringLiteral("Write the character to <file> (default: the manifest's \"output\", or "
                       "the manifest name with .acs)."),
        QStringLiteral("file"));
    parser.addOption(outputOption);
    parser.addPositionalArgument(QStringLiteral("manifest"), QStringLiteral("The JSON manifest."));
    parser.process(app);
    QTextStream err(stderr);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    const QString manifestPath = parser.positionalArguments().first();
    const Manifest::Result m = Manifest::load(manifestPath);
    for (const QString& w : m.warnings)
        err << "acs-pack: warning: " << w << '\n';
    if (!m.error.isEmpty()) {
        err << "acs-pack: " << m.error << '\n';
        return 1;
    }
    QString output = parser.value(outputOption);
    if (output.isEmpty())
        output = m.output;
    if (output.isEmpty()) {
        const QFileInfo fi(manifestPath);
        output = fi.absoluteDir().filePath(fi.completeBaseName() + QStringLiteral(".acs"));
    }
    QString error;
    if (!AcsWriter::writeFile(m.character, output, &error)) {
        err << "acs-pack: " << error << '\n';
        return 1;
    }
    QTextStream(stdout) << "acs-pack: wrote " << output << " (" << m.character.images.size()
                        << " images, " << m.character.animations.size() << " animations, "
                        << m.character.sounds.size() << " sounds)\n";
    return 0;
}
