#include "app/HotSpotLabel.h"

#include <QMouseEvent>

namespace clipvoice::app {

HotSpotLabel::HotSpotLabel(QWidget* parent)
    : QLabel(parent)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAutoFillBackground(false);
    setFocusPolicy(Qt::NoFocus);
}

void HotSpotLabel::mousePressEvent(QMouseEvent* event)
{
    // The press is taken here so that it never starts a drag of the window.
    if (event->button() == Qt::LeftButton)
        m_pressed = true;
    event->accept();
}

void HotSpotLabel::mouseDoubleClickEvent(QMouseEvent* event)
{
    // Qt would treat this as a press; the release that follows then clicks.
    m_pressed = false;
    event->accept();
}

void HotSpotLabel::mouseReleaseEvent(QMouseEvent* event)
{
    const bool wasPressed = m_pressed;
    m_pressed = false;
    event->accept();
    if (event->button() == Qt::LeftButton && wasPressed &&
        rect().contains(event->position().toPoint()))
        emit clicked();
}

} // namespace clipvoice::app
