#pragma once

#include <QString>
#include <QStringList>

#include <optional>

class QListWidget;

namespace clipvoice::catalogue {

// The names of the files in one folder that match a pattern, as a file list
// box shows them: letter case ignored in matching, sorted ascending ignoring
// case, no sub-folders, no hidden files, no directory part.
struct FileListing
{
    QStringList names;
    std::optional<QString> error; // set when the folder cannot be listed
};

FileListing listFiles(const QString& folder, const QString& pattern);

// Fills the hidden file list box of the window with a listing's names.
void showInFileList(QListWidget& fileList, const QStringList& names);

} // namespace clipvoice::catalogue
