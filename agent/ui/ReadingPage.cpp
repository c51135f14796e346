#include "agent/ui/ReadingPage.h"

#include "agent/reading/DictionaryEditing.h"
#include "agent/reading/DictionaryFile.h"
#include "agent/ui/UserDictionary.h"

#include <QAbstractTableModel>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QItemSelectionModel>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <algorithm>

namespace clipvoice::agent::ui {

using reading::DictionaryEditing;
using reading::PronunciationEntry;

namespace {

QString askForFile(bool forSaving, QWidget* parent)
{
    const QString filter = QStringLiteral("TSV ファイル (*.tsv *.txt);;すべてのファイル (*)");
    return forSaving ? QFileDialog::getSaveFileName(parent, QStringLiteral("辞書の書き出し"),
                                                    QStringLiteral("dictionary.tsv"), filter)
                     : QFileDialog::getOpenFileName(parent, QStringLiteral("辞書の読み込み"),
                                                    QString(), filter);
}

const QString EveryLanguage = QStringLiteral("すべての言語");

// A field as one line of the table: breaks and tabs shown as the file writes them.
QString oneLine(QString text)
{
    return text.replace(QLatin1Char('\n'), QStringLiteral("\\n"))
        .replace(QLatin1Char('\r'), QStringLiteral("\\r"))
        .replace(QLatin1Char('\t'), QStringLiteral("\\t"));
}

} // namespace

// The entries being edited, as the table shows them.
class DictionaryModel final : public QAbstractTableModel
{
public:
    explicit DictionaryModel(QObject* parent)
        : QAbstractTableModel(parent)
    {}

    int rowCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : static_cast<int>(entries.size());
    }
    int columnCount(const QModelIndex& parent = {}) const override
    {
        return parent.isValid() ? 0 : 3;
    }

    QVariant data(const QModelIndex& index, int role) const override
    {
        if (!index.isValid() || index.row() >= entries.size())
            return {};
        const PronunciationEntry& entry = entries[index.row()];
        if (role == Qt::ToolTipRole && index.column() < 2)
            return index.column() == 0 ? entry.written : entry.spoken;
        if (role != Qt::DisplayRole)
            return {};
        switch (index.column()) {
        case 0:
            return oneLine(entry.written);
        case 1:
            return oneLine(entry.spoken);
        default:
            return languageName(entry.language);
        }
    }

    QVariant headerData(int section, Qt::Orientation orientation, int role) const override
    {
        if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
            return QAbstractTableModel::headerData(section, orientation, role);
        switch (section) {
        case 0:
            return QStringLiteral("表記");
        case 1:
            return QStringLiteral("読み");
        default:
            return QStringLiteral("言語");
        }
    }

    QString languageName(const QString& tag) const
    {
        if (tag.isEmpty())
            return EveryLanguage;
        for (const DictionaryLanguage& language : m_languages) {
            if (language.tag.compare(tag, Qt::CaseInsensitive) == 0)
                return language.name;
        }
        return tag;
    }

    void setEntries(QList<PronunciationEntry> list)
    {
        beginResetModel();
        entries = std::move(list);
        endResetModel();
    }
    void append(const PronunciationEntry& entry)
    {
        const int row = static_cast<int>(entries.size());
        beginInsertRows({}, row, row);
        entries.append(entry);
        endInsertRows();
    }
    void replace(int row, const PronunciationEntry& entry)
    {
        entries[row] = entry;
        emit dataChanged(index(row, 0), index(row, 2));
    }
    void remove(int row)
    {
        beginRemoveRows({}, row, row);
        entries.removeAt(row);
        endRemoveRows();
    }
    void setLanguages(const QList<DictionaryLanguage>& languages)
    {
        m_languages = languages;
        if (!entries.isEmpty())
            emit dataChanged(index(0, 2), index(rowCount() - 1, 2));
    }

    QList<PronunciationEntry> entries;

private:
    QList<DictionaryLanguage> m_languages;
};

