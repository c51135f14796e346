#pragma once

#include <QPoint>

namespace clipvoice::app {

// Moving the borderless window by dragging its background. Positions are in
// pixels relative to the window.
struct WindowDrag
{
    short drag_flag = 0;   // 1 while a drag is in progress
    short drag_init_x = 0; // pointer position at the last press of any button
    short drag_init_y = 0;

    // Any button sets the anchor; only the left one starts a drag.
    void press(bool leftButton, QPoint position)
    {
        if (leftButton)
            drag_flag = 1;
        drag_init_x = static_cast<short>(position.x());
        drag_init_y = static_cast<short>(position.y());
    }

    // The window's new top-left corner for a pointer move, or the old one when
    // no drag is in progress: the grabbed point stays under the pointer.
    QPoint move(QPoint windowTopLeft, QPoint position) const
    {
        if (drag_flag == 0)
            return windowTopLeft;
        return windowTopLeft + position - QPoint(drag_init_x, drag_init_y);
    }

    // The release of any button ends the drag.
    void release() { drag_flag = 0; }
};

} // namespace clipvoice::app
