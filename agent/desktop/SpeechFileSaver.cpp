#include "agent/desktop/SpeechFileSaver.h"

#include "agent/ui/SaveProgressDialog.h"

#include <QDir>

namespace clipvoice::agent::desktop {

using voice::SpeechFileJob;
using voice::SpeechFileWriter;

SpeechFileSaver::SpeechFileSaver(std::shared_ptr<const voice::VoiceCatalog> catalog,
                                 RequestFor requestFor, Trace trace)
    : m_catalog(std::move(catalog))
    , m_requestFor(std::move(requestFor))
    , m_trace(std::move(trace))
{}

SpeechFileSaver::~SpeechFileSaver()
{
    for (Running& running : m_running)
        release(running);
}

quint64 SpeechFileSaver::save(const QString& text, qint32 languageId, const QString& path,
                              Finished finished)
{
    const quint64 number = ++m_lastSave;
    QList<voice::LineRequest> lines;
    for (const QString& line : SpeechFileWriter::lines(text))
        lines.append(m_requestFor(line, languageId));

    Running running;
    running.job = new SpeechFileJob(m_catalog, std::move(lines), path);
    running.dialog = new ui::SaveProgressDialog(path);
    running.finished = std::move(finished);
    QObject::connect(running.job, &SpeechFileJob::progress, &m_connections,
                     [this, number](qint64 done, qint64 total) {
                         const auto found = m_running.constFind(number);
                         if (found != m_running.cend() && found->dialog)
                             found->dialog->setProgress(done, total);
                     });
    QObject::connect(
        running.job, &SpeechFileJob::finished, &m_connections,
        [this, number](const SpeechFileWriter::Result& result) { ended(number, result); });
    // The user's cancel ends the save as cancelled through the job.
    QObject::connect(running.dialog, &QProgressDialog::canceled, running.job,
                     &SpeechFileJob::cancel);
    running.job->start();
    m_running.insert(number, running);
    return number;
}

void SpeechFileSaver::cancel(quint64 save)
{
    auto found = m_running.find(save);
    if (found == m_running.end())
        return;
    Running running = *found;
    m_running.erase(found);
    release(running);
    if (m_trace)
        m_trace(QStringLiteral("speech file cancelled"));
}

ui::SaveProgressDialog* SpeechFileSaver::dialog(quint64 save) const
{
    const auto found = m_running.constFind(save);
    return found == m_running.cend() ? nullptr : found->dialog.data();
}

void SpeechFileSaver::release(Running& running)
{
    // Deleting the job cancels it and waits for its thread, which then ends
    // within moments; its temporary file is gone.
    delete running.job;
    running.job = nullptr;
    delete running.dialog.data();
}

void SpeechFileSaver::ended(quint64 save, const SpeechFileWriter::Result& result)
{
    auto found = m_running.find(save);
    if (found == m_running.end())
        return;
    Running running = *found;
    m_running.erase(found);
    const QString path = running.job->path();
    release(running);

    Outcome outcome = Outcome::Saved;
    switch (result.outcome) {
    case SpeechFileWriter::Outcome::Saved:
        if (m_trace)
            m_trace(QStringLiteral("speech file saved: %1 samples, %2 lines left out")
                        .arg(result.frames)
                        .arg(result.failedLines));
        break;
    case SpeechFileWriter::Outcome::Cancelled:
        outcome = Outcome::Cancelled;
        if (m_trace)
            m_trace(QStringLiteral("speech file cancelled"));
        break;
    case SpeechFileWriter::Outcome::Failed:
        outcome = Outcome::Failed;
        if (m_trace)
            m_trace(QStringLiteral("speech file failed: %1").arg(result.detail));
        ui::SaveProgressDialog::showFailure(failureText(result, path));
        break;
    }
    if (running.finished)
        running.finished(outcome);
}

QString SpeechFileSaver::failureText(const SpeechFileWriter::Result& result, const QString& path)
{
    QString reason;
    switch (result.failure) {
    case SpeechFileWriter::Failure::NothingToSay:
        reason = QStringLiteral("読み上げる文字がありません。");
        break;
    case SpeechFileWriter::Failure::UnknownType:
        reason = QStringLiteral("保存できるのは WAV (.wav) と Ogg Vorbis (.ogg) のファイルです。");
        break;
    case SpeechFileWriter::Failure::CannotCreate:
        reason = QStringLiteral("フォルダが見つからないか、書き込みが許可されていません。");
        break;
    case SpeechFileWriter::Failure::CannotWrite:
        reason = QStringLiteral(
            "書き込みの途中で失敗しました。ディスクの空きが足りないかもしれません。");
        break;
    case SpeechFileWriter::Failure::CannotReplace:
        reason = QStringLiteral("同じ名前のファイルを置き換えられませんでした。");
        break;
    case SpeechFileWriter::Failure::TooLong:
        reason =
            QStringLiteral("WAV ファイルに入りきらない長さです。Ogg Vorbis で保存してください。");
        break;
    case SpeechFileWriter::Failure::SynthesisFailed:
        reason = QStringLiteral("この言語の音声で読み上げられませんでした。");
        break;
    case SpeechFileWriter::Failure::None:
        break;
    }
    QString text = QStringLiteral("読み上げ音声を保存できませんでした。\n\n%1")
                       .arg(QDir::toNativeSeparators(path));
    if (!reason.isEmpty())
        text += QStringLiteral("\n\n") + reason;
    if (!result.detail.isEmpty())
        text += QStringLiteral("\n(%1)").arg(result.detail);
    // A failed save never touches a file that was there.
    text += QStringLiteral("\n\n同じ名前のファイルがあった場合、変更されていません。");
    return text;
}

} // namespace clipvoice::agent::desktop
