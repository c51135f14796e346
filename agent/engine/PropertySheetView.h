#pragma once

namespace clipvoice::agent::engine {

// The service's property sheet window.
class PropertySheetView
{
public:
    virtual ~PropertySheetView() = default;

    virtual void setVisible(bool visible) = 0;
};

} // namespace clipvoice::agent::engine
