// Which voice speaks each language: the most natural one installed by
// default, the user's choice when it is installed, the default again when the
// chosen voice goes away; and the choice kept across a restart. Stand-in
// engines play the installed voices (Flite's under names that were never
// measured, so only the figures given here rank them).

#include "ManualPlayback.h"
#include "VoiceTestUtil.h"

#include "agent/ui/ServiceSettings.h"
#include "agent/voice/Speaker.h"
#include "agent/voice/VoiceCatalog.h"
#include "agent/voice/VoiceRanking.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>

using namespace clipvoice::agent;
using namespace clipvoice::agent::voice;
using voice::testing::FakeEngine;
using voice::testing::ListedLanguagesEngine;
using voice::testing::ManualPlayback;

namespace {

VoiceInfo makeVoice(const QString& engine, const QString& id, QList<qint32> languages, int quality)
{
    VoiceInfo info;
    info.engine = engine;
    info.id = id;
    info.label = engine + QLatin1Char(' ') + id;
    info.languages = std::move(languages);
    info.quality = quality;
    return info;
}

std::shared_ptr<FakeEngine> engine(const QString& name, const QList<VoiceInfo>& voices)
{
    auto fake = std::make_shared<FakeEngine>();
    fake->setName(name);
    fake->setVoices(voices);
    return fake;
}

OpenJTalkSetup noOpenJTalk()
{
    return OpenJTalkSetup::unavailable(QStringLiteral("not in this test"));
}

QStringList keys(const QList<VoiceInfo>& voices)
{
    QStringList result;
    for (const VoiceInfo& v : voices)
        result << v.key();
    return result;
}

} // namespace

class VoiceChoiceTest : public QObject
{
    Q_OBJECT

private:
    std::shared_ptr<FakeEngine> m_rhvoice = engine(
        QStringLiteral("RHVoice"),
        {makeVoice(QStringLiteral("RHVoice"), QStringLiteral("Slt"), {1033}, VoiceRanking::RHVoice),
         makeVoice(QStringLiteral("RHVoice"), QStringLiteral("Aleksandr"), {1049},
                   VoiceRanking::RHVoice)});
    std::shared_ptr<FakeEngine> m_flite =
        engine(QStringLiteral("Flite"), {makeVoice(QStringLiteral("Flite"), QStringLiteral("deep"),
                                                   {1033}, VoiceRanking::FliteDiphone16k),
                                         makeVoice(QStringLiteral("Flite"), QStringLiteral("clear"),
                                                   {1033}, VoiceRanking::FliteClusterGen)});

    std::vector<std::shared_ptr<SpeechEngine>> installed(bool withRhvoice)
    {
        std::vector<std::shared_ptr<SpeechEngine>> engines;
        if (withRhvoice)
            engines.push_back(std::make_shared<ListedLanguagesEngine>(m_rhvoice));
        engines.push_back(std::make_shared<ListedLanguagesEngine>(m_flite));
        return engines;
    }

private slots:
    void theMostNaturalInstalledVoiceIsTheDefault()
    {
        const VoiceCatalog catalog(noOpenJTalk(), installed(true));
        QCOMPARE(keys(catalog.voicesFor(1033)),
                 (QStringList{QStringLiteral("RHVoice/Slt"), QStringLiteral("Flite/deep"),
                              QStringLiteral("Flite/clear"), QStringLiteral("espeak-ng/en-us"),
                              QStringLiteral("espeak-ng/en-us+f3")}));
        QCOMPARE(catalog.select(1033).voice.key(), QStringLiteral("RHVoice/Slt"));
        QCOMPARE(catalog.select(1049).voice.key(), QStringLiteral("RHVoice/Aleksandr"));
        // Languages no better engine speaks keep espeak-ng.
        QCOMPARE(catalog.select(1035).voice.key(), QStringLiteral("espeak-ng/fi"));
        QCOMPARE(catalog.select(1035).engine->name(), QStringLiteral("espeak-ng"));
        // Both Chinese identifiers share one espeak-ng voice.
        QCOMPARE(catalog.select(1028).voice.key(), catalog.select(2052).voice.key());
        QVERIFY(!catalog.select(1033).fellBack);
        // Not a language of ours.
        QVERIFY(catalog.select(9999).engine == nullptr);
        QVERIFY(!catalog.supportsLanguage(9999));
    }

