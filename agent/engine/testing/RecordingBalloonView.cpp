#include "agent/engine/testing/RecordingBalloonView.h"

namespace clipvoice::agent::engine::testing {

void RecordingBalloonView::showSpeech(const QString& text)
{
    m_log->add(QStringLiteral("balloon speech ") + text);
}

void RecordingBalloonView::revealUpTo(int offset)
{
    m_log->add(QStringLiteral("balloon reveal %1").arg(offset));
}

void RecordingBalloonView::showThought(const QString& text)
{
    m_log->add(QStringLiteral("balloon thought ") + text);
}

void RecordingBalloonView::hide()
{
    m_log->add(QStringLiteral("balloon hidden"));
}

} // namespace clipvoice::agent::engine::testing
