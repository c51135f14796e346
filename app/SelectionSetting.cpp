#include "app/SelectionSetting.h"

#include "app/LanguageSetting.h"
#include "platform/SettingsStore.h"

namespace clipvoice::app {

namespace {
QString selectionKey()
{
    return QStringLiteral("readSelection");
}
} // namespace

bool readsSelection(platform::SettingsStore& settings)
{
    return settings
               .read(settingApplication(), settingSection(), selectionKey(), QStringLiteral("0"))
               .trimmed() == QLatin1String("1");
}

bool saveReadsSelection(platform::SettingsStore& settings, bool on)
{
    return settings.write(settingApplication(), settingSection(), selectionKey(),
                          on ? QStringLiteral("1") : QStringLiteral("0"));
}

} // namespace clipvoice::app
