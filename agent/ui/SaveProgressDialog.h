#pragma once

#include <QProgressDialog>
#include <QString>

class QMessageBox;

namespace clipvoice::agent::ui {

// The progress of saving speech to a file. It appears only once the save has
// taken half a second (a short text is saved before it would), never blocks
// another window, and its cancel button emits canceled().
class SaveProgressDialog final : public QProgressDialog
{
    Q_OBJECT

public:
    static constexpr int ShowAfterMs = 500;

    explicit SaveProgressDialog(const QString& path, QWidget* parent = nullptr);

    // Characters of the text saved so far, of `total`.
    void setProgress(qint64 done, qint64 total);

    static QString title();
    // Shows a failure without waiting for it to be closed; the box deletes
    // itself once closed.
    static QMessageBox* showFailure(const QString& text, QWidget* parent = nullptr);
};

} // namespace clipvoice::agent::ui