ReadingPage::ReadingPage(QWidget* parent)
    : QWidget(parent)
    , m_chooseFile(askForFile)
{
    auto* rulesBox = new QGroupBox(QStringLiteral("読み上げのルール"), this);
    m_addresses =
        new QCheckBox(QStringLiteral("URL とメールアドレスはホスト名だけ読む(&U)"), rulesBox);
    m_addresses->setObjectName(QStringLiteral("addressesCheck"));
    m_repeats = new QCheckBox(QStringLiteral("同じ文字の繰り返しは 3 回まで読む(&R)"), rulesBox);
    m_repeats->setObjectName(QStringLiteral("repeatsCheck"));
    auto* rulesLayout = new QVBoxLayout(rulesBox);
    rulesLayout->addWidget(m_addresses);
    rulesLayout->addWidget(m_repeats);
    rulesLayout->addWidget(
        new QLabel(QStringLiteral("吹き出しには書かれたとおりに表示します。"), rulesBox));

    auto* dictionaryBox = new QGroupBox(QStringLiteral("読み方の辞書"), this);
    m_model = new DictionaryModel(this);
    m_table = new QTableView(dictionaryBox);
    m_table->setObjectName(QStringLiteral("dictionaryTable"));
    m_table->setModel(m_model);
    m_table->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_table->setSelectionMode(QAbstractItemView::ExtendedSelection);
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setStretchLastSection(true);
    m_table->verticalHeader()->setDefaultSectionSize(m_table->fontMetrics().height() + 6);

    m_written = new QLineEdit(dictionaryBox);
    m_written->setObjectName(QStringLiteral("writtenEdit"));
    m_spoken = new QLineEdit(dictionaryBox);
    m_spoken->setObjectName(QStringLiteral("spokenEdit"));
    m_language = new QComboBox(dictionaryBox);
    m_language->setObjectName(QStringLiteral("languageCombo"));
    m_add = new QPushButton(QStringLiteral("追加(&D)"), dictionaryBox);
    m_add->setObjectName(QStringLiteral("addButton"));
    m_change = new QPushButton(QStringLiteral("変更(&C)"), dictionaryBox);
    m_change->setObjectName(QStringLiteral("changeButton"));
    m_delete = new QPushButton(QStringLiteral("削除(&L)"), dictionaryBox);
    m_delete->setObjectName(QStringLiteral("deleteButton"));
    m_import = new QPushButton(QStringLiteral("読み込み(&I)..."), dictionaryBox);
    m_import->setObjectName(QStringLiteral("importButton"));
    m_import->setToolTip(QStringLiteral("TSV ファイルの項目を加えます。同じ表記と言語の項目は"
                                        "ファイルのもので置き換えます。"));
    m_export = new QPushButton(QStringLiteral("書き出し(&X)..."), dictionaryBox);
    m_export->setObjectName(QStringLiteral("exportButton"));
    m_message = new QLabel(dictionaryBox);
    m_message->setObjectName(QStringLiteral("dictionaryMessage"));
    m_message->setWordWrap(true);
    m_message->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_damage = new QLabel(dictionaryBox);
    m_damage->setObjectName(QStringLiteral("dictionaryDamage"));
    m_damage->setWordWrap(true);
    m_damage->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_damage->setStyleSheet(QStringLiteral("color: #a00000;"));
    m_damage->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Minimum);
    m_damage->hide();

    auto* form = new QGridLayout;
    form->addWidget(new QLabel(QStringLiteral("表記:"), dictionaryBox), 0, 0);
    form->addWidget(m_written, 0, 1);
    form->addWidget(new QLabel(QStringLiteral("読み:"), dictionaryBox), 1, 0);
    form->addWidget(m_spoken, 1, 1);
    form->addWidget(new QLabel(QStringLiteral("言語:"), dictionaryBox), 2, 0);
    form->addWidget(m_language, 2, 1);
    auto* editButtons = new QHBoxLayout;
    editButtons->addWidget(m_add);
    editButtons->addWidget(m_change);
    editButtons->addWidget(m_delete);
    editButtons->addStretch();
    editButtons->addWidget(m_import);
    editButtons->addWidget(m_export);
    auto* dictionaryLayout = new QVBoxLayout(dictionaryBox);
    dictionaryLayout->addWidget(m_damage);
    dictionaryLayout->addWidget(m_table, 1);
    dictionaryLayout->addLayout(form);
    dictionaryLayout->addLayout(editButtons);
    dictionaryLayout->addWidget(m_message);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(rulesBox);
    layout->addWidget(dictionaryBox, 1);

    setLanguages({});
    for (QCheckBox* box : {m_addresses, m_repeats})
        connect(box, &QCheckBox::toggled, this, &ReadingPage::changed);
    connect(m_add, &QPushButton::clicked, this, &ReadingPage::addEntry);
    connect(m_change, &QPushButton::clicked, this, &ReadingPage::changeEntry);
    connect(m_delete, &QPushButton::clicked, this, &ReadingPage::deleteEntries);
    connect(m_import, &QPushButton::clicked, this, &ReadingPage::importFile);
    connect(m_export, &QPushButton::clicked, this, &ReadingPage::exportFile);
    connect(m_written, &QLineEdit::returnPressed, this, &ReadingPage::addEntry);
    connect(m_spoken, &QLineEdit::returnPressed, this, &ReadingPage::addEntry);
    connect(m_table->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &ReadingPage::rowChosen);
    refresh();
}

