#pragma once

#include "platform/SettingsStore.h"

#include <QMap>

namespace clipvoice::platform::testing {

// Settings kept in memory; counts writes and can be told to refuse them.
class MemorySettingsStore final : public SettingsStore
{
public:
    QString read(const QString& application, const QString& section, const QString& key,
                 const QString& defaultValue) override
    {
        ++reads;
        return values.value(path(application, section, key), defaultValue);
    }

    bool write(const QString& application, const QString& section, const QString& key,
               const QString& value) override
    {
        ++writes;
        if (refuseWrites)
            return false;
        values.insert(path(application, section, key), value);
        return true;
    }

    QString error() const override { return refuseWrites ? QStringLiteral("refused") : QString(); }

    static QString path(const QString& application, const QString& section, const QString& key)
    {
        return application + QLatin1Char('/') + section + QLatin1Char('/') + key;
    }

    QMap<QString, QString> values;
    bool refuseWrites = false;
    int reads = 0;
    int writes = 0;
};

} // namespace clipvoice::platform::testing
