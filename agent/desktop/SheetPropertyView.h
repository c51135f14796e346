#pragma once

#include "agent/engine/PropertySheetView.h"

#include <QString>

#include <memory>

namespace clipvoice::agent::ui {
class PropertySheet;
class ServiceSettings;
class UserDictionary;
class VoiceDirectory;
} // namespace clipvoice::agent::ui

namespace clipvoice::agent::desktop {

// The service's property sheet window, made when first opened.
class SheetPropertyView final : public engine::PropertySheetView
{
public:
    SheetPropertyView(ui::ServiceSettings& settings, QString speechEngineStatus,
                      std::unique_ptr<ui::VoiceDirectory> voices = {},
                      ui::UserDictionary* dictionary = nullptr);
    ~SheetPropertyView() override;

    void setVisible(bool visible) override;
    void setLanguage(qint32 languageId) override;

    ui::PropertySheet* sheet() const { return m_sheet.get(); }

private:
    ui::ServiceSettings& m_settings;
    QString m_speechEngineStatus;
    std::unique_ptr<ui::VoiceDirectory> m_voices;
    ui::UserDictionary* m_dictionary;
    qint32 m_language = 0;
    std::unique_ptr<ui::PropertySheet> m_sheet;
};

} // namespace clipvoice::agent::desktop