ReadingPage::~ReadingPage() = default;

void ReadingPage::setDictionary(UserDictionary* dictionary)
{
    if (m_dictionary)
        disconnect(m_dictionary, nullptr, this, nullptr);
    m_dictionary = dictionary;
    if (m_dictionary)
        connect(m_dictionary, &UserDictionary::loaded, this, &ReadingPage::dictionaryLoaded);
    revertEntries();
    dictionaryLoaded();
}

void ReadingPage::setLanguages(const QList<DictionaryLanguage>& languages)
{
    const QString current = m_language->currentData().toString();
    m_languages = languages;
    m_language->clear();
    m_language->addItem(EveryLanguage, QString());
    for (const DictionaryLanguage& language : m_languages)
        m_language->addItem(language.name, language.tag);
    selectLanguage(current);
    m_model->setLanguages(m_languages);
}

void ReadingPage::selectLanguage(const QString& tag)
{
    int at = m_language->findData(tag.toLower());
    if (at < 0) {
        // A language the program does not offer, from an imported file.
        m_language->addItem(tag, tag);
        at = m_language->count() - 1;
    }
    m_language->setCurrentIndex(at);
}

reading::ReadingRules ReadingPage::rules() const
{
    reading::ReadingRules rules;
    rules.addressesAsHostName = m_addresses->isChecked();
    rules.shortenRepeats = m_repeats->isChecked();
    return rules;
}

void ReadingPage::showRules(const reading::ReadingRules& rules)
{
    m_addresses->setChecked(rules.addressesAsHostName);
    m_repeats->setChecked(rules.shortenRepeats);
}

QList<PronunciationEntry> ReadingPage::entries() const
{
    return m_model->entries;
}

bool ReadingPage::entriesChanged() const
{
    return m_dictionary && m_model->entries != *m_dictionary->entries();
}

void ReadingPage::revertEntries()
{
    m_model->setEntries(m_dictionary ? *m_dictionary->entries() : QList<PronunciationEntry>());
    m_message->clear();
    refresh();
}

bool ReadingPage::saveEntries()
{
    if (!entriesChanged())
        return true;
    QString error;
    if (!m_dictionary->save(m_model->entries, &error)) {
        tell(QStringLiteral("辞書を保存できませんでした (%1): %2。編集した内容はこのまま残して"
                            "あります。")
                 .arg(QDir::toNativeSeparators(m_dictionary->path()), error),
             true);
        return false;
    }
    tell(QStringLiteral("辞書を保存しました (%1 件)。").arg(m_model->entries.size()), false);
    return true;
}

int ReadingPage::selectedRow() const
{
    const QModelIndexList rows = m_table->selectionModel()->selectedRows();
    return rows.size() == 1 ? rows.front().row() : -1;
}

PronunciationEntry ReadingPage::formEntry() const
{
    return PronunciationEntry{m_written->text(), m_spoken->text(),
                              m_language->currentData().toString()};
}

bool ReadingPage::checkFormEntry(qsizetype row, PronunciationEntry* entry)
{
    *entry = formEntry();
    const QString problem = DictionaryEditing::problemWith(*entry);
    if (!problem.isEmpty()) {
        tell(problem, true);
        return false;
    }
    const qsizetype same = DictionaryEditing::findSame(m_model->entries, *entry, row);
    if (same >= 0) {
        tell(QStringLiteral(
                 "「%1」(%2) はすでに %3 行目にあります。その行を選んで変更してください。")
                 .arg(entry->written, m_model->languageName(entry->language))
                 .arg(same + 1),
             true);
        m_table->selectRow(static_cast<int>(same));
        return false;
    }
    return true;
}

void ReadingPage::addEntry()
{
    if (!m_dictionary)
        return;
    PronunciationEntry entry;
    if (!checkFormEntry(-1, &entry))
        return;
    m_model->append(entry);
    m_table->selectRow(m_model->rowCount() - 1);
    m_table->scrollToBottom();
    tell(QStringLiteral("「%1」を追加しました。").arg(entry.written), false);
    m_written->clear();
    m_spoken->clear();
    m_written->setFocus();
    emit changed();
}

