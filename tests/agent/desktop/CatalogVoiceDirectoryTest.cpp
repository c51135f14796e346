// The voices the property sheet offers for a language, with their genders,
// and the note it shows when the engine that speaks a language has voices of
// one gender only (so a character of the other speaks with them).

#include "agent/desktop/CatalogVoiceDirectory.h"
#include "../voice/VoiceTestUtil.h"
#include "agent/voice/VoiceCatalog.h"

#include <QTest>

using namespace clipvoice::agent;
using voice::testing::FakeEngine;
using voice::testing::ListedLanguagesEngine;

namespace {

voice::VoiceInfo voiceOf(const char* engine, const char* id, qint32 language,
                         voice::VoiceGender gender, int quality)
{
    voice::VoiceInfo info;
    info.engine = QString::fromLatin1(engine);
    info.id = QString::fromLatin1(id);
    info.label = info.id;
    info.languages = {language};
    info.gender = gender;
    info.quality = quality;
    return info;
}

std::shared_ptr<voice::SpeechEngine> engine(const char* name, const QList<voice::VoiceInfo>& voices)
{
    auto fake = std::make_shared<FakeEngine>();
    fake->setName(QString::fromLatin1(name));
    fake->setVoices(voices);
    return std::make_shared<ListedLanguagesEngine>(fake);
}

} // namespace

class CatalogVoiceDirectoryTest : public QObject
{
    Q_OBJECT

private slots:
    void aLanguageWithOneGenderIsNoted()
    {
        using voice::VoiceGender;
        auto catalog = std::make_shared<voice::VoiceCatalog>(
            voice::OpenJTalkSetup::unavailable(QStringLiteral("not in this test")),
            std::vector<std::shared_ptr<voice::SpeechEngine>>{
                engine("Flite", {voiceOf("Flite", "clara", 1033, VoiceGender::Female, 70),
                                 voiceOf("Flite", "mark", 1033, VoiceGender::Male, 60)}),
                engine("RHVoice", {voiceOf("RHVoice", "Anna", 1049, VoiceGender::Female, 80)})});
        desktop::CatalogVoiceDirectory directory(catalog);

        // Both genders in the engine that speaks English: nothing to say.
        QCOMPARE(directory.genderNote(1033), QString());
        const QList<ui::VoiceOption> english = directory.voices(1033);
        QCOMPARE(english.first().label, QStringLiteral("clara・女性"));
        QCOMPARE(english.at(1).label, QStringLiteral("mark・男性"));

        // RHVoice reads Russian with a woman only; espeak-ng's man does not
        // count, as RHVoice is what speaks.
        const QString russian = directory.genderNote(1049);
        QVERIFY2(russian.contains(QStringLiteral("RHVoice")) &&
                     russian.contains(QStringLiteral("女性だけ")),
                 qPrintable(russian));
        // espeak-ng alone: a man's voice and its female variant.
        QCOMPARE(directory.genderNote(1035), QString());
        // Not a language of ours.
        QCOMPARE(directory.genderNote(9999), QString());
    }
};

QTEST_GUILESS_MAIN(CatalogVoiceDirectoryTest)
#include "CatalogVoiceDirectoryTest.moc"
