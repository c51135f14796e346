#include "platform/qt/QtClipboard.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace clipvoice::platform {

QString QtClipboard::text()
{
    const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Clipboard);
    if (data == nullptr || !data->hasText())
        return {};
    return withCrLfLineBreaks(data->text());
}

QString QtClipboard::withCrLfLineBreaks(const QString& text)
{
    // Copied text can be tens of megabytes and is read on the window's
    // thread: count first, then fill one buffer of the exact size, and keep
    // the text as it is when it already breaks its lines with CR LF.
    const QChar* in = text.constData();
    const qsizetype size = text.size();
    const auto lacksCr = [in](qsizetype i) {
        return in[i] == QLatin1Char('\n') && (i == 0 || in[i - 1] != QLatin1Char('\r'));
    };
    qsizetype missing = 0;
    for (qsizetype i = 0; i < size; ++i)
        missing += lacksCr(i) ? 1 : 0;
    if (missing == 0)
        return text;
    QString result(size + missing, Qt::Uninitialized);
    QChar* out = result.data();
    for (qsizetype i = 0; i < size; ++i) {
        if (lacksCr(i))
            *out++ = QLatin1Char('\r');
        *out++ = in[i];
    }
    return result;
}

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

} // namespace clipvoice::platform
