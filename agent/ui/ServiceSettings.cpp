#include "agent/ui/ServiceSettings.h"

#include <QDir>
#include <QFileInfo>
#include <QSettings>
#include <QStandardPaths>

namespace clipvoice::agent::ui {

namespace {

const QString BalloonEnabled = QStringLiteral("Balloon/Enabled");
const QString FontFamily = QStringLiteral("Balloon/FontFamily");
const QString FontSize = QStringLiteral("Balloon/FontSize");
const QString FontBold = QStringLiteral("Balloon/FontBold");
const QString FontItalic = QStringLiteral("Balloon/FontItalic");
const QString SpeechEnabled = QStringLiteral("Speech/Enabled");
const QString SpeechRate = QStringLiteral("Speech/Rate");
const QString SoundEffects = QStringLiteral("Sound/EffectsEnabled");
const QString SpeechPitch = QStringLiteral("Speech/Pitch");
const QString ReadAddresses = QStringLiteral("Reading/AddressesAsHostName");
const QString ShortenRepeats = QStringLiteral("Reading/ShortenRepeats");
const QString VoicesGroup = QStringLiteral("Voices");
constexpr int MaxVoiceKeyLength = 200;

bool readBool(const QSettings& settings, const QString& key, bool fallback)
{
    const QString value = settings.value(key).toString().trimmed().toLower();
    if (value == QLatin1String("true") || value == QLatin1String("1"))
        return true;
    if (value == QLatin1String("false") || value == QLatin1String("0"))
        return false;
    return fallback;
}

int readInt(const QSettings& settings, const QString& key, int low, int high, int fallback)
{
    bool ok = false;
    const int value = settings.value(key).toString().trimmed().toInt(&ok);
    return ok && value >= low && value <= high ? value : fallback;
}

} // namespace

BalloonStyle ServiceOptions::applyTo(BalloonStyle style) const
{
    if (!balloonFontFamily.isEmpty()) {
        style.fontFamily = balloonFontFamily;
        style.fontWeight = balloonFontBold ? QFont::Bold : QFont::Normal;
        style.italic = balloonFontItalic;
    }
    if (balloonFontSize > 0)
        style.fontPointSize = balloonFontSize;
    return style;
}

ServiceSettings::ServiceSettings(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
{
    reload();
}

QString ServiceSettings::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/clipvoice/agent.ini");
}

void ServiceSettings::reload()
{
    const QSettings settings(m_path, QSettings::IniFormat);
    const ServiceOptions defaults;
    ServiceOptions read;
    read.balloonEnabled = readBool(settings, BalloonEnabled, defaults.balloonEnabled);
    read.balloonFontFamily = settings.value(FontFamily).toString().trimmed().left(100);
    read.balloonFontSize = readInt(settings, FontSize, ServiceOptions::SmallestFont,
                                   ServiceOptions::LargestFont, defaults.balloonFontSize);
    read.balloonFontBold = readBool(settings, FontBold, defaults.balloonFontBold);
    read.balloonFontItalic = readBool(settings, FontItalic, defaults.balloonFontItalic);
    read.speechEnabled = readBool(settings, SpeechEnabled, defaults.speechEnabled);
    read.soundEffectsEnabled = readBool(settings, SoundEffects, defaults.soundEffectsEnabled);
    read.speechRate = readInt(settings, SpeechRate, ServiceOptions::SlowestRate,
                              ServiceOptions::FastestRate, defaults.speechRate);
    read.speechPitch = readInt(settings, SpeechPitch, ServiceOptions::LowestPitch,
                               ServiceOptions::HighestPitch, defaults.speechPitch);
    read.readingRules.addressesAsHostName =
        readBool(settings, ReadAddresses, defaults.readingRules.addressesAsHostName);
    read.readingRules.shortenRepeats =
        readBool(settings, ShortenRepeats, defaults.readingRules.shortenRepeats);
    // [Voices] 1033=RHVoice/Slt: one key per language identifier. Anything
    // else in the group is not ours and is skipped.
    for (const QString& key : settings.allKeys()) {
        if (!key.startsWith(VoicesGroup + QLatin1Char('/')))
            continue;
        bool ok = false;
        const qint32 lcid = key.mid(VoicesGroup.size() + 1).toInt(&ok);
        const QString voice = settings.value(key).toString().trimmed();
        if (ok && lcid > 0 && lcid <= 0xFFFF && !voice.isEmpty() &&
            voice.size() <= MaxVoiceKeyLength && voice.contains(QLatin1Char('/')))
            read.voices.insert(lcid, voice);
    }
    if (read != m_options) {
        m_options = read;
        emit changed();
    }
}

bool ServiceSettings::setOptions(const ServiceOptions& options)
{
    QDir().mkpath(QFileInfo(m_path).absolutePath());
    QSettings settings(m_path, QSettings::IniFormat);
    settings.setValue(BalloonEnabled, options.balloonEnabled);
    settings.setValue(FontFamily, options.balloonFontFamily);
    settings.setValue(FontSize, options.balloonFontSize);
    settings.setValue(FontBold, options.balloonFontBold);
    settings.setValue(FontItalic, options.balloonFontItalic);
    settings.setValue(SpeechEnabled, options.speechEnabled);
    settings.setValue(SpeechRate, options.speechRate);
    settings.setValue(SoundEffects, options.soundEffectsEnabled);
    settings.setValue(SpeechPitch, options.speechPitch);
    settings.setValue(ReadAddresses, options.readingRules.addressesAsHostName);
    settings.setValue(ShortenRepeats, options.readingRules.shortenRepeats);
    settings.remove(VoicesGroup);
    for (auto it = options.voices.cbegin(); it != options.voices.cend(); ++it)
        settings.setValue(VoicesGroup + QLatin1Char('/') + QString::number(it.key()), it.value());
    settings.sync();
    if (options != m_options) {
        m_options = options;
        emit changed();
    }
    return settings.status() == QSettings::NoError;
}

} // namespace clipvoice::agent::ui
