#pragma once

#include <QString>

class QComboBox;

namespace clipvoice::platform {
class SettingsStore;
}

namespace clipvoice::app {

// Where the chosen speech language is kept between runs.
inline QString settingApplication()
{
    return QStringLiteral("clipvoice");
}
inline QString settingSection()
{
    return QStringLiteral("q7a");
}
inline QString settingKey()
{
    return QStringLiteral("lang");
}

// The picker position a stored text names: leading blanks are skipped and
// the leading number read. A text that names no item of a picker with
// itemCount items (no number, 0, negative, too large, a fraction) gives 1.
int storedLanguagePosition(const QString& stored, int itemCount);

// Reads the setting (default "1") and selects that item of the filled picker.
void restoreLanguage(platform::SettingsStore& settings, QComboBox& picker);

// Writes the selected item's 1-based position. Nothing is written when no item
// is selected. False when the store refused the value.
bool saveLanguage(platform::SettingsStore& settings, const QComboBox& picker);
// Writes a 1-based position as the stored text. False when the store refused it.
bool saveLanguagePosition(platform::SettingsStore& settings, int position);

} // namespace clipvoice::app
