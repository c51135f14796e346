#pragma once

#include <QList>
#include <QString>
#include <QtGlobal>

#include <memory>
#include <vector>

#include "agent/voice/EspeakEngine.h"
#include "agent/voice/OpenJTalkSetup.h"
#include "agent/voice/SpeechEngine.h"

// The voices of this machine for each language, and which one speaks a line:
// the one the user chose for the language when it is installed, otherwise the
// most natural one installed. espeak-ng speaks every language and is the last
// resort for a piece another engine fails on. Immutable once made, so it can
// be shared with the synthesis thread.
namespace clipvoice::agent::voice {

// The voice that speaks a language, and its engine.
struct VoiceSelection
{
    SpeechEngine* engine = nullptr; // null when no voice speaks the language
    VoiceInfo voice;
    // A voice was chosen for the language but is not installed (any more):
    // the default speaks instead.
    bool fellBack = false;
};

class VoiceCatalog
{
public:
    // espeak-ng, Open JTalk when usable, and every other engine installed
    // (see InstalledEngines).
    explicit VoiceCatalog(OpenJTalkSetup openJTalk);
    // espeak-ng, Open JTalk when usable, and the given engines.
    VoiceCatalog(OpenJTalkSetup openJTalk, std::vector<std::shared_ptr<SpeechEngine>> engines);
    // Serves every language with `engine` alone (for tests and tools).
    explicit VoiceCatalog(std::shared_ptr<SpeechEngine> engine);

    // A catalogue for this machine, looked up once and then shared.
    static std::shared_ptr<VoiceCatalog> system();

    bool supportsLanguage(qint32 lcid) const;
    // Every voice for `lcid`, the most natural first.
    QList<VoiceInfo> voicesFor(qint32 lcid) const;
    // The voice that speaks `lcid` when `chosenKey` (a VoiceInfo::key(), or
    // empty for no choice) is what the user chose.
    VoiceSelection select(qint32 lcid, const QString& chosenKey = {}) const;
    // The engine to try first for `lcid` with no choice, or nullptr.
    SpeechEngine* engineFor(qint32 lcid) const;
    // The engine to use when `engine` fails on a piece of text, or nullptr.
    SpeechEngine* fallbackFor(qint32 lcid, const SpeechEngine* engine = nullptr) const;
    SpeechEngine* engineNamed(const QString& name) const;

    // For a property sheet, e.g. "Open JTalk (nitech-jp-atr503-m001)" or
    // "espeak-ng (Open JTalk not installed)".
    QString japaneseEngineStatus() const;

    const OpenJTalkSetup& openJTalkSetup() const { return m_openJTalkSetup; }

private:
    struct Entry
    {
        SpeechEngine* engine;
        VoiceInfo voice;
    };
    QList<Entry> entriesFor(qint32 lcid) const;

    OpenJTalkSetup m_openJTalkSetup;
    std::shared_ptr<EspeakEngine> m_espeak;
    bool m_hasOpenJTalk = false;
    // Every engine, espeak-ng last; the first of two equally natural voices wins.
    std::vector<std::shared_ptr<SpeechEngine>> m_engines;
    bool m_onlyOne = false;
};

} // namespace clipvoice::agent::voice
