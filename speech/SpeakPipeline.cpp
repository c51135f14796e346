#include "speech/SpeakPipeline.h"

#include "speech/GesturePicker.h"
#include "speech/SpeechLanguages.h"

#include <limits>

namespace clipvoice::speech {

using namespace platform::agent;

namespace {
const QString LineBreak = QStringLiteral("\r\n");
}

QStringList splitLines(const QString& text)
{
    return text.split(LineBreak, Qt::KeepEmptyParts, Qt::CaseSensitive);
}

SpeakBudget SpeakBudget::unlimited()
{
    return {std::numeric_limits<int>::max(), std::numeric_limits<qsizetype>::max()};
}

SpeakJob::SpeakJob(QString text, SpeakContext context)
    : m_text(std::move(text))
    , m_context(std::move(context))
{}

bool SpeakJob::begin()
{
    if (m_text.isEmpty())
        return false;
    const CharacterPtr& character = m_context.character;
    if (!character)
        return false;

    const AgentResult<bool> visible = character->visible();
    if (!visible.ok())
        return false;
    if (!visible.value()) {
        if (!character->show().ok())
            return false;
        m_hiddenBefore = true;
    }

    if (m_context.gestureOption == 1 && m_context.random != nullptr)
        PlayRandomGesture(character, *m_context.random);

    if (!m_context.selectedLanguage)
        return false;
    if (const std::optional<qint32> lcid = LanguageIdForIndex(*m_context.selectedLanguage)) {
        if (!character->setLanguageId(*lcid).ok())
            return false;
    }
    return true;
}

void SpeakJob::end(bool hideAgain)
{
    if (hideAgain && m_hiddenBefore)
        (void)m_context.character->hide();
    m_finished = true;
    // The text and the character are let go at once: a finished job may wait
    // in its owner's queue a little longer.
    m_text = QString();
    m_context = SpeakContext();
    m_lastSpoken.reset();
}

bool SpeakJob::step(SpeakBudget budget)
{
    if (m_finished)
        return true;
    if (!m_started) {
        if (!begin()) {
            end(false);
            return true;
        }
        m_started = true;
    }

    // The pieces between CR LF separators, read where they lie rather than
    // split all at once, so a long text is never held twice.
    int lines = 0;
    qsizetype characters = 0;
    while (m_position <= m_text.size()) {
        if (lines > 0 && (lines >= budget.lines || characters >= budget.characters))
            return false;
        qsizetype next = m_text.indexOf(LineBreak, m_position);
        if (next < 0)
            next = m_text.size();
        const qsizetype length = next - m_position;
        const qsizetype start = m_position;
        m_position = next + LineBreak.size();
        ++lines;
        characters += length;
        if (length == 0)
            continue;
        AgentResult<RequestPtr> request = m_context.character->speak(m_text.mid(start, length));
        if (!request.ok()) {
            end(false);
            return true;
        }
        m_lastSpoken = request.value();
        if (m_context.lastRequest != nullptr)
            *m_context.lastRequest = m_lastSpoken;
    }
    end(true);
    return true;
}

void SpeakText(const QString& text, const SpeakContext& context)
{
    SpeakJob(text, context).step(SpeakBudget::unlimited());
}

} // namespace clipvoice::speech
