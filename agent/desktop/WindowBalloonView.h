#pragma once

#include "agent/engine/BalloonView.h"
#include "agent/ui/SpeechBalloon.h"

namespace clipvoice::agent::ui {
class CharacterWindow;
class ServiceSettings;
} // namespace clipvoice::agent::ui

namespace clipvoice::agent::desktop {

// The character's word balloon, kept beside its window. The user can switch
// balloons off in the property sheet.
class WindowBalloonView final : public engine::BalloonView
{
public:
    WindowBalloonView(ui::CharacterWindow& character, const ui::BalloonStyle& style,
                      const ui::ServiceSettings& settings);
    ~WindowBalloonView() override;

    void showSpeech(const QString& text) override;
    void revealUpTo(int offset) override;
    void showThought(const QString& text) override;
    void hide() override;

    ui::SpeechBalloon& balloon() { return m_balloon; }

private:
    bool prepare();

    ui::CharacterWindow& m_character;
    const ui::ServiceSettings& m_settings;
    ui::BalloonStyle m_characterStyle;
    ui::SpeechBalloon m_balloon;
};

} // namespace clipvoice::agent::desktop