    void aChosenVoiceSpeaksAndAMissingOneFallsBack()
    {
        const VoiceCatalog catalog(noOpenJTalk(), installed(true));
        const VoiceSelection chosen = catalog.select(1033, QStringLiteral("Flite/clear"));
        QCOMPARE(chosen.engine->name(), QStringLiteral("Flite"));
        QCOMPARE(chosen.voice.id, QStringLiteral("clear"));
        QVERIFY(!chosen.fellBack);

        // A voice for another language is no choice for this one.
        const VoiceSelection wrongLanguage =
            catalog.select(1033, QStringLiteral("RHVoice/Aleksandr"));
        QCOMPARE(wrongLanguage.voice.key(), QStringLiteral("RHVoice/Slt"));
        QVERIFY(wrongLanguage.fellBack);

        // RHVoice removed: its voice falls back to the next most natural.
        const VoiceCatalog without(noOpenJTalk(), installed(false));
        const VoiceSelection fallback = without.select(1033, QStringLiteral("RHVoice/Slt"));
        QCOMPARE(fallback.voice.key(), QStringLiteral("Flite/deep"));
        QVERIFY(fallback.fellBack);
        QCOMPARE(without.select(1049).voice.key(), QStringLiteral("espeak-ng/ru"));
    }

    void theSpeakerSpeaksWithTheChosenVoiceAndNamesIt()
    {
        auto catalog = std::make_shared<VoiceCatalog>(noOpenJTalk(), installed(true));
        ManualPlayback playback;
        Speaker speaker(catalog, std::make_unique<ClockOutput>(playback.scheduler),
                        playback.scheduler);
        QSignalSpy started(&speaker, &Speaker::lineStarted);
        QSignalSpy finished(&speaker, &Speaker::lineFinished);

        speaker.speak(QStringLiteral("default voice"), 1033);
        QVERIFY(playback.runUntil([&] { return finished.size() == 1; }, 10000));
        QCOMPARE(started.at(0).at(1).toString(), QStringLiteral("RHVoice"));
        QCOMPARE(started.at(0).at(2).toString(), QStringLiteral("Slt"));
        QCOMPARE(m_rhvoice->requests().last().voice, QStringLiteral("Slt"));

        speaker.setVoiceChoice(1033, QStringLiteral("Flite/clear"));
        speaker.setPitch(80);
        speaker.speak(QStringLiteral("chosen voice"), 1033);
        QVERIFY(playback.runUntil([&] { return finished.size() == 2; }, 10000));
        QCOMPARE(started.at(1).at(1).toString(), QStringLiteral("Flite"));
        QCOMPARE(started.at(1).at(2).toString(), QStringLiteral("clear"));
        QCOMPARE(m_flite->requests().last().voice, QStringLiteral("clear"));
        QCOMPARE(m_flite->requests().last().pitch, 80);
        QCOMPARE(speaker.selectedVoice(1033).voice.key(), QStringLiteral("Flite/clear"));

        // Another language keeps its own default.
        QCOMPARE(speaker.selectedVoice(1049).voice.key(), QStringLiteral("RHVoice/Aleksandr"));
        speaker.setVoiceChoice(1033, QString());
        QCOMPARE(speaker.selectedVoice(1033).voice.key(), QStringLiteral("RHVoice/Slt"));
    }

    void theChoiceIsKeptAcrossARestart()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("agent.ini"));
        {
            ui::ServiceSettings settings(path);
            ui::ServiceOptions options = settings.options();
            options.voices.insert(1033, QStringLiteral("Flite/clear"));
            options.voices.insert(1049, QStringLiteral("RHVoice/Aleksandr"));
            options.speechPitch = -4;
            QVERIFY(settings.setOptions(options));
        }
        ui::ServiceSettings again(path);
        QCOMPARE(again.options().voices.value(1033), QStringLiteral("Flite/clear"));
        QCOMPARE(again.options().voices.value(1049), QStringLiteral("RHVoice/Aleksandr"));
        QCOMPARE(again.options().speechPitch, -4);

        // Removing a choice removes it from the file too.
        ui::ServiceOptions options = again.options();
        options.voices.remove(1049);
        QVERIFY(again.setOptions(options));
        QCOMPARE(ui::ServiceSettings(path).options().voices.keys(), QList<qint32>{1033});
    }

    void damagedChoicesInTheFileAreSkipped()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("agent.ini"));
        QFile file(path);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write("[Voices]\n1033=Flite/clear\nabc=Flite/clear\n-5=Flite/clear\n1036=\n"
                   "1031=no-engine-name\n2057=" +
                   QByteArray(300, 'x') + "/long\n[Speech]\nPitch=99\n");
        file.close();
        const ui::ServiceSettings settings(path);
        QCOMPARE(settings.options().voices.size(), 1);
        QCOMPARE(settings.options().voices.value(1033), QStringLiteral("Flite/clear"));
        QCOMPARE(settings.options().speechPitch, 0); // out of range reads as the default
    }
};

QTEST_GUILESS_MAIN(VoiceChoiceTest)
#include "VoiceChoiceTest.moc"