void ReadingPage::changeEntry()
{
    const int row = selectedRow();
    if (!m_dictionary || row < 0)
        return;
    PronunciationEntry entry;
    if (!checkFormEntry(row, &entry))
        return;
    m_model->replace(row, entry);
    tell(QStringLiteral("%1 行目を変更しました。").arg(row + 1), false);
    emit changed();
}

void ReadingPage::deleteEntries()
{
    QList<int> rows;
    for (const QModelIndex& index : m_table->selectionModel()->selectedRows())
        rows.append(index.row());
    if (!m_dictionary || rows.isEmpty())
        return;
    std::sort(rows.begin(), rows.end(), std::greater<>());
    for (const int row : std::as_const(rows))
        m_model->remove(row);
    tell(QStringLiteral("%1 件を削除しました。").arg(rows.size()), false);
    emit changed();
}

void ReadingPage::importFile()
{
    if (!m_dictionary)
        return;
    const QString path = m_chooseFile(false, this);
    if (path.isEmpty())
        return;
    const reading::DictionaryRead read = reading::DictionaryFile::import(path);
    QString problems;
    for (qsizetype i = 0; i < read.problems.size() && i < 5; ++i)
        problems += QStringLiteral("\n・") + DictionaryEditing::problemInJapanese(read.problems[i]);
    if (read.problems.size() > 5)
        problems += QStringLiteral("\n・ほか %1 件").arg(read.problems.size() - 5);
    if (read.entries.isEmpty()) {
        tell(QStringLiteral("%1 から読み込める項目はありませんでした。")
                     .arg(QDir::toNativeSeparators(path)) +
                 problems,
             !problems.isEmpty());
        return;
    }
    const DictionaryEditing::Merge merge = DictionaryEditing::merge(m_model->entries, read.entries);
    m_model->setEntries(merge.entries);
    QString message = QStringLiteral("%1 から %2 件を追加し、%3 件を置き換えました。")
                          .arg(QDir::toNativeSeparators(path))
                          .arg(merge.added)
                          .arg(merge.replaced);
    if (!problems.isEmpty())
        message += QStringLiteral("\n読み込めなかった行があります:") + problems;
    tell(message, !problems.isEmpty());
    refresh();
    emit changed();
}

void ReadingPage::exportFile()
{
    const QString path = m_chooseFile(true, this);
    if (path.isEmpty())
        return;
    QString error;
    if (!reading::DictionaryFile::save(path, m_model->entries, &error)) {
        tell(QStringLiteral("%1 に書き出せませんでした: %2")
                 .arg(QDir::toNativeSeparators(path), error),
             true);
        return;
    }
    tell(QStringLiteral("%1 件を %2 に書き出しました。")
             .arg(m_model->entries.size())
             .arg(QDir::toNativeSeparators(path)),
         false);
}

void ReadingPage::rowChosen()
{
    const int row = selectedRow();
    if (row >= 0) {
        const PronunciationEntry& entry = m_model->entries[row];
        m_written->setText(entry.written);
        m_spoken->setText(entry.spoken);
        selectLanguage(entry.language);
    }
    refresh();
}

void ReadingPage::dictionaryLoaded()
{
    const QString damage = m_dictionary ? m_dictionary->damageMessage() : QString();
    m_damage->setText(damage);
    m_damage->setVisible(!damage.isEmpty());
    // Entries read after the page was filled replace the table, unless the
    // user has begun editing it.
    if (m_dictionary && m_model->entries.isEmpty())
        revertEntries();
}

void ReadingPage::refresh()
{
    const bool enabled = m_dictionary != nullptr;
    const bool anySelected = m_table->selectionModel()->hasSelection();
    for (QWidget* widget : {static_cast<QWidget*>(m_table), static_cast<QWidget*>(m_written),
                            static_cast<QWidget*>(m_spoken), static_cast<QWidget*>(m_language),
                            static_cast<QWidget*>(m_add), static_cast<QWidget*>(m_import),
                            static_cast<QWidget*>(m_export)})
        widget->setEnabled(enabled);
    m_change->setEnabled(enabled && selectedRow() >= 0);
    m_delete->setEnabled(enabled && anySelected);
}

void ReadingPage::tell(const QString& message, bool problem)
{
    m_message->setText(message);
    m_message->setStyleSheet(problem ? QStringLiteral("color: #a00000;") : QString());
}

} // namespace clipvoice::agent::ui
