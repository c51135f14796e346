#pragma once

#include "agent/reading/PronunciationDictionary.h"
#include "agent/reading/ReadingRules.h"

#include <QList>
#include <QString>
#include <QWidget>

#include <functional>

class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;

namespace clipvoice::agent::ui {

class DictionaryModel;
class UserDictionary;

// A language an entry of the dictionary may be for.
struct DictionaryLanguage
{
    QString tag;  // "ja", "en-us"
    QString name; // as the user reads it
};

// The property sheet's "読み方" page: the reading rules, and the
// pronunciation dictionary as a table with a form to add, change and delete
// entries, and to import and export them as TSV files. Edits stay on the page
// until the sheet applies them.
class ReadingPage : public QWidget
{
    Q_OBJECT

public:
    // Asks the user for a file to read (forSaving false) or to write; an
    // empty string when the user cancels.
    using FileChooser = std::function<QString(bool forSaving, QWidget* parent)>;

    explicit ReadingPage(QWidget* parent = nullptr);
    ~ReadingPage() override;

    // The dictionary edited here; without one the table is disabled.
    void setDictionary(UserDictionary* dictionary);
    // The languages offered besides "every language".
    void setLanguages(const QList<DictionaryLanguage>& languages);
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    reading::ReadingRules rules() const;
    void showRules(const reading::ReadingRules& rules);

    // The entries as the table shows them, saved or not.
    QList<reading::PronunciationEntry> entries() const;
    bool entriesChanged() const;
    // Shows the dictionary's entries again, dropping the edits.
    void revertEntries();
    // Writes the table's entries to the dictionary when they changed; false,
    // with the error shown and the edits kept, when they cannot be written.
    bool saveEntries();

signals:
    // The rules or the entries were changed on the page.
    void changed();

private:
    void addEntry();
    void changeEntry();
    void deleteEntries();
    void importFile();
    void exportFile();
    void rowChosen();
    void dictionaryLoaded();
    void refresh();
    int selectedRow() const;
    reading::PronunciationEntry formEntry() const;
    // The form's entry, or why it cannot be stored at `row` (-1 for a new one).
    bool checkFormEntry(qsizetype row, reading::PronunciationEntry* entry);
    void selectLanguage(const QString& tag);
    void tell(const QString& message, bool problem);

    UserDictionary* m_dictionary = nullptr;
    FileChooser m_chooseFile;
    QList<DictionaryLanguage> m_languages;
    DictionaryModel* m_model = nullptr;
    QCheckBox* m_addresses = nullptr;
    QCheckBox* m_repeats = nullptr;
    QTableView* m_table = nullptr;
    QLineEdit* m_written = nullptr;
    QLineEdit* m_spoken = nullptr;
    QComboBox* m_language = nullptr;
    QPushButton* m_add = nullptr;
    QPushButton* m_change = nullptr;
    QPushButton* m_delete = nullptr;
    QPushButton* m_import = nullptr;
    QPushButton* m_export = nullptr;
    QLabel* m_message = nullptr; // what the last action did, or why it could not
    QLabel* m_damage = nullptr;  // what was wrong with the file at start-up
};

} // namespace clipvoice::agent::ui
