#pragma once

#include <QtGlobal>

namespace clipvoice::agent::engine {

// The service's property sheet window.
class PropertySheetView
{
public:
    virtual ~PropertySheetView() = default;

    virtual void setVisible(bool visible) = 0;
    // The language the character speaks now, whose voice the sheet offers to
    // choose; told before the sheet is shown.
    virtual void setLanguage(qint32 languageId) = 0;
};

} // namespace clipvoice::agent::engine
