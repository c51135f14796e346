#include "platform/qt/MessageBoxDialogs.h"

#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QStandardPaths>

namespace clipvoice::platform {

void MessageBoxDialogs::information(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Information, title, text, QMessageBox::Ok);
    box.exec();
}

void MessageBoxDialogs::error(const QString& title, const QString& text)
{
    QMessageBox box(QMessageBox::Critical, title, text, QMessageBox::Ok);
    box.exec();
}

QStringList MessageBoxDialogs::audioFilters()
{
    return {QStringLiteral("WAV 音声 (*.wav)"), QStringLiteral("Ogg Vorbis 音声 (*.ogg)")};
}

SaveTarget MessageBoxDialogs::saveTargetFor(const QString& chosen, const QString& filter)
{
    const QString suffix = QFileInfo(chosen).suffix().toLower();
    if (suffix == QLatin1String("wav"))
        return {chosen, SaveTarget::Type::Wav};
    if (suffix == QLatin1String("ogg") || suffix == QLatin1String("oga"))
        return {chosen, SaveTarget::Type::OggVorbis};
    if (filter == audioFilters().at(1))
        return {chosen + QStringLiteral(".ogg"), SaveTarget::Type::OggVorbis};
    return {chosen + QStringLiteral(".wav"), SaveTarget::Type::Wav};
}

std::optional<SaveTarget> MessageBoxDialogs::saveAudioFile(const QString& title,
                                                           const QString& folder)
{
    const QString start =
        folder.isEmpty() ? QStandardPaths::writableLocation(QStandardPaths::MusicLocation) : folder;
    QString filter = audioFilters().at(0);
    // The dialog asks before replacing a file that is there.
    const QString chosen = QFileDialog::getSaveFileName(
        nullptr, title, start, audioFilters().join(QStringLiteral(";;")), &filter);
    if (chosen.isEmpty())
        return std::nullopt;
    return saveTargetFor(chosen, filter);
}

} // namespace clipvoice::platform
