#pragma once

#include "agent/reading/DictionaryFile.h"
#include "agent/reading/PronunciationDictionary.h"

#include <QFutureWatcher>
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>

#include <memory>

namespace clipvoice::agent::ui {

// The user's pronunciation dictionary as the service holds it: read from its
// file at start-up, shared with every voice, and written back when the user
// changes it in the property sheet.
class UserDictionary : public QObject
{
    Q_OBJECT

public:
    using Entries = QList<reading::PronunciationEntry>;

    explicit UserDictionary(const QString& path = defaultPath(), QObject* parent = nullptr);
    ~UserDictionary() override;

    // $XDG_DATA_HOME/clipvoice/dictionary.tsv
    static QString defaultPath();

    QString path() const { return m_path; }

    // The entries now. Each change makes a new list, so a holder of the old
    // one (a line being synthesised) is never disturbed. Empty until loaded.
    std::shared_ptr<const Entries> entries() const { return m_entries; }

    // Reads the file on a worker thread, as a large one takes a while;
    // loaded() follows on this object's thread.
    void load();
    // Reads the file at once, on this thread.
    void loadNow();
    bool isLoaded() const { return m_loaded; }

    // What was wrong with the file when it was read, and where the file as
    // it was is kept; empty when it was sound.
    QStringList problems() const { return m_problems; }
    QString keptAside() const { return m_keptAside; }
    // For the user, in Japanese: what was wrong and where the old file is;
    // empty when nothing was.
    QString damageMessage() const;

    // Writes `entries` to the file in one step and makes them the entries.
    // False, with `error` set and nothing changed, when the file cannot be
    // written.
    bool save(const Entries& entries, QString* error);

signals:
    // The file has been read (see problems()).
    void loaded();
    // The entries changed.
    void changed();

private:
    void take(const reading::DictionaryRead& read);

    QString m_path;
    std::shared_ptr<const Entries> m_entries;
    QStringList m_problems;
    QString m_keptAside;
    bool m_loaded = false;
    bool m_savedWhileLoading = false;
    QFutureWatcher<reading::DictionaryRead> m_loading;
};

} // namespace clipvoice::agent::ui
