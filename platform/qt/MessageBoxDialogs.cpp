#include "platform/qt/MessageBoxDialogs.h"

#include <QMessageBox>

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

} // namespace clipvoice::platform
