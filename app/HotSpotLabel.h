#pragma once

#include <QLabel>

namespace clipvoice::app {

// A transparent, text-less label laid over a painted glyph; it acts as a
// button. Clicked is raised when the left button is pressed and released
// over the label. The second press of a double-click raises nothing, so a
// double-click runs the command once.
class HotSpotLabel final : public QLabel
{
    Q_OBJECT

public:
    explicit HotSpotLabel(QWidget* parent = nullptr);

signals:
    void clicked();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    bool m_pressed = false;
};

} // namespace clipvoice::app
