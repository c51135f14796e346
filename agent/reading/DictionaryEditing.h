#pragma once

#include "agent/reading/PronunciationDictionary.h"

#include <QList>
#include <QString>

namespace clipvoice::agent::reading {

// The rules of editing the dictionary, apart from any window: which entries
// may be added, which ones are the same, and how an imported file joins the
// entries there are.
class DictionaryEditing
{
public:
    // Why `entry` cannot be kept (in Japanese, for the user), or an empty
    // string when it can: the written text must not be empty, no field may be
    // longer than the file allows, and the language is a tag or empty.
    static QString problemWith(const PronunciationEntry& entry);

    // Two entries are the same when their written text matches ignoring case
    // and they are for the same language; the later one would never be used.
    static bool sameKey(const PronunciationEntry& a, const PronunciationEntry& b);

    // The index of an entry in `entries` that is the same as `entry`, other
    // than the one at `except`; -1 when there is none.
    static qsizetype findSame(const QList<PronunciationEntry>& entries,
                              const PronunciationEntry& entry, qsizetype except = -1);

    // One of the problems DictionaryFile reports ("line 7: ..."), said in
    // Japanese for the user; a problem it does not know is returned as it is.
    static QString problemInJapanese(const QString& problem);

    struct Merge
    {
        QList<PronunciationEntry> entries;
        int added = 0;    // imported entries that were new
        int replaced = 0; // imported entries that took the place of one there
        int unchanged = 0;
    };

    // `imported` joined to `existing`: an imported entry replaces the same one
    // in its place, a new one is added at the end; within `imported` the last
    // of several same entries counts.
    static Merge merge(const QList<PronunciationEntry>& existing,
                       const QList<PronunciationEntry>& imported);
};

} // namespace clipvoice::agent::reading
