#include "agent/voice/OpenJTalkSetup.h"

#include <QDir>
#include <QFileInfo>
#include <QStandardPaths>
#include <QStringList>

namespace clipvoice::agent::voice {

namespace {

const char* const VoiceRelativePath =
    "usr/share/hts-voice/nitech-jp-atr503-m001/nitech_jp_atr503_m001.htsvoice";

QString findVoice()
{
    const QString fromEnvironment = qEnvironmentVariable("CLIPVOICE_HTS_VOICE");
    if (!fromEnvironment.isEmpty()) {
        return fromEnvironment;
    }
    const QString installed = QLatin1Char('/') + QLatin1String(VoiceRelativePath);
    return QFileInfo(installed).isFile() ? installed : QString();
}

} // namespace

QString OpenJTalkSetup::voiceName() const
{
    const QString base = QFileInfo(voice).completeBaseName();
    return base.isEmpty() ? QString() : QString(base).replace(QLatin1Char('_'), QLatin1Char('-'));
}

OpenJTalkSetup OpenJTalkSetup::locate()
{
    return fromPaths(QStandardPaths::findExecutable(QStringLiteral("open_jtalk")),
                     QStringLiteral("/var/lib/mecab/dic/open-jtalk/naist-jdic"), findVoice());
}

OpenJTalkSetup OpenJTalkSetup::unavailable(const QString& reason)
{
    OpenJTalkSetup setup;
    setup.problem = reason.isEmpty() ? QStringLiteral("Open JTalk disabled") : reason;
    return setup;
}

OpenJTalkSetup OpenJTalkSetup::fromPaths(const QString& program, const QString& dictionary,
                                         const QString& voice)
{
    OpenJTalkSetup setup;
    setup.program = program;
    setup.dictionary = dictionary;
    setup.voice = voice;
    if (program.isEmpty() || !QFileInfo(program).isExecutable()) {
        setup.problem = QStringLiteral("Open JTalk not installed");
    } else if (!QFileInfo(QDir(dictionary).filePath(QStringLiteral("sys.dic"))).isFile()) {
        setup.problem = QStringLiteral("Open JTalk dictionary not installed");
    } else if (voice.isEmpty() || !QFileInfo(voice).isFile()) {
        setup.problem = QStringLiteral("Open JTalk voice not installed");
    }
    return setup;
}

} // namespace clipvoice::agent::voice
