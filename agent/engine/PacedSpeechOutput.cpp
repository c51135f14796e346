#include "agent/engine/PacedSpeechOutput.h"

#include "agent/timing/Scheduler.h"

#include <algorithm>

namespace clipvoice::agent::engine {

qint64 SpeechPace::duration(QStringView text) const
{
    const QStringView trimmed = text.trimmed();
    if (trimmed.isEmpty())
        return 0;
    qint64 lines = 0;
    for (QStringView line : trimmed.split(u'\n')) {
        if (!line.trimmed().isEmpty())
            ++lines;
    }
    return std::max(trimmed.size() * msPerCharacter, lines * minMsPerLine);
}

PacedSpeechOutput::PacedSpeechOutput(timing::Scheduler& scheduler, SpeechPace pace)
    : m_scheduler(scheduler)
    , m_pace(pace)
    , m_timer(scheduler)
{}

void PacedSpeechOutput::speak(const QString& text, qint32 /*languageId*/, SpeechListener& listener)
{
    cancel();
    m_listener = &listener;
    m_start = m_scheduler.now();
    const qint64 total = m_pace.duration(text);
    const qint64 length = std::max<qint64>(1, text.size());
    // Each word starts at the share of the time its offset has of the text; the
    // mouth opens with the word and closes half way through it.
    for (qsizetype i = 0; i < text.size();) {
        if (text.at(i).isSpace()) {
            ++i;
            continue;
        }
        qsizetype end = i;
        while (end < text.size() && !text.at(end).isSpace())
            ++end;
        const qint64 at = total * i / length;
        const qint64 closeAt = at + (total * (end - i) / length) / 2;
        const int offset = static_cast<int>(i);
        const int wordLength = static_cast<int>(end - i);
        m_events.append(
            {at, offset, wordLength, mouthShapeFor(QStringView(text).mid(i, end - i)), false});
        m_events.append({closeAt, -1, 0, 0, false});
        i = end;
    }
    m_events.append({total, -1, 0, 0, true});
    std::stable_sort(m_events.begin(), m_events.end(),
                     [](const Event& a, const Event& b) { return a.at < b.at; });
    m_next = 0;
    m_timer.start(m_events.first().at, [this] { fireNext(); });
}

void PacedSpeechOutput::cancel()
{
    ++m_utterance;
    m_timer.stop();
    m_events.clear();
    m_next = 0;
    m_listener = nullptr;
}

int PacedSpeechOutput::mouthShapeFor(QStringView word)
{
    for (QChar c : word) {
        switch (c.toLower().unicode()) {
        case u'a':
            return 4;
        case u'e':
            return 3;
        case u'i':
        case u'y':
            return 2;
        case u'o':
            return 5;
        case u'u':
        case u'w':
            return 6;
        default:
            break;
        }
    }
    return 1;
}

void PacedSpeechOutput::fireNext()
{
    // Runs every event that is due; the listener may cancel or start another
    // utterance from any of them.
    const qint64 elapsed = m_scheduler.now() - m_start;
    while (m_next < m_events.size() && m_events.at(m_next).at <= elapsed) {
        const Event event = m_events.at(m_next++);
        SpeechListener* listener = m_listener;
        const quint64 utterance = m_utterance;
        if (event.offset >= 0)
            listener->wordReached(event.offset, event.length);
        if (utterance != m_utterance)
            return;
        if (event.shape >= 0)
            listener->mouthShape(event.shape);
        if (utterance != m_utterance)
            return;
        if (event.last) {
            cancel();
            listener->finished();
            return;
        }
    }
    if (m_next < m_events.size())
        m_timer.start(m_events.at(m_next).at - elapsed, [this] { fireNext(); });
}

} // namespace clipvoice::agent::engine
