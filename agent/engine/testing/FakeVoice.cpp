#include "agent/engine/testing/FakeVoice.h"

#include "agent/engine/SpeechOutput.h"

namespace clipvoice::agent::engine::testing {

void FakeVoice::reachWord(int offset, int length)
{
    if (m_listener)
        m_listener->wordReached(offset, length);
}

void FakeVoice::setMouth(int shape)
{
    if (m_listener)
        m_listener->mouthShape(shape);
}

void FakeVoice::finish()
{
    SpeechListener* listener = std::exchange(m_listener, nullptr);
    if (listener)
        listener->finished();
}

void FakeVoice::started(const QString& text, qint32 languageId, SpeechListener& listener)
{
    m_text = text;
    m_languageId = languageId;
    m_listener = &listener;
    m_log->add(QStringLiteral("speak ") + text);
}

void FakeVoice::cancelled()
{
    if (m_listener)
        m_log->add(QStringLiteral("speech cancelled"));
    m_listener = nullptr;
}

} // namespace clipvoice::agent::engine::testing
