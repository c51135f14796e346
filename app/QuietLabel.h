#pragma once

#include <QLabel>
#include <QMouseEvent>

namespace clipvoice::app {

// A label that takes mouse presses without acting on them. Presses on the
// window's captions and picture strip thus never reach the window itself,
// where a press on the background starts a drag.
class QuietLabel final : public QLabel
{
    Q_OBJECT

public:
    using QLabel::QLabel;

protected:
    void mousePressEvent(QMouseEvent* event) override { event->accept(); }
    void mouseReleaseEvent(QMouseEvent* event) override { event->accept(); }
    void mouseMoveEvent(QMouseEvent* event) override { event->accept(); }
};

} // namespace clipvoice::app
