#include "agent/desktop/WindowBalloonView.h"

#include "agent/ui/CharacterWindow.h"
#include "agent/ui/ServiceSettings.h"

namespace clipvoice::agent::desktop {

WindowBalloonView::WindowBalloonView(ui::CharacterWindow& character, const ui::BalloonStyle& style,
                                     const ui::ServiceSettings& settings)
    : m_character(character)
    , m_settings(settings)
    , m_characterStyle(style)
{
    m_balloon.setObjectName(QStringLiteral("SpeechBalloon"));
    QObject::connect(&m_character, &ui::CharacterWindow::geometryChanged, &m_balloon,
                     [this](QRect geometry) { m_balloon.setCharacterRect(geometry); });
}

WindowBalloonView::~WindowBalloonView() = default;

bool WindowBalloonView::prepare()
{
    const ui::ServiceOptions& options = m_settings.options();
    if (!options.balloonEnabled) {
        m_balloon.hide();
        return false;
    }
    m_balloon.setStyle(options.applyTo(m_characterStyle));
    m_balloon.setCharacterRect(m_character.frameGeometry());
    return true;
}

void WindowBalloonView::showSpeech(const QString& text)
{
    if (prepare())
        m_balloon.showSpeech(text);
}

void WindowBalloonView::revealUpTo(int offset)
{
    if (m_balloon.isVisible())
        m_balloon.revealUpTo(offset);
}

void WindowBalloonView::showThought(const QString& text)
{
    if (prepare())
        m_balloon.showThought(text);
}

void WindowBalloonView::hide()
{
    m_balloon.hide();
}

} // namespace clipvoice::agent::desktop
