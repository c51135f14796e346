#pragma once

#include <QCache>
#include <QImage>
#include <QPoint>
#include <QRegion>
#include <QWidget>

namespace clipvoice::agent::ui {

// The character's own window: frameless, see-through where the frame is
// transparent, on top of other windows and absent from the task bar. It shows
// the frame it is given, is dragged with the left button, and reports
// right-clicks and double-clicks. It keeps its place while hidden.
class CharacterWindow : public QWidget
{
    Q_OBJECT

public:
    // Distance from the lower right corner of the screen's available area at
    // the first show.
    static constexpr int ScreenMargin = 40;

    explicit CharacterWindow(QWidget* parent = nullptr);

    // Shows `frame` (premultiplied ARGB); the window takes the frame's size.
    void setFrame(const QImage& frame);
    QImage frame() const { return m_frame; }

    // Where the window goes on its first show: near the lower right corner.
    static QPoint initialPosition(QSize size, const QRect& available);
    // `geometry` moved the least needed to lie inside `available`.
    static QPoint keptInside(const QRect& geometry, const QRect& available);
    // The pixels of `frame` that are not fully transparent.
    static QRegion opaqueRegion(const QImage& frame);

public slots:
    // Moves the window the least needed to lie inside the available area of
    // the screen under its middle (or the primary screen): after a drag, or
    // when a screen went away or shrank.
    void keepOnScreen();

signals:
    void contextMenuRequested(QPoint globalPos);
    void activated();
    void dragStarted();
    void dragFinished();
    // The window moved or changed size; the balloon follows it.
    void geometryChanged(QRect geometry);

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    void watchScreen(QScreen* screen);

    QImage m_frame;
    qint64 m_frameKey = 0;                 // the cache key of the picture shown
    QCache<qint64, QRegion> m_shapes{256}; // shapes of recent pictures by cache key
    QRegion m_shape;
    bool m_placed = false;  // placed once; later shows keep the position
    QPoint m_position;      // remembered for the session
    bool m_pressed = false; // the left button went down on the window
    bool m_dragging = false;
    QPoint m_grabOffset; // the pointer's offset from the window's corner
    QPoint m_pressGlobal;
};

} // namespace clipvoice::agent::ui
