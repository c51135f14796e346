// The voices the property sheet offers for a language, with their genders,
// and the note it shows when the engine that speaks a language has voices of
// one gender only (so a character of the other speaks with them).

#include "agent/desktop/CatalogVoiceDirectory.h"
#include "../voice/VoiceTestUtil.h"
#include "agent/voice/VoiceCatalog.h"

#include <QTest>

using namespace clipvoice::agent;
using voice::testing::listedEngine;
using voice::testing::voiceOf;

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
                listedEngine("Flite", {voiceOf("Flite", "clara", 1033, VoiceGender::Female, 70),
                                       voiceOf("Flite", "mark", 1033, VoiceGender::Male, 60)}),
                listedEngine("RHVoice",
                             {voiceOf("RHVoice", "Anna", 1049, VoiceGender::Female, 80)})});
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
