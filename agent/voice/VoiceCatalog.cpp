#include "agent/voice/VoiceCatalog.h"

#include "agent/voice/LanguageVoices.h"

#include <mutex>

namespace clipvoice::agent::voice {

VoiceCatalog::VoiceCatalog(OpenJTalkSetup openJTalk)
    : m_openJTalkSetup(std::move(openJTalk))
    , m_espeak(std::make_unique<EspeakEngine>())
{
    if (m_openJTalkSetup.isUsable()) {
        m_openJTalk = std::make_unique<OpenJTalkEngine>(m_openJTalkSetup);
    }
}

VoiceCatalog::VoiceCatalog(std::shared_ptr<SpeechEngine> engine)
    : m_openJTalkSetup(OpenJTalkSetup::unavailable(QStringLiteral("Open JTalk not used")))
    , m_espeak(std::make_unique<EspeakEngine>())
    , m_only(std::move(engine))
{}

std::shared_ptr<VoiceCatalog> VoiceCatalog::system()
{
    static std::once_flag once;
    static std::shared_ptr<VoiceCatalog> catalog;
    std::call_once(once,
                   [] { catalog = std::make_shared<VoiceCatalog>(OpenJTalkSetup::locate()); });
    return catalog;
}

bool VoiceCatalog::supportsLanguage(qint32 lcid) const
{
    return engineFor(lcid) != nullptr;
}

SpeechEngine* VoiceCatalog::engineFor(qint32 lcid) const
{
    if (m_only) {
        return m_only->supportsLanguage(lcid) ? m_only.get() : nullptr;
    }
    if (m_openJTalk && m_openJTalk->supportsLanguage(lcid)) {
        return m_openJTalk.get();
    }
    return m_espeak->supportsLanguage(lcid) ? m_espeak.get() : nullptr;
}

SpeechEngine* VoiceCatalog::fallbackFor(qint32 lcid) const
{
    if (m_only) {
        return nullptr;
    }
    SpeechEngine* first = engineFor(lcid);
    if (first && first != m_espeak.get() && m_espeak->supportsLanguage(lcid)) {
        return m_espeak.get();
    }
    return nullptr;
}

QString VoiceCatalog::japaneseEngineStatus() const
{
    if (m_openJTalk) {
        return QStringLiteral("Open JTalk (%1)").arg(m_openJTalkSetup.voiceName());
    }
    return QStringLiteral("espeak-ng (%1)").arg(m_openJTalkSetup.problem);
}

} // namespace clipvoice::agent::voice
