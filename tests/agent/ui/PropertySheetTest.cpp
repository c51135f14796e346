#include "UiTestUtil.h"

#include "agent/ui/PropertySheet.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFile>
#include <QLabel>
#include <QPushButton>
#include <QSettings>
#include <QSignalSpy>
#include <QSlider>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice::agent::ui;

namespace {

ServiceOptions changedOptions()
{
    ServiceOptions options;
    options.balloonEnabled = false;
    options.balloonFontFamily = QStringLiteral("IPAPGothic");
    options.balloonFontSize = 14;
    options.balloonFontBold = true;
    options.balloonFontItalic = true;
    options.speechEnabled = false;
    options.soundEffectsEnabled = false;
    options.speechRate = -7;
    return options;
}

void writeFile(const QString& path, const char* text)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

template <typename T> T* child(QWidget* parent, const char* name)
{
    return parent->findChild<T*>(QString::fromLatin1(name));
}

// Voices for English (US) and Russian, and a record of the previews asked for.
class StandInVoices final : public VoiceDirectory
{
public:
    QString languageName(qint32 languageId) const override
    {
        return languageId == 1033 ? QStringLiteral("English (US)") : QStringLiteral("Russian");
    }
    QList<VoiceOption> voices(qint32 languageId) const override
    {
        if (languageId == 1049)
            return {{QStringLiteral("espeak-ng/ru"), QStringLiteral("espeak-ng (ru)")}};
        return {{QStringLiteral("RHVoice/Slt"), QStringLiteral("RHVoice Slt")},
                {QStringLiteral("Flite/slt"), QStringLiteral("Flite slt")},
                {QStringLiteral("espeak-ng/en-us"), QStringLiteral("espeak-ng (en-us)")}};
    }
    QString genderNote(qint32 languageId) const override
    {
        return languageId == 1049 ? QStringLiteral("espeak-ng speaks Russian as a man only")
                                  : QString();
    }
    void preview(qint32 languageId, const QString& key, int rate, int pitch) override
    {
        previews.append(
            QStringLiteral("%1 %2 %3 %4").arg(languageId).arg(key).arg(rate).arg(pitch));
    }
    void stopPreview() override {}
    QStringList previews;
};

} // namespace

class TestPropertySheet : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString iniPath() const { return m_dir.filePath(QStringLiteral("agent.ini")); }

