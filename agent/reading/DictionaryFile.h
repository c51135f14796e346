#pragma once

#include "agent/reading/PronunciationDictionary.h"

#include <QByteArray>
#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

namespace clipvoice::agent::reading {

// What reading a dictionary gave: the entries that could be read, and what
// was wrong with the rest ("line 7: ...").
struct DictionaryRead
{
    QList<PronunciationEntry> entries;
    QStringList problems;
    // When the user's own file was damaged: where the file as it was is kept.
    QString keptAside;

    bool isDamaged() const { return !problems.isEmpty(); }
};

// The pronunciation dictionary as a file: UTF-8 text, one entry per line,
// "written<TAB>spoken<TAB>language", under a header line naming the columns.
// A tab, a line break or a backslash inside a field is written as \t, \n, \r
// or \\. The language may be left out (every language). Import and export
// use the same form, so a file can be edited in any spreadsheet or editor.
class DictionaryFile
{
public:
    static constexpr qint64 MaxFileBytes = qint64(32) << 20;
    static constexpr qsizetype MaxEntries = 200000;
    static constexpr qsizetype MaxFieldLength = 2000;

    static QByteArray format(const QList<PronunciationEntry>& entries);
    static DictionaryRead parse(const QByteArray& bytes);

    // Reads a file chosen by the user for import; nothing on disk changes.
    static DictionaryRead import(const QString& path);

    // Reads the user's dictionary. A missing file is an empty dictionary.
    // A damaged one is never emptied silently: the file as it was is kept
    // beside it as "<name>.damaged-<now>", the problems are reported, the
    // entries that could be read are kept, and the file is written again
    // with them. A file too large to read is moved aside whole.
    static DictionaryRead load(const QString& path, const QDateTime& now);

    // Writes the dictionary in one step: the file is replaced only once the
    // new one is complete. False, with `error` set, when it cannot be.
    static bool save(const QString& path, const QList<PronunciationEntry>& entries, QString* error);
};

} // namespace clipvoice::agent::reading
