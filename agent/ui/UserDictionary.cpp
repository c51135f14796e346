#include "agent/ui/UserDictionary.h"

#include "agent/reading/DictionaryEditing.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <QPromise>
#include <QStandardPaths>
#include <QThreadPool>

namespace clipvoice::agent::ui {

namespace {

// The problems listed in the message; the rest are counted.
constexpr qsizetype ShownProblems = 8;

} // namespace

UserDictionary::UserDictionary(const QString& path, QObject* parent)
    : QObject(parent)
    , m_path(path)
    , m_entries(std::make_shared<const Entries>())
{
    connect(&m_loading, &QFutureWatcher<reading::DictionaryRead>::finished, this, [this] {
        if (m_loading.future().resultCount() > 0)
            take(m_loading.result());
    });
}

UserDictionary::~UserDictionary()
{
    // The worker only touches the file and its own result; waiting keeps the
    // file from being written while the service goes away.
    m_loading.waitForFinished();
}

QString UserDictionary::defaultPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/clipvoice/dictionary.tsv");
}

void UserDictionary::load()
{
    if (m_loading.isRunning())
        return;
    auto promise = std::make_shared<QPromise<reading::DictionaryRead>>();
    m_loading.setFuture(promise->future());
    promise->start();
    QThreadPool::globalInstance()->start([promise, path = m_path] {
        promise->addResult(reading::DictionaryFile::load(path, QDateTime::currentDateTime()));
        promise->finish();
    });
}

void UserDictionary::loadNow()
{
    take(reading::DictionaryFile::load(m_path, QDateTime::currentDateTime()));
}

void UserDictionary::take(const reading::DictionaryRead& read)
{
    m_problems = read.problems;
    m_keptAside = read.keptAside;
    m_loaded = true;
    // What the user saved meanwhile is newer than what was read.
    const bool takeEntries = !m_savedWhileLoading;
    m_savedWhileLoading = false;
    if (takeEntries && read.entries != *m_entries) {
        m_entries = std::make_shared<const Entries>(read.entries);
        emit changed();
    }
    emit loaded();
}

QString UserDictionary::damageMessage() const
{
    if (m_problems.isEmpty())
        return {};
    QString message =
        QStringLiteral("辞書ファイル %1 に読めないところがありました。読めた %2 件は使います。")
            .arg(QDir::toNativeSeparators(m_path))
            .arg(m_entries->size());
    if (m_keptAside.isEmpty())
        message += QStringLiteral("元のファイルは別の名前で残せませんでした。");
    else
        message += QStringLiteral("元のファイルは %1 に残してあります。")
                       .arg(QDir::toNativeSeparators(m_keptAside));
    message += QStringLiteral("\n問題:");
    for (qsizetype i = 0; i < m_problems.size() && i < ShownProblems; ++i)
        message +=
            QStringLiteral("\n・") + reading::DictionaryEditing::problemInJapanese(m_problems[i]);
    if (m_problems.size() > ShownProblems)
        message += QStringLiteral("\n・ほか %1 件").arg(m_problems.size() - ShownProblems);
    return message;
}

bool UserDictionary::save(const Entries& entries, QString* error)
{
    if (!QDir().mkpath(QFileInfo(m_path).absolutePath())) {
        if (error != nullptr)
            *error = QStringLiteral("フォルダ %1 を作れません")
                         .arg(QDir::toNativeSeparators(QFileInfo(m_path).absolutePath()));
        return false;
    }
    if (!reading::DictionaryFile::save(m_path, entries, error))
        return false;
    if (m_loading.isRunning())
        m_savedWhileLoading = true;
    if (entries != *m_entries) {
        m_entries = std::make_shared<const Entries>(entries);
        emit changed();
    }
    return true;
}

} // namespace clipvoice::agent::ui
