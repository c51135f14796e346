#pragma once

#include <QString>

namespace clipvoice::platform {

// Modal message boxes with a single OK button.
class Dialogs
{
public:
    virtual ~Dialogs() = default;

    // Information icon; blocks until the user closes the box.
    virtual void information(const QString& title, const QString& text) = 0;
    // Error icon; blocks until the user closes the box.
    virtual void error(const QString& title, const QString& text) = 0;
};

} // namespace clipvoice::platform
