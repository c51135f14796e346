#include "platform/qt/IniSettingsStore.h"

#include "platform/qt/PlatformLog.h"

#include <QDateTime>
#include <QFile>
#include <QSettings>

namespace clipvoice::platform {

namespace {

QString keyPath(const QString& section, const QString& key)
{
    return section + QLatin1Char('/') + key;
}

} // namespace

QString IniSettingsStore::read(const QString& application, const QString& section,
                               const QString& key, const QString& defaultValue)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, application, application);
    const QVariant value = settings.value(keyPath(section, key));
    // A value that is not a single text (a list, say, from a hand-edited file)
    // counts as absent.
    if (!value.isValid() || value.typeId() != QMetaType::QString)
        return defaultValue;
    return value.toString();
}

bool IniSettingsStore::write(const QString& application, const QString& section, const QString& key,
                             const QString& value)
{
    QSettings::Status status = store(application, section, key, value);
    if (status == QSettings::FormatError) {
        // A damaged file refuses every write. It is kept beside the new one,
        // under another name, and a fresh file is begun.
        const QString file =
            QSettings(QSettings::IniFormat, QSettings::UserScope, application, application)
                .fileName();
        const QString kept =
            file + QStringLiteral(".damaged-") +
            QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
        if (!QFile::rename(file, kept)) {
            m_error = QStringLiteral("%1 is damaged and cannot be replaced").arg(file);
            return false;
        }
        qCWarning(lcPlatform).noquote() << "the damaged settings file was kept as" << kept;
        status = store(application, section, key, value);
    }
    switch (status) {
    case QSettings::NoError:
        m_error.clear();
        return true;
    case QSettings::AccessError:
        m_error = QStringLiteral("cannot write the settings of %1").arg(application);
        return false;
    case QSettings::FormatError:
        m_error = QStringLiteral("the settings file of %1 is damaged").arg(application);
        return false;
    }
    return false;
}

QSettings::Status IniSettingsStore::store(const QString& application, const QString& section,
                                          const QString& key, const QString& value)
{
    QSettings settings(QSettings::IniFormat, QSettings::UserScope, application, application);
    settings.setValue(keyPath(section, key), value);
    settings.sync();
    return settings.status();
}

} // namespace clipvoice::platform
