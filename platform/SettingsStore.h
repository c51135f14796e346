#pragma once

#include <QString>

namespace clipvoice::platform {

// The per-user settings store: texts addressed by application, section and key.
class SettingsStore
{
public:
    virtual ~SettingsStore() = default;

    // The stored text, or the default when there is none or the store cannot be read.
    virtual QString read(const QString& application, const QString& section, const QString& key,
                         const QString& defaultValue) = 0;

    // Creates or replaces the value; false (with a reason in error()) when it could not be stored.
    virtual bool write(const QString& application, const QString& section, const QString& key,
                       const QString& value) = 0;

    virtual QString error() const = 0;
};

} // namespace clipvoice::platform
