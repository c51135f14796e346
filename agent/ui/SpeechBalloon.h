#pragma once

#include "agent/ui/BalloonLayout.h"
#include "agent/ui/BalloonStyle.h"

#include <QStringList>
#include <QTimer>
#include <QWidget>

#include <optional>

namespace clipvoice::agent::ui {

// The character's word balloon: a top-level window beside the character with
// a rounded body and a tail pointing at it (or, for thoughts, a cloud and a
// trail of bubbles). Spoken text appears word by word as the engine reveals
// it; when it outgrows the balloon's lines the balloon scrolls so the newest
// words stay in view.
//
// The text is wrapped only as far as it has been revealed, so a text of any
// length costs about as much per word as a short one. When the reveal leaps
// far ahead (the voice ended early) the lines in between are skipped.
class SpeechBalloon : public QWidget
{
    Q_OBJECT

public:
    enum class Kind
    {
        Speech,
        Thought,
    };

    // The most lines a thought cloud shows.
    static constexpr int ThoughtLines = 10;

    explicit SpeechBalloon(QWidget* parent = nullptr);

    void setStyle(const BalloonStyle& style);
    BalloonStyle style() const { return m_style; }

    // The character's window in screen coordinates; the balloon points at it
    // and moves with it.
    void setCharacterRect(const QRect& character);

    // Shows an empty balloon sized for `text`; revealUpTo() fills it in.
    void showSpeech(const QString& text);
    // Shows the first `characterCount` characters of the text.
    void revealUpTo(int characterCount);
    // Shows a thought cloud holding `text`: at most ThoughtLines lines, the
    // last ending in an ellipsis when the text goes on.
    void showThought(const QString& text);
    // Hides the balloon `ms` milliseconds from now; showing text again cancels it.
    void hideAfter(int ms);

    Kind kind() const { return m_kind; }
    QString text() const { return m_text; }
    int revealed() const { return m_revealed; }
    // The lines as drawn now: only the revealed part, only the visible lines.
    QStringList visibleLines() const;
    // The text's lines wrapped so far (for tests and diagnostics).
    const QList<WrappedLine>& wrappedLines() const;
    // How many characters were measured to wrap the text (a measure of work).
    qint64 measuredCharacters() const { return m_wrapper ? m_wrapper->measuredCharacters() : 0; }
    BalloonSide side() const { return m_placement.side; }
    // Where the tail or the bubbles end, in screen coordinates.
    QPoint tipPosition() const { return m_placement.tip; }
    const QTimer& hideTimer() const { return m_hideTimer; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void present(Kind kind, const QString& text);
    // Wraps the start of the text and sizes the balloon for it, then places it.
    void relayout();
    // Wraps the text as far as it is revealed.
    void wrapRevealed();
    int shownLineCount() const;
    // Puts the balloon beside the character and shapes it.
    void place();
    QRectF bodyRect() const;
    int lineWidth() const;

    BalloonStyle m_style;
    Kind m_kind = Kind::Speech;
    QString m_text;
    QFont m_font;
    std::optional<TextWrapper> m_wrapper;
    int m_revealed = 0;
    QSize m_textSize; // the text's lines, as many as the balloon shows
    QSize m_bodySize; // the balloon without its tail
    QRect m_character;
    BalloonPlacement m_placement;
    QPainterPath m_shape; // the outline, in the widget's coordinates
    QTimer m_hideTimer;
};

} // namespace clipvoice::agent::ui
