#pragma once

#include "platform/SettingsStore.h"

#include <QSettings>

namespace clipvoice::platform {

// Settings kept in a per-user INI file: application "app" is stored in
// $XDG_CONFIG_HOME/app/app.ini, one INI section per section.
class IniSettingsStore final : public SettingsStore
{
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) override;
    bool write(const QString& application, const QString& section, const QString& key,
               const QString& value) override;
    QString error() const override { return m_error; }

private:
    static QSettings::Status store(const QString& application, const QString& section,
                                   const QString& key, const QString& value);

    QString m_error;
};

} // namespace clipvoice::platform
