#pragma once

#include <QDir>
#include <QWidget>

namespace uitest {

// Saves a rendering of `widget` when CLIPVOICE_UI_SNAPSHOT_DIR names a folder,
// so the windows can be looked at.
inline void snapshot(QWidget* widget, const QString& name)
{
    const QString dir = qEnvironmentVariable("CLIPVOICE_UI_SNAPSHOT_DIR");
    if (dir.isEmpty())
        return;
    QDir().mkpath(dir);
    widget->grab().save(dir + QLatin1Char('/') + name + QStringLiteral(".png"));
}

} // namespace uitest
