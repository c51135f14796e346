#include "agent/ui/CharacterWindow.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QWindow>

#include <algorithm>

namespace clipvoice::agent::ui {

namespace {

bool onWayland()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

QRect availableAreaFor(const QRect& geometry)
{
    QScreen* screen = QGuiApplication::screenAt(geometry.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect();
}

} // namespace

CharacterWindow::CharacterWindow(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(1, 1);

    const auto screens = QGuiApplication::screens();
    for (QScreen* screen : screens)
        watchScreen(screen);
    connect(qApp, &QGuiApplication::screenAdded, this, &CharacterWindow::watchScreen);
    // Queued: when a screen goes away Qt moves its windows first.
    connect(qApp, &QGuiApplication::screenRemoved, this, &CharacterWindow::keepOnScreen,
            Qt::QueuedConnection);
}

void CharacterWindow::watchScreen(QScreen* screen)
{
    connect(screen, &QScreen::availableGeometryChanged, this, &CharacterWindow::keepOnScreen,
            Qt::QueuedConnection);
}

void CharacterWindow::setFrame(const QImage& frame)
{
    // The same picture again (a held frame, an idle loop) costs nothing.
    if (!frame.isNull() && frame.cacheKey() == m_frameKey)
        return;
    m_frameKey = frame.cacheKey();
    m_frame = frame.format() == QImage::Format_ARGB32_Premultiplied
                  ? frame
                  : frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    if (m_frame.size() != size() && !m_frame.isNull())
        setFixedSize(m_frame.size());
    // Without a compositing manager the transparent pixels would show black;
    // the shape cuts them away. With one, it costs little and changes nothing.
    // Shapes are kept per picture: an idling character shows the same few
    // frames over and over.
    QRegion shape;
    if (const QRegion* known = m_shapes.object(m_frameKey)) {
        shape = *known;
    } else {
        shape = opaqueRegion(m_frame);
        m_shapes.insert(m_frameKey, new QRegion(shape));
    }
    if (shape != m_shape) {
        m_shape = shape;
        setMask(m_shape.isEmpty() ? QRegion(0, 0, 1, 1) : m_shape);
    }
    update();
}

QPoint CharacterWindow::initialPosition(QSize size, const QRect& available)
{
    const QPoint corner(available.right() + 1 - ScreenMargin - size.width(),
                        available.bottom() + 1 - ScreenMargin - size.height());
    return keptInside(QRect(corner, size), available);
}

QPoint CharacterWindow::keptInside(const QRect& geometry, const QRect& available)
{
    const int x = std::clamp(geometry.x(), available.left(),
                             std::max(available.left(), available.right() + 1 - geometry.width()));
    const int y = std::clamp(geometry.y(), available.top(),
                             std::max(available.top(), available.bottom() + 1 - geometry.height()));
    return {x, y};
}

QRegion CharacterWindow::opaqueRegion(const QImage& frame)
{
    if (frame.isNull())
        return {};
    const QImage image = frame.format() == QImage::Format_ARGB32_Premultiplied
                             ? frame
                             : frame.convertToFormat(QImage::Format_ARGB32_Premultiplied);
    // One rectangle per run of visible pixels; rows with the same runs share
    // one band of rectangles, which keeps the shape small and canonical.
    QList<QRect> rects;
    QList<QRect> row;
    qsizetype band = 0; // where the previous row's rectangles start in `rects`
    for (int y = 0; y < image.height(); ++y) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(y));
        row.clear();
        for (int x = 0; x < image.width();) {
            while (x < image.width() && qAlpha(pixels[x]) == 0)
                ++x;
            const int start = x;
            while (x < image.width() && qAlpha(pixels[x]) != 0)
                ++x;
            if (x > start)
                row.append(QRect(start, y, x - start, 1));
        }
        const bool sameAsAbove =
            !row.isEmpty() && rects.size() - band == row.size() && rects.last().bottom() == y - 1 &&
            std::equal(row.cbegin(), row.cend(), rects.cbegin() + band,
                       [](const QRect& a, const QRect& b) {
                           return a.left() == b.left() && a.right() == b.right();
                       });
        if (sameAsAbove) {
            for (qsizetype i = band; i < rects.size(); ++i)
                rects[i].setBottom(y);
        } else if (!row.isEmpty()) {
            band = rects.size();
            rects.append(row);
        }
    }
    QRegion region;
    region.setRects(rects.constData(), static_cast<int>(rects.size()));
    return region;
}

void CharacterWindow::keepOnScreen()
{
    if (!m_placed)
        return;
    const QRect available = availableAreaFor(geometry());
    if (available.isValid() && !available.contains(geometry()))
        move(keptInside(geometry(), available));
}

void CharacterWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawImage(0, 0, m_frame);
}

void CharacterWindow::showEvent(QShowEvent* event)
{
    if (!m_placed) {
        QScreen* screen = QGuiApplication::primaryScreen();
        if (screen != nullptr)
            m_position = initialPosition(size(), screen->availableGeometry());
        m_placed = true;
    }
    move(m_position);
    QWidget::showEvent(event);
}

void CharacterWindow::moveEvent(QMoveEvent* event)
{
    if (m_placed && isVisible())
        m_position = pos();
    QWidget::moveEvent(event);
    emit geometryChanged(geometry());
}

void CharacterWindow::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    emit geometryChanged(geometry());
}

void CharacterWindow::mousePressEvent(QMouseEvent* event)
{
    if (event->button() == Qt::RightButton) {
        emit contextMenuRequested(event->globalPosition().toPoint());
        return;
    }
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = true;
    m_pressGlobal = event->globalPosition().toPoint();
    m_grabOffset = m_pressGlobal - pos();
}

void CharacterWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_pressed || !(event->buttons() & Qt::LeftButton))
        return;
    const QPoint global = event->globalPosition().toPoint();
    if (!m_dragging) {
        if ((global - m_pressGlobal).manhattanLength() < QApplication::startDragDistance())
            return;
        if (onWayland() && windowHandle() != nullptr && windowHandle()->startSystemMove()) {
            // Wayland windows cannot place themselves: the compositor moves
            // the window and keeps the pointer until the button is released.
            m_pressed = false;
            emit dragStarted();
            emit dragFinished();
            return;
        }
        m_dragging = true;
        emit dragStarted();
    }
    move(global - m_grabOffset);
}

void CharacterWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (event->button() != Qt::LeftButton)
        return;
    m_pressed = false;
    if (m_dragging) {
        m_dragging = false;
        keepOnScreen();
        emit dragFinished();
    }
}

void CharacterWindow::mouseDoubleClickEvent(QMouseEvent* event)
{
    if (event->button() == Qt::LeftButton)
        emit activated();
}

void CharacterWindow::contextMenuEvent(QContextMenuEvent* event)
{
    // Right-clicks were reported on press; this catches the menu key.
    if (event->reason() != QContextMenuEvent::Mouse)
        emit contextMenuRequested(mapToGlobal(rect().center()));
}

} // namespace clipvoice::agent::ui
