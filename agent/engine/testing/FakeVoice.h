#pragma once

#include "agent/engine/testing/EngineEventLog.h"

#include <QList>
#include <QString>

#include <memory>

namespace clipvoice::agent::engine {
class SpeechListener;
}

namespace clipvoice::agent::engine::testing {

// The state behind a FakeSpeechOutput, kept by the test: it logs "speak <text>"
// and "speech cancelled", and the test plays the voice's part by hand.
class FakeVoice
{
public:
    explicit FakeVoice(std::shared_ptr<EngineEventLog> log)
        : m_log(std::move(log))
    {}

    QList<qint32> languages{0x0409, 0x0407};

    bool isSpeaking() const { return m_listener != nullptr; }
    const QString& text() const { return m_text; }
    qint32 languageId() const { return m_languageId; }

    // Events of the utterance being spoken; ignored when there is none.
    void reachWord(int offset, int length);
    void setMouth(int shape);
    void finish();

    // Used by FakeSpeechOutput.
    void started(const QString& text, qint32 languageId, SpeechListener& listener);
    void cancelled();
    void detach() { m_listener = nullptr; }

private:
    std::shared_ptr<EngineEventLog> m_log;
    SpeechListener* m_listener = nullptr;
    QString m_text;
    qint32 m_languageId = 0;
};

} // namespace clipvoice::agent::engine::testing
