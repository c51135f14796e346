#include "SoundReport.h"

#include "agent/voice/SoundDecoder.h"

#include <QFile>

using namespace clipvoice::agent::voice;

namespace acsinfo {

namespace {

QString soundFileName(qsizetype index)
{
    return QStringLiteral("sounds/sound-%1.wav").arg(index, 3, 10, QLatin1Char('0'));
}

QString channelText(int channels)
{
    return channels == 1 ? QStringLiteral("1 channel")
                         : QStringLiteral("%1 channels").arg(channels);
}

} // namespace

void printSounds(QTextStream& out, qsizetype count, const SoundFetch& sound, const QString& heading)
{
    out << heading << '\n';
    for (qsizetype s = 0; s < count; ++s) {
        const QByteArray stored = sound(s);
        const DecodedSound decoded = decodeSound(stored);
        out << "  sound " << s << ": ";
        if (decoded.header) {
            const WaveHeader& h = *decoded.header;
            out << h.describe() << ", " << channelText(h.channels) << ", " << h.sampleRate
                << " Hz, " << stored.size() << " bytes";
        }
        if (decoded.ok()) {
            out << ", "
                << QString::number(static_cast<double>(decoded.audio.durationMs()) / 1000.0, 'f', 3)
                << " s: plays" << (decoded.truncated ? " (cut at the length limit)" : "") << '\n';
        } else {
            out << (decoded.header ? ": " : "") << "not played (" << decoded.error << ")\n";
        }
    }
}

bool exportSounds(const QDir& dir, qsizetype count, const SoundFetch& sound, QTextStream& err)
{
    bool ok = true;
    for (qsizetype s = 0; s < count; ++s) {
        const DecodedSound decoded = decodeSound(sound(s));
        if (!decoded.ok()) {
            err << "acs-info: sound " << s << " is not exported: it is not played ("
                << decoded.error << ")\n";
            continue;
        }
        const QString path = dir.filePath(soundFileName(s));
        QFile file(path);
        const QByteArray header =
            WavCodec::header(decoded.audio.samples.size(), decoded.audio.sampleRate);
        if (!file.open(QIODevice::WriteOnly) || file.write(header) != header.size() ||
            file.write(decoded.audio.samples) != decoded.audio.samples.size()) {
            err << "acs-info: cannot write " << path << '\n';
            ok = false;
        }
    }
    return ok;
}

} // namespace acsinfo
