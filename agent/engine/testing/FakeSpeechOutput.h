#pragma once

#include "agent/engine/SpeechOutput.h"
#include "agent/engine/testing/FakeVoice.h"

#include <memory>

namespace clipvoice::agent::engine::testing {

// A SpeechOutput whose events the test raises through its FakeVoice.
class FakeSpeechOutput final : public SpeechOutput
{
public:
    explicit FakeSpeechOutput(std::shared_ptr<FakeVoice> voice)
        : m_voice(std::move(voice))
    {}
    ~FakeSpeechOutput() override { m_voice->detach(); }

    bool canSpeak(qint32 languageId) const override
    {
        return m_voice->languages.contains(languageId);
    }
    void speak(const QString& text, qint32 languageId, SpeechListener& listener) override
    {
        m_voice->cancelled();
        m_voice->started(text, languageId, listener);
    }
    void cancel() override { m_voice->cancelled(); }

private:
    std::shared_ptr<FakeVoice> m_voice;
};

} // namespace clipvoice::agent::engine::testing
