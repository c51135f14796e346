#pragma once

#include "agent/engine/PropertySheetView.h"

#include <QString>

#include <memory>

namespace clipvoice::agent::ui {
class PropertySheet;
class ServiceSettings;
} // namespace clipvoice::agent::ui

namespace clipvoice::agent::desktop {

// The service's property sheet window, made when first opened.
class SheetPropertyView final : public engine::PropertySheetView
{
public:
    SheetPropertyView(ui::ServiceSettings& settings, QString speechEngineStatus);
    ~SheetPropertyView() override;

    void setVisible(bool visible) override;

    ui::PropertySheet* sheet() const { return m_sheet.get(); }

private:
    ui::ServiceSettings& m_settings;
    QString m_speechEngineStatus;
    std::unique_ptr<ui::PropertySheet> m_sheet;
};

} // namespace clipvoice::agent::desktop
