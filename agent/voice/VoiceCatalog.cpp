#include "agent/voice/VoiceCatalog.h"

#include "agent/voice/InstalledEngines.h"
#include "agent/voice/LanguageVoices.h"
#include "agent/voice/OpenJTalkEngine.h"
#include "agent/voice/VoiceRanking.h"

#include <algorithm>
#include <mutex>

namespace clipvoice::agent::voice {

VoiceCatalog::VoiceCatalog(OpenJTalkSetup openJTalk)
    : VoiceCatalog(std::move(openJTalk), findInstalledEngines())
{}

VoiceCatalog::VoiceCatalog(OpenJTalkSetup openJTalk,
                           std::vector<std::shared_ptr<SpeechEngine>> engines)
    : m_openJTalkSetup(std::move(openJTalk))
    , m_espeak(std::make_shared<EspeakEngine>())
{
    if (m_openJTalkSetup.isUsable()) {
        m_engines.push_back(std::make_shared<OpenJTalkEngine>(m_openJTalkSetup));
        m_hasOpenJTalk = true;
    }
    for (auto& engine : engines) {
        if (engine) {
            m_engines.push_back(std::move(engine));
        }
    }
    m_engines.push_back(m_espeak);
}

VoiceCatalog::VoiceCatalog(std::shared_ptr<SpeechEngine> engine)
    : m_openJTalkSetup(OpenJTalkSetup::unavailable(QStringLiteral("Open JTalk not used")))
    , m_espeak(std::make_shared<EspeakEngine>())
    , m_onlyOne(true)
{
    m_engines.push_back(std::move(engine));
}

std::shared_ptr<VoiceCatalog> VoiceCatalog::system()
{
    static std::once_flag once;
    static std::shared_ptr<VoiceCatalog> catalog;
    std::call_once(once,
                   [] { catalog = std::make_shared<VoiceCatalog>(OpenJTalkSetup::locate()); });
    return catalog;
}

QList<VoiceCatalog::Entry> VoiceCatalog::entriesFor(qint32 lcid) const
{
    QList<Entry> entries;
    for (const auto& engine : m_engines) {
        if (!engine->supportsLanguage(lcid)) {
            continue;
        }
        bool listed = false;
        for (VoiceInfo voice : engine->voices()) {
            if (voice.speaks(lcid)) {
                voice.quality = VoiceRanking::qualityOf(voice.key(), voice.quality);
                entries.append({engine.get(), voice});
                listed = true;
            }
        }
        if (!listed) {
            // An engine that names no voices speaks with its own choice.
            VoiceInfo voice;
            voice.engine = engine->name();
            voice.label = engine->name();
            voice.languages = {lcid};
            entries.append({engine.get(), voice});
        }
    }
    std::stable_sort(entries.begin(), entries.end(), [](const Entry& a, const Entry& b) {
        return a.voice.quality > b.voice.quality;
    });
    return entries;
}

bool VoiceCatalog::supportsLanguage(qint32 lcid) const
{
    return engineFor(lcid) != nullptr;
}

QList<VoiceInfo> VoiceCatalog::voicesFor(qint32 lcid) const
{
    QList<VoiceInfo> voices;
    for (const Entry& entry : entriesFor(lcid)) {
        voices.append(entry.voice);
    }
    return voices;
}

VoiceSelection VoiceCatalog::select(qint32 lcid, const QString& chosenKey) const
{
    const QList<Entry> entries = entriesFor(lcid);
    VoiceSelection selection;
    if (entries.isEmpty()) {
        selection.fellBack = !chosenKey.isEmpty();
        return selection;
    }
    const auto chosen = std::find_if(entries.begin(), entries.end(), [&chosenKey](const Entry& e) {
        return !chosenKey.isEmpty() && e.voice.key() == chosenKey;
    });
    const Entry& entry = chosen != entries.end() ? *chosen : entries.front();
    selection.engine = entry.engine;
    selection.voice = entry.voice;
    selection.fellBack = !chosenKey.isEmpty() && chosen == entries.end();
    return selection;
}

SpeechEngine* VoiceCatalog::engineFor(qint32 lcid) const
{
    return select(lcid).engine;
}

SpeechEngine* VoiceCatalog::fallbackFor(qint32 lcid, const SpeechEngine* engine) const
{
    if (m_onlyOne) {
        return nullptr;
    }
    if (engine == nullptr) {
        engine = engineFor(lcid);
    }
    if (engine && engine != m_espeak.get() && m_espeak->supportsLanguage(lcid)) {
        return m_espeak.get();
    }
    return nullptr;
}

SpeechEngine* VoiceCatalog::engineNamed(const QString& name) const
{
    for (const auto& engine : m_engines) {
        if (engine->name() == name) {
            return engine.get();
        }
    }
    return nullptr;
}

QString VoiceCatalog::japaneseEngineStatus() const
{
    if (m_hasOpenJTalk) {
        return QStringLiteral("Open JTalk (%1)").arg(m_openJTalkSetup.voiceName());
    }
    return QStringLiteral("espeak-ng (%1)").arg(m_openJTalkSetup.problem);
}

} // namespace clipvoice::agent::voice
