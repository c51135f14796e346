// The desktop character service as the program uses it: a character file
// loads into its own window, shows, speaks with real synthesis into a WAV
// file, thinks in a balloon, offers its menu and opens the property sheet.

#include "agent/acs/AcsWriter.h"
#include "agent/acs/testing/SampleCharacter.h"
#include "agent/desktop/BalloonStyleFromCharacter.h"
#include "agent/desktop/DesktopCharacterService.h"
#include "agent/desktop/SpeakerSpeechOutput.h"
#include "agent/desktop/TraceRequestObserver.h"
#include "agent/ui/SpeechBalloon.h"
#include "agent/voice/VoiceCatalog.h"
#include "platform/agent/AgentService.h"

#include <QApplication>
#include <QFile>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

using namespace clipvoice;
using namespace clipvoice::agent;
using platform::agent::RequestStatus;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QTemporaryDir& home()
{
    static QTemporaryDir dir;
    return dir;
}

QWidget* topLevel(const QString& name)
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (widget->objectName() == name)
            return widget;
    }
    return nullptr;
}

} // namespace

class DesktopServiceTest : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_folder;
    std::unique_ptr<platform::agent::AgentService> m_service;
    platform::agent::CharacterPtr m_character;

private slots:
    void initTestCase()
    {
        acs::testing::SampleCharacter::Options options;
        options.animationCount = 4; // Show, Hide, RestPose, Greet
        QString error;
        QVERIFY2(acs::AcsWriter::writeFile(acs::testing::SampleCharacter::build(options),
                                           m_folder.filePath(s("sample.acs")), &error),
                 qPrintable(error));
        QFile broken(m_folder.filePath(s("broken.acs")));
        QVERIFY(broken.open(QIODevice::WriteOnly));
        broken.write("\xC3\xAB\xCD\xAB garbage");
        broken.close();

        m_service = desktop::createDesktopCharacterService(m_folder.path(),
                                                           home().filePath(s("trace.log")));
        QVERIFY(m_service->characters().load(s("clipvoice"), s("sample.acs")).ok());
        m_character = m_service->characters().item(s("clipvoice")).value();
    }

    void cleanupTestCase()
    {
        m_character.reset();
        m_service.reset();
    }

    void brokenFileFailsWithTheReadersMessage()
    {
        const auto result = m_service->characters().load(s("other"), s("broken.acs"));
        QVERIFY(!result.ok());
        QVERIFY2(result.error().contains(s("broken.acs")), qPrintable(result.error()));
        QVERIFY(!m_service->characters().item(s("other")).ok());
    }

    void showPutsTheCharacterInItsOwnWindow()
    {
        const auto request = m_character->show();
        QVERIFY(request.ok());
        QTRY_COMPARE_WITH_TIMEOUT(request.value()->status(), RequestStatus::Done, 10000);
        QVERIFY(m_character->visible().value());
        QWidget* window = topLevel(s("CharacterWindow"));
        QVERIFY(window != nullptr);
        QVERIFY(window->isVisible());
        QCOMPARE(window->size(), QSize(128, 128));
    }

    void speechIsHeardAndTheBalloonShowsIt()
    {
        QVERIFY(m_character->setLanguageId(1033).ok());
        const auto request = m_character->speak(s("Hello there."));
        QVERIFY(request.ok());
        auto* balloon = qobject_cast<ui::SpeechBalloon*>(topLevel(s("SpeechBalloon")));
        QTRY_VERIFY_WITH_TIMEOUT(balloon != nullptr ||
                                     (balloon = qobject_cast<ui::SpeechBalloon*>(
                                          topLevel(s("SpeechBalloon")))) != nullptr,
                                 10000);
        QTRY_VERIFY_WITH_TIMEOUT(balloon->isVisible(), 10000);
        QCOMPARE(balloon->text(), s("Hello there."));
        QTRY_COMPARE_WITH_TIMEOUT(request.value()->status(), RequestStatus::Done, 20000);
        QCOMPARE(balloon->revealed(), s("Hello there.").size());

        // Everything heard went to the WAV file, and it is not silence.
        QFile wav(home().filePath(s("audio.wav")));
        QVERIFY(wav.open(QIODevice::ReadOnly));
        const QByteArray bytes = wav.readAll();
        QVERIFY(bytes.startsWith("RIFF"));
        QVERIFY(bytes.size() > 44 + 4800);
        int loud = 0;
        for (qsizetype i = 44; i + 1 < bytes.size(); i += 2) {
            const auto sample =
                static_cast<qint16>(quint16(quint8(bytes[i])) | quint16(quint8(bytes[i + 1])) << 8);
            if (sample > 2000 || sample < -2000)
                ++loud;
        }
        QVERIFY2(loud > 100, qPrintable(QString::number(loud)));
    }

    void speechIsSavedToAFileWithoutBeingHeard()
    {
        QVERIFY(m_character->setLanguageId(1033).ok());
        QFile heard(home().filePath(s("audio.wav")));
        const qint64 heardBefore = heard.size();
        const QString path = home().filePath(s("saved.wav"));
        const auto request = m_character->saveSpeech(s("Saved, not spoken.\nA second line."), path);
        QVERIFY(request.ok());
        QTRY_COMPARE_WITH_TIMEOUT(request.value()->status(), RequestStatus::Done, 30000);
        QFile saved(path);
        QVERIFY(saved.open(QIODevice::ReadOnly));
        const QByteArray bytes = saved.readAll();
        QVERIFY(bytes.startsWith("RIFF"));
        QVERIFY(bytes.size() > 44 + 48000);  // more than half a second at 48 kHz
        QCOMPARE(heard.size(), heardBefore); // nothing more was played

        // A folder that is not there fails the request; the message box tells why.
        const auto failed = m_character->saveSpeech(s("Lost."), home().filePath(s("no/x.ogg")));
        QVERIFY(failed.ok());
        QTRY_COMPARE_WITH_TIMEOUT(failed.value()->status(), RequestStatus::Failed, 30000);
        QMessageBox* box = nullptr;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* found = qobject_cast<QMessageBox*>(widget); found && found->isVisible())
                box = found;
        }
        QVERIFY(box != nullptr);
        QVERIFY2(box->text().contains(home().filePath(s("no/x.ogg"))), qPrintable(box->text()));
        box->close();
    }

    void languageWithoutVoiceIsRefused() { QVERIFY(!m_character->setLanguageId(9999).ok()); }

    void thinkShowsAThoughtWithoutSpeech()
    {
        const auto request = m_character->think(s("oops!"));
        QVERIFY(request.ok());
        auto* balloon = qobject_cast<ui::SpeechBalloon*>(topLevel(s("SpeechBalloon")));
        QVERIFY(balloon != nullptr);
        QTRY_VERIFY_WITH_TIMEOUT(balloon->isVisible() && balloon->text() == s("oops!"), 10000);
        QCOMPARE(balloon->kind(), ui::SpeechBalloon::Kind::Thought);
        QTRY_COMPARE_WITH_TIMEOUT(request.value()->status(), RequestStatus::Done, 10000);
    }

    void propertySheetOpens()
    {
        QVERIFY(m_service->setPropertySheetVisible(true).ok());
        QWidget* sheet = topLevel(s("PropertySheet"));
        QVERIFY(sheet != nullptr);
        QVERIFY(sheet->isVisible());
        sheet->hide();
    }

    void traceHoldsEachRequestsStartAndEnd()
    {
        QFile trace(home().filePath(s("trace.log")));
        QVERIFY(trace.open(QIODevice::ReadOnly));
        const QString text = QString::fromUtf8(trace.readAll());
        QVERIFY2(text.contains(s("started: Speak \"Hello there.\"")), qPrintable(text));
        QVERIFY(text.contains(s("finished: done")));
        QVERIFY2(text.contains(s("started: SaveSpeech \"") + home().filePath(s("saved.wav"))),
                 qPrintable(text));
        QVERIFY(text.contains(s("speech file saved: ")));
        QVERIFY(text.contains(s("speech file failed: ")));
        // Which voice spoke the line, and that words and mouth moved with it.
        const QString voice = voice::VoiceCatalog::system()->select(1033).voice.key();
        QVERIFY2(text.contains(s("speech voice: ") + voice), qPrintable(text));
        static const QRegularExpression ended(
            s("speech ended: (\\S+), (\\d+) words, (\\d+) mouth changes"));
        const QRegularExpressionMatch match = ended.match(text);
        QVERIFY2(match.hasMatch(), qPrintable(text));
        QCOMPARE(match.captured(1), voice);
        QCOMPARE(match.captured(2).toInt(), 2); // "Hello" and "there."
        QVERIFY2(match.captured(3).toInt() >= 4, qPrintable(match.captured(0)));
    }

    void balloonStyleFollowsTheCharacterWithinReason()
    {
        acs::BalloonInfo info;
        info.lines = 200;
        info.charsPerLine = 0;
        info.fontHeight = -16;
        info.fontWeight = 700;
        info.background = qRgb(1, 2, 3);
        const ui::BalloonStyle style = desktop::balloonStyleFor(info);
        QCOMPARE(style.lines, 8);
        QCOMPARE(style.charsPerLine, 8);
        QCOMPARE(style.fontPointSize, 12);
        QCOMPARE(style.fontWeight, 700);
        QCOMPARE(style.background, QColor(1, 2, 3));
        QCOMPARE(desktop::balloonStyleFor(std::nullopt), ui::BalloonStyle{});
        QCOMPARE(desktop::SpeakerSpeechOutput::speedForRate(0), 50);
        QCOMPARE(desktop::SpeakerSpeechOutput::speedForRate(-10), 0);
        QCOMPARE(desktop::SpeakerSpeechOutput::speedForRate(10), 100);
        QCOMPARE(desktop::SpeakerSpeechOutput::speedForRate(99), 100);
    }
};

int main(int argc, char** argv)
{
    qputenv("XDG_CONFIG_HOME", home().path().toUtf8());
    qputenv("CLIPVOICE_AUDIO_FILE", home().filePath(s("audio.wav")).toUtf8());
    QApplication application(argc, argv);
    DesktopServiceTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "DesktopServiceTest.moc"
