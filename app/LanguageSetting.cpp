#include "app/LanguageSetting.h"

#include "platform/SettingsStore.h"

#include <QComboBox>

namespace clipvoice::app {

int storedLanguagePosition(const QString& stored, int itemCount)
{
    qsizetype i = 0;
    while (i < stored.size() &&
           (stored.at(i) == QLatin1Char(' ') || stored.at(i) == QLatin1Char('\t')))
        ++i;
    const qsizetype start = i;
    if (i < stored.size() && (stored.at(i) == QLatin1Char('+') || stored.at(i) == QLatin1Char('-')))
        ++i;
    const qsizetype digitsStart = i;
    while (i < stored.size() && stored.at(i).isDigit() && stored.at(i).unicode() < 128)
        ++i;
    if (i == digitsStart)
        return 1;
    // A fraction such as "3.5" names no item.
    if (i + 1 < stored.size() && stored.at(i) == QLatin1Char('.') && stored.at(i + 1).isDigit()) {
        qsizetype j = i + 1;
        while (j < stored.size() && stored.at(j).isDigit()) {
            if (stored.at(j) != QLatin1Char('0'))
                return 1;
            ++j;
        }
    }
    bool ok = false;
    const int value = stored.mid(start, i - start).toInt(&ok);
    if (!ok || value < 1 || value > itemCount)
        return 1;
    return value;
}

void restoreLanguage(platform::SettingsStore& settings, QComboBox& picker)
{
    const QString stored =
        settings.read(settingApplication(), settingSection(), settingKey(), QStringLiteral("1"));
    picker.setCurrentIndex(storedLanguagePosition(stored, picker.count()) - 1);
}

bool saveLanguage(platform::SettingsStore& settings, const QComboBox& picker)
{
    const int index = picker.currentIndex();
    if (index < 0)
        return true;
    return saveLanguagePosition(settings, index + 1);
}

bool saveLanguagePosition(platform::SettingsStore& settings, int position)
{
    return settings.write(settingApplication(), settingSection(), settingKey(),
                          QString::number(position));
}

} // namespace clipvoice::app
