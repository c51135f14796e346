#include "platform/qt/QtClipboard.h"

#include "platform/qt/X11ClipboardReader.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>

namespace clipvoice::platform {

namespace {
// How long a read waits for each answer of the owner: the clipboard's is
// read because the user copied something; the selection is read far more
// often, and a silent owner of it must not keep the clipboard waiting.
constexpr int kClipboardOwnerTimeoutMs = 5000;
constexpr int kSelectionOwnerTimeoutMs = 1000;
} // namespace

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

QtClipboard::~QtClipboard()
{
    m_cancel = true;
    finishRead();
}

void QtClipboard::finishRead()
{
    if (m_worker.joinable())
        m_worker.join();
}

bool QtClipboard::readsInBackground() const
{
    return QGuiApplication::platformName() == QLatin1String("xcb");
}

bool QtClipboard::startRead(X11ClipboardReader::Selection selection,
                            std::function<void(const X11ClipboardReader::Result&)> finish)
{
    if (m_reading)
        return false;
    finishRead();
    m_reading = true;
    // Text of up to 64 Mi characters is taken; in UTF-8 that is at most four
    // times as many bytes.
    constexpr qsizetype maxBytes = qsizetype(1) << 28;
    m_worker = std::thread([this, selection, finish = std::move(finish)] {
        X11ClipboardReader::Result result = X11ClipboardReader::read(
            qgetenv("DISPLAY"), maxBytes, m_cancel,
            selection == X11ClipboardReader::Selection::Primary ? kSelectionOwnerTimeoutMs
                                                                : kClipboardOwnerTimeoutMs,
            selection);
        if (result.ok && !result.text.isEmpty())
            result.text = withCrLfLineBreaks(result.text);
        QMetaObject::invokeMethod(
            &m_context,
            [this, finish, result = std::move(result)] {
                m_reading = false;
                finish(result);
            },
            Qt::QueuedConnection);
    });
    return true;
}

void QtClipboard::readText(const std::function<void(const ClipboardRead&)>& done)
{
    if (!readsInBackground()) {
        done({text(), 0});
        return;
    }
    const bool started = startRead(
        X11ClipboardReader::Selection::Clipboard, [done](const X11ClipboardReader::Result& result) {
            // An owner that did not answer in time, or something
            // copied meanwhile: the next tick tries again. (Asking Qt
            // instead would wait for a silent owner on this thread.)
            if (result.ok && !result.replaced)
                done({result.text, (quint64(result.owner) << 32) | result.readTime});
            else
                done({});
        });
    if (!started)
        done({});
}

bool QtClipboard::supportsSelection() const
{
    return QGuiApplication::clipboard()->supportsSelection();
}

void QtClipboard::readSelection(const std::function<void(const SelectionRead&)>& done)
{
    if (!supportsSelection()) {
        done({});
        return;
    }
    if (!readsInBackground()) {
        const QMimeData* data = QGuiApplication::clipboard()->mimeData(QClipboard::Selection);
        done({true,
              data != nullptr && data->hasText() ? withCrLfLineBreaks(data->text()) : QString()});
        return;
    }
    const bool started = startRead(X11ClipboardReader::Selection::Primary,
                                   [done](const X11ClipboardReader::Result& result) {
                                       // A text replaced while it was read
                                       // counts as not read: the next read
                                       // sees the new one.
                                       done({result.ok && !result.replaced, result.text});
                                   });
    if (!started)
        done({});
}

void QtClipboard::watchSelection(std::function<void()> changed)
{
    m_selectionChanged = std::move(changed);
    if (m_watchingSelection || !m_selectionChanged)
        return;
    m_watchingSelection = true;
    QObject::connect(QGuiApplication::clipboard(), &QClipboard::selectionChanged, &m_context,
                     [this] {
                         if (m_selectionChanged)
                             m_selectionChanged();
                     });
}

void QtClipboard::clear()
{
    QGuiApplication::clipboard()->clear(QClipboard::Clipboard);
}

bool QtClipboard::clearIfUnchanged(const ClipboardRead& read)
{
    // A text read on this thread is cleared before anything else can happen;
    // one read in the background only if nothing was copied since.
    if (!readsInBackground() || read.mark == 0) {
        clear();
        return true;
    }
    const auto owner = uint32_t(read.mark >> 32);
    const auto readTime = uint32_t(read.mark);
    if (clearsByOwningEmptyText())
        return m_emptyOwner.takeIfUnchanged(qgetenv("DISPLAY"), owner, readTime);
    return X11ClipboardReader::clearIfUnchanged(qgetenv("DISPLAY"), owner, readTime);
}

bool QtClipboard::clearsByOwningEmptyText()
{
    // XWayland under a Wayland compositor: the compositor copies the X
    // clipboard to its Wayland programs only while an X program owns it.
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY");
}

} // namespace clipvoice::platform