private slots:
    void init() { QFile::remove(iniPath()); }

    void usesItsOwnFileUnderTheConfigFolder()
    {
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_dir.path()));
        QCOMPARE(ServiceSettings::defaultPath(),
                 m_dir.filePath(QStringLiteral("clipvoice/agent.ini")));
        qunsetenv("XDG_CONFIG_HOME");
    }

    void roundTripsThroughTheIniFile()
    {
        ServiceSettings settings(iniPath());
        QCOMPARE(settings.options(), ServiceOptions());
        QVERIFY(settings.setOptions(changedOptions()));
        QVERIFY(QFile::exists(iniPath()));

        const ServiceSettings reread(iniPath());
        QCOMPARE(reread.options(), changedOptions());
        const QSettings raw(iniPath(), QSettings::IniFormat);
        QCOMPARE(raw.value(QStringLiteral("Speech/Rate")).toInt(), -7);

        // A folder that does not exist yet is made.
        const QString nested = m_dir.filePath(QStringLiteral("a/b/agent.ini"));
        QVERIFY(ServiceSettings(nested).setOptions(changedOptions()));
        QCOMPARE(ServiceSettings(nested).options(), changedOptions());
    }

    void brokenValuesFallBackToDefaults()
    {
        writeFile(iniPath(), "[Balloon]\nEnabled=banana\nFontSize=500\nFontBold=2\n"
                             "[Speech]\nEnabled=\nRate=-11\n[Sound]\nEffectsEnabled=yes please\n");
        QCOMPARE(ServiceSettings(iniPath()).options(), ServiceOptions());

        writeFile(iniPath(), "[Speech]\nRate=abc\n[Balloon]\nFontSize=5\nEnabled=false\n");
        ServiceOptions expected;
        expected.balloonEnabled = false;
        QCOMPARE(ServiceSettings(iniPath()).options(), expected);

        writeFile(iniPath(), "\x01\x02 not an ini file [[[ \n=\n");
        QCOMPARE(ServiceSettings(iniPath()).options(), ServiceOptions());

        writeFile(iniPath(), "[Speech]\nRate=10\n[Balloon]\nFontSize=6\n");
        const ServiceOptions edges = ServiceSettings(iniPath()).options();
        QCOMPARE(edges.speechRate, 10);
        QCOMPARE(edges.balloonFontSize, 6);
    }

    void reportsChangesOnlyWhenSomethingChanged()
    {
        ServiceSettings settings(iniPath());
        QSignalSpy changed(&settings, &ServiceSettings::changed);
        settings.setOptions(ServiceOptions());
        QCOMPARE(changed.count(), 0);
        settings.setOptions(changedOptions());
        QCOMPARE(changed.count(), 1);

        ServiceOptions other = changedOptions();
        other.speechRate = 3;
        ServiceSettings(iniPath()).setOptions(other);
        settings.reload();
        QCOMPARE(changed.count(), 2);
        QCOMPARE(settings.options().speechRate, 3);
        settings.reload();
        QCOMPARE(changed.count(), 2);
    }

    void userFontOverridesTheCharactersFont()
    {
        BalloonStyle own;
        own.fontFamily = QStringLiteral("DejaVu Sans");
        own.fontPointSize = 9;
        QCOMPARE(ServiceOptions().applyTo(own), own);
        const BalloonStyle chosen = changedOptions().applyTo(own);
        QCOMPARE(chosen.fontFamily, QStringLiteral("IPAPGothic"));
        QCOMPARE(chosen.fontPointSize, 14);
        QCOMPARE(chosen.fontWeight, static_cast<int>(QFont::Bold));
        QVERIFY(chosen.italic);
        QCOMPARE(chosen.background, own.background);
    }

    void okWritesTheControlsAndCancelDoesNot()
    {
        ServiceSettings settings(iniPath());
        PropertySheet sheet(&settings);
        sheet.setSpeechEngineStatus(QStringLiteral("Open JTalk (mei_normal)"));
        sheet.setEngineInfo(QStringLiteral("ClipVoice キャラクタ サービス"),
                            QStringLiteral("1.0.0"));
        sheet.show();
        QVERIFY(QTest::qWaitForWindowExposed(&sheet));
        auto* balloon = child<QCheckBox>(&sheet, "balloonCheck");
        auto* speech = child<QCheckBox>(&sheet, "speechCheck");
        auto* sounds = child<QCheckBox>(&sheet, "soundCheck");
        auto* rate = child<QSlider>(&sheet, "rateSlider");
        auto* fontButton = child<QPushButton>(&sheet, "fontButton");
        QVERIFY(balloon && speech && sounds && rate && fontButton);
        QVERIFY(balloon->isChecked() && speech->isChecked() && sounds->isChecked());
        QCOMPARE(rate->value(), 0);
        QCOMPARE(child<QLabel>(&sheet, "engineStatus")->text(),
                 QStringLiteral("Open JTalk (mei_normal)"));
        QVERIFY(child<QLabel>(&sheet, "engineVersion")->text().contains(QStringLiteral("1.0.0")));
        uitest::snapshot(&sheet, QStringLiteral("property-sheet"));
        auto* tabs = sheet.findChild<QTabWidget*>();
        tabs->setCurrentIndex(1);
        uitest::snapshot(&sheet, QStringLiteral("property-sheet-about"));
        tabs->setCurrentIndex(0);

        // Cancel leaves the file alone; showing again shows the saved options.
        speech->setChecked(false);
        QVERIFY(!rate->isEnabled());
        sheet.reject();
        QCOMPARE(settings.options(), ServiceOptions());
        sheet.show();
        QVERIFY(speech->isChecked());

        QSignalSpy changed(&settings, &ServiceSettings::changed);
        balloon->setChecked(false);
        QVERIFY(!fontButton->isEnabled());
        sounds->setChecked(false);
        rate->setValue(4);
        QTest::mouseClick(sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Ok),
                          Qt::LeftButton);
        QVERIFY(!sheet.isVisible());
        QCOMPARE(changed.count(), 1);
        const ServiceOptions saved = ServiceSettings(iniPath()).options();
        QVERIFY(!saved.balloonEnabled && saved.speechEnabled && !saved.soundEffectsEnabled);
        QCOMPARE(saved.speechRate, 4);
    }

    void applyKeepsTheDialogOpenAndTheFontComesFromTheChooser()
    {
        ServiceSettings settings(iniPath());
        PropertySheet sheet(&settings);
        sheet.setFontChooser([](const QFont&, QWidget*) -> std::optional<QFont> {
            QFont font(QStringLiteral("IPAPGothic"), 14);
            font.setBold(true);
            return font;
        });
        sheet.show();
        auto* apply = sheet.findChild<QDialogButtonBox*>()->button(QDialogButtonBox::Apply);
        QVERIFY(!apply->isEnabled());
        child<QPushButton>(&sheet, "fontButton")->click();
        QVERIFY(apply->isEnabled());
        QVERIFY(
            child<QLabel>(&sheet, "fontName")->text().startsWith(QStringLiteral("IPAPGothic 14")));
        apply->click();
        QVERIFY(sheet.isVisible());
        QVERIFY(!apply->isEnabled());
        const ServiceOptions saved = ServiceSettings(iniPath()).options();
        QCOMPARE(saved.balloonFontFamily, QStringLiteral("IPAPGothic"));
        QCOMPARE(saved.balloonFontSize, 14);
        QVERIFY(saved.balloonFontBold && !saved.balloonFontItalic);

        // A cancelled font dialog changes nothing; the next one starts from the saved font.
        QFont offered;
        sheet.setFontChooser([&offered](const QFont& current, QWidget*) -> std::optional<QFont> {
            offered = current;
            return std::nullopt;
        });
        child<QPushButton>(&sheet, "fontButton")->click();
        QCOMPARE(offered.family(), QStringLiteral("IPAPGothic"));
        QCOMPARE(offered.pointSize(), 14);
        QVERIFY(!apply->isEnabled());
    }

    void offersTheVoicesOfTheCharactersLanguage()
    {
        ServiceSettings settings(iniPath());
        StandInVoices voices;
        PropertySheet sheet(&settings);
        sheet.setVoiceDirectory(&voices);
        sheet.setLanguage(1033);
        sheet.show();
        auto* combo = child<QComboBox>(&sheet, "voiceCombo");
        QCOMPARE(child<QLabel>(&sheet, "voiceLanguage")->text(), QStringLiteral("English (US)"));
        QCOMPARE(combo->count(), 3);
        QCOMPARE(combo->itemText(0), QStringLiteral("RHVoice Slt（標準）"));
        QCOMPARE(combo->currentIndex(), 0);

        // The preview uses the sheet's rate and pitch, applied or not.
        child<QSlider>(&sheet, "rateSlider")->setValue(3);
        child<QSlider>(&sheet, "pitchSlider")->setValue(-2);
        combo->setCurrentIndex(1);
        emit combo->activated(1);
        child<QPushButton>(&sheet, "previewButton")->click();
        QCOMPARE(voices.previews, QStringList{QStringLiteral("1033 Flite/slt 3 -2")});

        sheet.apply();
        ServiceOptions saved = ServiceSettings(iniPath()).options();
        QCOMPARE(saved.voices.value(1033), QStringLiteral("Flite/slt"));
        QCOMPARE(saved.speechPitch, -2);

        // Going back to the default forgets the choice, so that a more
        // natural voice installed later becomes the default.
        combo->setCurrentIndex(0);
        emit combo->activated(0);
        sheet.apply();
        QVERIFY(!ServiceSettings(iniPath()).options().voices.contains(1033));

        // A language with one voice has nothing to choose.
        sheet.setLanguage(1049);
        QCOMPARE(combo->count(), 1);
        QVERIFY(!combo->isEnabled());
    }

    void aLanguageWithVoicesOfOneGenderIsNoted()
    {
        ServiceSettings settings(iniPath());
        StandInVoices voices;
        PropertySheet sheet(&settings);
        sheet.setVoiceDirectory(&voices);
        sheet.setLanguage(1049);
        sheet.show();
        auto* note = child<QLabel>(&sheet, "voiceNote");
        QVERIFY(!note->isHidden());
        QCOMPARE(note->text(), QStringLiteral("espeak-ng speaks Russian as a man only"));
        sheet.setLanguage(1033);
        QVERIFY(note->isHidden());
    }

    void aChosenVoiceThatIsGoneIsNamedAndKept()
    {
        ServiceSettings settings(iniPath());
        ServiceOptions options;
        options.voices.insert(1033, QStringLiteral("Pico/en-US"));
        QVERIFY(settings.setOptions(options));
        StandInVoices voices;
        PropertySheet sheet(&settings);
        sheet.setVoiceDirectory(&voices);
        sheet.setLanguage(1033);
        sheet.show();
        auto* note = child<QLabel>(&sheet, "voiceNote");
        QVERIFY(!note->isHidden());
        QVERIFY2(note->text().contains(QStringLiteral("Pico/en-US")) &&
                     note->text().contains(QStringLiteral("RHVoice Slt")),
                 qPrintable(note->text()));
        QCOMPARE(child<QComboBox>(&sheet, "voiceCombo")->currentIndex(), 0);
        // OK without touching the voice keeps the choice for when it comes back.
        child<QSlider>(&sheet, "rateSlider")->setValue(2);
        sheet.apply();
        QCOMPARE(ServiceSettings(iniPath()).options().voices.value(1033),
                 QStringLiteral("Pico/en-US"));
    }

    void withoutVoicesOrLanguageThereIsNothingToChoose()
    {
        ServiceSettings settings(iniPath());
        PropertySheet sheet(&settings);
        sheet.show();
        auto* combo = child<QComboBox>(&sheet, "voiceCombo");
        QVERIFY(!combo->isEnabled());
        QVERIFY(!child<QPushButton>(&sheet, "previewButton")->isEnabled());
        sheet.apply();
        QVERIFY(ServiceSettings(iniPath()).options().voices.isEmpty());
    }
};

QTEST_MAIN(TestPropertySheet)
#include "PropertySheetTest.moc"
