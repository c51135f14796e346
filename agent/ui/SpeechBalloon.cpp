#include "agent/ui/SpeechBalloon.h"

#include <QFontMetrics>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPainter>
#include <QPainterPathStroker>
#include <QScreen>

#include <algorithm>

namespace clipvoice::agent::ui {

Q_LOGGING_CATEGORY(lcBalloon, "clipvoice.ui.balloon")

namespace {

constexpr int HorizontalPadding = 12;
constexpr int VerticalPadding = 8;
constexpr qreal Radius = 12.0;
constexpr int SpeechTail = 20;
constexpr int ThoughtTail = 30;
constexpr qreal Bump = 9.0;   // radius of a thought cloud's bumps
constexpr int BumpMargin = 9; // room kept around a thought's text for the bumps
// A balloon is sized for the widest of this many first lines; a text with
// more lines gets the whole line width, as its later lines are not wrapped yet.
constexpr int SizingLines = 16;
// How far a reveal may run ahead of the wrapped lines before the text in
// between is skipped rather than wrapped: a few milliseconds of work.
constexpr int MaxCatchUp = 8 * TextWrapper::DefaultMaxLineLength;
const QString Ellipsis = QStringLiteral("\u2026");

QRect availableAreaFor(const QRect& character)
{
    QScreen* screen = QGuiApplication::screenAt(character.center());
    if (screen == nullptr)
        screen = QGuiApplication::primaryScreen();
    return screen != nullptr ? screen->availableGeometry() : QRect(0, 0, 1024, 768);
}

QString withoutTrailingSpace(QString text)
{
    while (!text.isEmpty() && text.back().isSpace())
        text.chop(1);
    return text;
}

} // namespace

SpeechBalloon::SpeechBalloon(QWidget* parent)
    : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint |
                          Qt::WindowDoesNotAcceptFocus)
{
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_hideTimer.setSingleShot(true);
    connect(&m_hideTimer, &QTimer::timeout, this, &QWidget::hide);
}

void SpeechBalloon::setStyle(const BalloonStyle& style)
{
    BalloonStyle adjusted = style;
    adjusted.lines = std::max(1, adjusted.lines);
    adjusted.charsPerLine = std::max(8, adjusted.charsPerLine);
    if (adjusted == m_style && m_wrapper)
        return;
    m_style = adjusted;
    relayout();
}

void SpeechBalloon::setCharacterRect(const QRect& character)
{
    if (character == m_character)
        return;
    m_character = character;
    place();
}

void SpeechBalloon::showSpeech(const QString& text)
{
    present(Kind::Speech, text);
}

void SpeechBalloon::showThought(const QString& text)
{
    present(Kind::Thought, text);
    if (!m_wrapper->isComplete() || m_wrapper->lines().size() > ThoughtLines)
        qCDebug(lcBalloon) << "thought of" << m_text.size() << "characters cut to" << ThoughtLines
                           << "lines";
}

void SpeechBalloon::present(Kind kind, const QString& text)
{
    m_hideTimer.stop();
    m_kind = kind;
    m_text = text;
    m_revealed = 0;
    relayout();
    show();
    raise();
}

void SpeechBalloon::revealUpTo(int characterCount)
{
    const int count = std::clamp(characterCount, 0, static_cast<int>(m_text.size()));
    if (count == m_revealed)
        return;
    m_revealed = count;
    wrapRevealed();
    update();
}

void SpeechBalloon::wrapRevealed()
{
    if (m_kind != Kind::Speech || !m_wrapper)
        return;
    if (m_revealed - m_wrapper->wrappedEnd() > MaxCatchUp) {
        // Enough text before the reveal is wrapped again to fill the balloon.
        const int skipTo = m_revealed - (m_style.lines + 1) * TextWrapper::DefaultMaxLineLength;
        qCDebug(lcBalloon) << "reveal leapt from" << m_wrapper->wrappedEnd() << "to" << m_revealed
                           << "; wrapping again from" << skipTo;
        m_wrapper->skipTo(skipTo);
    }
    m_wrapper->wrapThrough(m_revealed);
}

const QList<WrappedLine>& SpeechBalloon::wrappedLines() const
{
    static const QList<WrappedLine> none;
    return m_wrapper ? m_wrapper->lines() : none;
}

int SpeechBalloon::shownLineCount() const
{
    return m_kind == Kind::Speech ? m_style.lines : ThoughtLines;
}

void SpeechBalloon::hideAfter(int ms)
{
    m_hideTimer.start(std::max(0, ms));
}

int SpeechBalloon::lineWidth() const
{
    // Lines hold about `charsPerLine` characters of ordinary text; Japanese
    // characters are wider, so fewer of them fit.
    const QFontMetrics metrics(m_style.font(QString()));
    const QString sample = QStringLiteral("The quick brown fox jumps over the lazy dog");
    const int average = metrics.horizontalAdvance(sample) / static_cast<int>(sample.size());
    return std::max(1, average) * m_style.charsPerLine;
}

