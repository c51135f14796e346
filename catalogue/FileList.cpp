#include "catalogue/FileList.h"

#include <QDir>
#include <QFileInfo>
#include <QListWidget>

#include <algorithm>

namespace clipvoice::catalogue {

FileListing listFiles(const QString& folder, const QString& pattern)
{
    FileListing listing;
    const QFileInfo info(folder);
    if (!info.exists()) {
        listing.error =
            QStringLiteral("character folder not found: %1").arg(info.absoluteFilePath());
        return listing;
    }
    if (!info.isDir()) {
        listing.error = QStringLiteral("not a folder: %1").arg(info.absoluteFilePath());
        return listing;
    }
    if (!info.isReadable() || !info.isExecutable()) {
        listing.error =
            QStringLiteral("character folder cannot be read: %1").arg(info.absoluteFilePath());
        return listing;
    }
    QDir dir(folder);
    dir.setNameFilters({pattern});
    dir.setFilter(QDir::Files); // no folders, no hidden files
    listing.names = dir.entryList();
    // Ascending ignoring case; names that differ only in case keep a fixed order.
    std::sort(listing.names.begin(), listing.names.end(), [](const QString& a, const QString& b) {
        const int folded = a.compare(b, Qt::CaseInsensitive);
        return folded != 0 ? folded < 0 : a < b;
    });
    return listing;
}

void showInFileList(QListWidget& fileList, const QStringList& names)
{
    fileList.clear();
    fileList.addItems(names);
}

} // namespace clipvoice::catalogue
