#pragma once

#include <QString>
#include <QtGlobal>

#include <memory>

#include "agent/voice/EspeakEngine.h"
#include "agent/voice/OpenJTalkEngine.h"
#include "agent/voice/OpenJTalkSetup.h"

// Chooses the engine for each language: Open JTalk for Japanese when it is
// installed, espeak-ng for everything else and as Japanese's fallback.
// Immutable once made, so it can be shared with the synthesis thread.
namespace clipvoice::agent::voice {

class VoiceCatalog
{
public:
    explicit VoiceCatalog(OpenJTalkSetup openJTalk);
    // Serves every language with `engine` alone (for tests and tools).
    explicit VoiceCatalog(std::shared_ptr<SpeechEngine> engine);

    // A catalogue for this machine, looked up once and then shared.
    static std::shared_ptr<VoiceCatalog> system();

    bool supportsLanguage(qint32 lcid) const;
    // The engine to try first, or nullptr when no engine speaks `lcid`.
    SpeechEngine* engineFor(qint32 lcid) const;
    // The engine to use when engineFor() fails on a piece of text, or nullptr.
    SpeechEngine* fallbackFor(qint32 lcid) const;

    // For a property sheet, e.g. "Open JTalk (nitech-jp-atr503-m001)" or
    // "espeak-ng (Open JTalk not installed)".
    QString japaneseEngineStatus() const;

    const OpenJTalkSetup& openJTalkSetup() const { return m_openJTalkSetup; }

private:
    OpenJTalkSetup m_openJTalkSetup;
    std::unique_ptr<EspeakEngine> m_espeak;
    std::unique_ptr<OpenJTalkEngine> m_openJTalk;
    std::shared_ptr<SpeechEngine> m_only;
};

} // namespace clipvoice::agent::voice