QStringList SpeechBalloon::visibleLines() const
{
    const QList<WrappedLine>& lines = wrappedLines();
    const int count = shownLineCount();
    const int first = m_kind == Kind::Speech ? firstVisibleLine(lines, m_revealed, count) : 0;
    const int end = std::min(first + count, static_cast<int>(lines.size()));
    QStringList shown;
    for (int i = first; i < end; ++i) {
        const WrappedLine& line = lines.at(i);
        if (line.start >= m_revealed)
            break;
        shown.append(withoutTrailingSpace(
            m_text.mid(line.start, std::min(line.length, m_revealed - line.start))));
    }
    // A thought too long for its cloud ends in an ellipsis.
    const bool cut =
        m_kind == Kind::Thought && m_wrapper && (lines.size() > count || !m_wrapper->isComplete());
    if (cut && !shown.isEmpty())
        shown.last() += Ellipsis;
    return shown;
}

void SpeechBalloon::relayout()
{
    m_font = m_style.font(m_text);
    const QFontMetrics metrics(m_font);
    const int maxWidth = lineWidth();
    m_wrapper.emplace(m_text, metrics, maxWidth);
    m_wrapper->wrapLines(std::max(SizingLines, shownLineCount() + 1));

    // Sized for the widest line it may show, and as many lines as it shows.
    const QList<WrappedLine>& lines = m_wrapper->lines();
    const int sized = m_kind == Kind::Speech
                          ? static_cast<int>(lines.size())
                          : std::min(static_cast<int>(lines.size()), ThoughtLines);
    int widest = metrics.horizontalAdvance(QStringLiteral("MMMM"));
    for (int i = 0; i < sized; ++i)
        widest = std::max(widest, m_wrapper->visibleWidth(lines.at(i).start,
                                                          lines.at(i).start + lines.at(i).length));
    if (m_kind == Kind::Speech && !m_wrapper->isComplete())
        widest = std::max(widest, maxWidth);
    if (m_kind == Kind::Thought) {
        m_revealed = static_cast<int>(m_text.size()); // a thought shows at once
        const QStringList shown = visibleLines();
        if (!shown.isEmpty())
            widest = std::max(widest, metrics.horizontalAdvance(shown.last()));
    }
    const int lineCount = std::min(static_cast<int>(lines.size()), shownLineCount());
    m_textSize = QSize(widest, std::max(1, lineCount) * metrics.lineSpacing());

    const int cloud = m_kind == Kind::Thought ? 2 * BumpMargin : 0;
    m_bodySize = QSize(m_textSize.width() + 2 * HorizontalPadding + cloud,
                       m_textSize.height() + 2 * VerticalPadding + cloud);
    wrapRevealed();
    place();
}

void SpeechBalloon::place()
{
    const QRect character =
        m_character.isValid() ? m_character : QRect(availableAreaFor({}).center(), QSize(1, 1));
    m_placement = placeBalloon(m_bodySize, m_kind == Kind::Speech ? SpeechTail : ThoughtTail,
                               character, availableAreaFor(character));
    setGeometry(m_placement.geometry);

    const QPointF tip =
        QPointF(m_placement.tip - m_placement.geometry.topLeft()) + QPointF(0.5, 0.5);
    const QRectF outline = bodyRect().adjusted(1.5, 1.5, -1.5, -1.5);
    m_shape = m_kind == Kind::Speech
                  ? speechShape(outline, tip, Radius)
                  : thoughtShape(outline.adjusted(Bump, Bump, -Bump, -Bump), tip, Bump);
    // Without a compositing manager only the shape may be drawn; grow it a
    // little so the outline's smoothed edge is kept.
    QPainterPathStroker stroker;
    stroker.setWidth(4.0);
    setMask(QRegion(m_shape.united(stroker.createStroke(m_shape)).toFillPolygon().toPolygon()));
    update();
}

QRectF SpeechBalloon::bodyRect() const
{
    const QRectF all(QPointF(0, 0), QSizeF(m_placement.geometry.size()));
    const qreal tail = m_kind == Kind::Speech ? SpeechTail : ThoughtTail;
    switch (m_placement.side) {
    case BalloonSide::Above:
        return all.adjusted(0, 0, 0, -tail);
    case BalloonSide::Below:
        return all.adjusted(0, tail, 0, 0);
    case BalloonSide::Right:
        return all.adjusted(tail, 0, 0, 0);
    case BalloonSide::Left:
        return all.adjusted(0, 0, -tail, 0);
    }
    return all;
}

void SpeechBalloon::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(m_style.border, 1.2));
    painter.setBrush(m_style.background);
    painter.drawPath(m_shape);

    const QRectF body = bodyRect();
    const int cloud = m_kind == Kind::Thought ? BumpMargin : 0;
    const QRect textArea(static_cast<int>(body.left()) + HorizontalPadding + cloud,
                         static_cast<int>(body.top()) + VerticalPadding + cloud,
                         m_textSize.width() + 2, m_textSize.height());
    painter.setFont(m_font);
    painter.setPen(m_style.foreground);
    painter.setClipRect(textArea);
    const QFontMetrics metrics(m_font);
    int baseline = textArea.top() + metrics.ascent();
    const QStringList lines = visibleLines();
    for (const QString& line : lines) {
        painter.drawText(textArea.left(), baseline, line);
        baseline += metrics.lineSpacing();
    }
}

} // namespace clipvoice::agent::ui
