#pragma once

#include "agent/engine/CharacterView.h"
#include "agent/ui/CharacterMenu.h"
#include "agent/ui/CharacterWindow.h"

#include <functional>

namespace clipvoice::agent::desktop {

// What the user can ask of a character through its window and pop-up menu.
struct CharacterActions
{
    std::function<void(const QString& name)> chooseCommand;
    std::function<void()> hide;
    std::function<void()> openOptions;
};

// Shows a character's frames in its own window and offers its pop-up menu.
class WindowCharacterView final : public engine::CharacterView
{
public:
    explicit WindowCharacterView(CharacterActions actions);
    ~WindowCharacterView() override;

    void showFrame(const QImage& frame) override;
    void setVisible(bool visible) override;
    void setCommands(const QList<engine::CommandEntry>& commands) override;

    ui::CharacterWindow& window() { return m_window; }

private:
    ui::CharacterWindow m_window;
    ui::CharacterMenu m_menu;
};

} // namespace clipvoice::agent::desktop
