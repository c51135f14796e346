#include "agent/ui/SaveProgressDialog.h"

#include <QFileInfo>
#include <QMessageBox>

namespace clipvoice::agent::ui {

namespace {

// The bar's range; progress is shown in thousandths.
constexpr int Steps = 1000;

} // namespace

SaveProgressDialog::SaveProgressDialog(const QString& path, QWidget* parent)
    : QProgressDialog(parent)
{
    setWindowTitle(title());
    setLabelText(QStringLiteral("「%1」に保存しています…").arg(QFileInfo(path).fileName()));
    setCancelButtonText(QStringLiteral("キャンセル"));
    setWindowModality(Qt::NonModal);
    // The save ends the dialog itself; reaching the end must not reset it.
    setAutoClose(false);
    setAutoReset(false);
    setRange(0, Steps);
    setMinimumDuration(ShowAfterMs);
    // Starts the wait after which the dialog shows itself.
    setValue(0);
}

void SaveProgressDialog::setProgress(qint64 done, qint64 total)
{
    if (total <= 0)
        return;
    const qint64 step = std::clamp<qint64>(done * Steps / total, 0, Steps);
    // At the end the bar stays just short of full until the file is complete.
    setValue(static_cast<int>(std::min<qint64>(step, Steps - 1)));
}

QString SaveProgressDialog::title()
{
    return QStringLiteral("読み上げ音声の保存");
}

QMessageBox* SaveProgressDialog::showFailure(const QString& text, QWidget* parent)
{
    auto* box = new QMessageBox(QMessageBox::Warning, title(), text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
    return box;
}

} // namespace clipvoice::agent::ui
