// The main window's behaviour through its controls, with every platform
// service replaced by a recording double.

#include "TestPlatform.h"
#include "app/Form1.h"
#include "app/StartupError.h"
#include "platform/SessionEvents.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QPlainTextEdit>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <memory>
#include <thread>

using namespace clipvoice;
using platform::agent::testing::RecordingAgentService;

namespace {
QString s(const char* text)
{
    return QString::fromUtf8(text);
}
} // namespace

class Form1BehaviourTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<TestPlatform> m_platform;
    RecordingAgentService* m_agent = nullptr;
    platform::testing::MemorySettingsStore* m_settings = nullptr;
    platform::testing::RecordingClipboard* m_clipboard = nullptr;
    platform::testing::RecordingTrayIcon* m_tray = nullptr;
    platform::testing::ScriptedRandom* m_random = nullptr;
    std::unique_ptr<app::Form1> m_form;

    template <typename T = QWidget> T* control(const char* name)
    {
        T* widget = m_form->findChild<T*>(QLatin1String(name));
        if (widget == nullptr)
            qFatal("no control %s", name);
        return widget;
    }

    std::unique_ptr<app::Form1> makeForm()
    {
        return std::make_unique<app::Form1>(m_platform->services());
    }

    void clickNode(const QString& text)
    {
        auto* tree = control<QTreeWidget>("TreeView1");
        const QList<QTreeWidgetItem*> found =
            tree->findItems(text, Qt::MatchExactly | Qt::MatchRecursive);
        QVERIFY2(!found.isEmpty(), qPrintable(text));
        const QRect rect = tree->visualItemRect(found.first());
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {}, rect.center());
    }

    void tick() { QMetaObject::invokeMethod(control<QTimer>("Timer1"), "timeout"); }

private slots:
    void init()
    {
        m_platform = std::make_unique<TestPlatform>();
        QDir chars(m_platform->windows.filePath(s("msagent/chars")));
        for (const char* name : {"Merlin.acs", "bubble.acs"}) {
            QFile f(chars.filePath(s(name)));
            QVERIFY(f.open(QIODevice::WriteOnly));
        }
        m_agent = &m_platform->agent;
        m_settings = &m_platform->settings;
        m_clipboard = &m_platform->clipboard;
        m_tray = &m_platform->tray;
        m_random = &m_platform->random;
        m_settings->values.insert(s("clipvoice/q7a/lang"), s("8"));
        m_form = makeForm();
        QCOMPARE(m_form->load(), app::StartupOutcome::Started);
        m_form->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
    }

    void cleanup()
    {
        m_form.reset();
        m_platform.reset();
    }

    void startupFillsTreeAndPickerAndAddsTrayIcon()
    {
        QCOMPARE(m_tray->calls, QStringList{s("add")});
        QCOMPARE(m_tray->addedTip, s("ClipVoice 1.0"));
        auto* tree = control<QTreeWidget>("TreeView1");
        QCOMPARE(tree->topLevelItemCount(), 2);
        QCOMPARE(tree->topLevelItem(0)->child(0)->text(0), s("merlin"));
        QCOMPARE(tree->topLevelItem(1)->child(0)->text(0), s("bubble"));
        auto* picker = control<QComboBox>("ImageCombo1");
        QCOMPARE(picker->count(), 31);
        QCOMPARE(picker->itemText(0), s("Japanese"));
        QCOMPARE(picker->itemText(30), s("Spanish"));
        QVERIFY(!picker->itemIcon(0).isNull());
        QCOMPARE(picker->currentIndex(), 7); // the stored "8": German
        QVERIFY(m_agent->lines().isEmpty()); // no character is loaded at start
    }

    void missingCharacterFolderAbandonsStartup()
    {
        m_form.reset();
        m_platform->folders.windowsDir = m_platform->windows.filePath(s("nowhere"));
        auto form = makeForm();
        try {
            (void)form->load();
            QFAIL("start-up went on without a character folder");
        } catch (const app::StartupError& error) {
            QVERIFY2(
                error.message().contains(m_platform->windows.filePath(s("nowhere/msagent/chars"))),
                qPrintable(error.message()));
        }
    }

    void clickOnCharacterLoadsItAndRootDoesNothing()
    {
        clickNode(s("オリジナルキャラクタ"));
        QVERIFY(m_agent->lines().isEmpty());
        clickNode(s("merlin"));
        QCOMPARE(m_agent->lines(s("Characters.Load")),
                 QStringList{s("Characters.Load(\"clipvoice\", \"Merlin.acs\") -> ok")});
        QVERIFY(m_form->isCharacterLoaded());
        QCOMPARE(m_random->reseeds, 1);
    }

    void clipboardIsReadOnlyOnceACharacterIsLoaded()
    {
        m_clipboard->setText(s("before"));
        tick();
        QCOMPARE(m_clipboard->heldText, s("before"));
        QVERIFY(m_clipboard->calls.isEmpty());

        m_form->LoadCharacter(s("Merlin.acs"));
        control<QCheckBox>("Check2")->setChecked(false);
        m_agent->clear();
        tick();
        QVERIFY(m_clipboard->isEmpty());
        QCOMPARE(m_agent->lines(s("Speak")), QStringList{s("Speak(\"before\", omitted) -> ok")});
        QCOMPARE(m_agent->lines(s("LanguageID")), QStringList{s("LanguageID(1031) -> ok")});
    }

    void aTextReadInTheBackgroundIsTakenWhenItArrives()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        control<QCheckBox>("Check2")->setChecked(false);
        m_agent->clear();
        m_clipboard->deferReads = true;
        m_clipboard->setText(s("first"));
        tick();
        tick(); // skipped: the first read is still under way
        QCOMPARE(m_clipboard->pendingReads.size(), 1);
        QCOMPARE(m_clipboard->heldText, s("first"));
        m_clipboard->deliverRead();
        QVERIFY(m_clipboard->isEmpty());
        QCOMPARE(m_agent->lines(s("Speak")), QStringList{s("Speak(\"first\", omitted) -> ok")});

        // A read that arrives after the character went away takes nothing.
        m_clipboard->setText(s("second"));
        tick();
        m_agent->fail(s("Characters.Load"));
        m_form->LoadCharacter(s("Merlin.acs"));
        QVERIFY(!m_form->isCharacterLoaded());
        m_clipboard->deliverRead();
        QCOMPARE(m_clipboard->heldText, s("second"));
        QCOMPARE(m_agent->lines(s("Speak")).size(), 1);
    }

    void watchingSwitchedOffDuringAReadTakesNothing()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        m_agent->clear();
        m_clipboard->deferReads = true;
        m_clipboard->setText(s("copied"));
        tick();
        QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
        QVERIFY(!control<QTimer>("Timer1")->isActive());
        m_clipboard->deliverRead();
        QCOMPARE(m_clipboard->heldText, s("copied"));
        QVERIFY(m_agent->lines(s("Speak")).isEmpty());

        // Watching again: the text is taken at the next tick.
        QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
        control<QCheckBox>("Check2")->setChecked(false);
        tick();
        m_clipboard->deliverRead();
        QVERIFY(m_clipboard->isEmpty());
        QCOMPARE(m_agent->lines(s("Speak")), QStringList{s("Speak(\"copied\", omitted) -> ok")});
    }

    void textCopiedDuringAReadIsLeftForTheNextTick()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        control<QCheckBox>("Check2")->setChecked(false);
        m_agent->clear();
        m_clipboard->deferReads = true;
        m_clipboard->setText(s("first"));
        tick();
        const platform::ClipboardRead seen = m_clipboard->markedRead();
        m_clipboard->setText(s("second"));
        m_clipboard->deliverRead(seen);
        QCOMPARE(m_clipboard->heldText, s("second"));
        QVERIFY(m_agent->lines(s("Speak")).isEmpty());

        tick();
        m_clipboard->deliverRead();
        QVERIFY(m_clipboard->isEmpty());
        QCOMPARE(m_agent->lines(s("Speak")), QStringList{s("Speak(\"second\", omitted) -> ok")});
    }

    void uncheckingTheClipboardBoxStopsTheTimer()
    {
        auto* timer = control<QTimer>("Timer1");
        QVERIFY(timer->isActive());
        QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
        QVERIFY(!timer->isActive());
        QTest::mouseClick(control<QCheckBox>("Check1"), Qt::LeftButton);
        QVERIFY(timer->isActive());
        QCOMPARE(timer->interval(), 2000);
    }

    void speakStopAndClearCommands()
    {
        auto* text = control<QPlainTextEdit>("Text1");
        // Nothing loaded: speak and stop do nothing.
        text->setPlainText(s("a"));
        QTest::mouseClick(control("Label3"), Qt::LeftButton);
        QTest::mouseClick(control("Label4"), Qt::LeftButton);
        QVERIFY(m_agent->lines().isEmpty());

        m_form->LoadCharacter(s("Merlin.acs"));
        control<QCheckBox>("Check2")->setChecked(false);
        m_agent->clear();
        text->setPlainText(s("line one\nline two"));
        QTest::mouseClick(control("Label3"), Qt::LeftButton);
        QCOMPARE(m_agent->lines(s("Speak")),
                 (QStringList{s("Speak(\"line one\", omitted) -> ok"),
                              s("Speak(\"line two\", omitted) -> ok")}));
        QCOMPARE(text->toPlainText(), s("line one\nline two"));
        QVERIFY(m_clipboard->calls.isEmpty()); // speaking the box leaves the clipboard alone

        m_agent->clear();
        QTest::mouseClick(control("Label4"), Qt::LeftButton);
        QCOMPARE(m_agent->lines(),
                 (QStringList{s("Stop(omitted) -> ok"), s("Think(\"oops!\") -> ok")}));
        // A failing stop still shows the thought.
        m_agent->clear();
        m_agent->fail(s("Stop"));
        QTest::mouseClick(control("Label4"), Qt::LeftButton);
        QCOMPARE(m_agent->lines(s("Think")), QStringList{s("Think(\"oops!\") -> ok")});

        QTest::mouseClick(control("Label5"), Qt::LeftButton);
        QVERIFY(text->toPlainText().isEmpty());
        m_agent->clear();
        QTest::mouseClick(control("Label3"), Qt::LeftButton);
        QVERIFY(m_agent->lines().isEmpty());
    }

    void doubleClickOnAHotSpotRunsItsCommandOnce()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        control<QCheckBox>("Check2")->setChecked(false);
        m_agent->clear();
        // What the window system sends for a double-click.
        const auto doubleClick = [](QWidget* target) {
            const QPointF at(3, 3);
            const QPointF global = target->mapToGlobal(at);
            for (const QEvent::Type type :
                 {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                  QEvent::MouseButtonRelease}) {
                const Qt::MouseButtons held =
                    type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton;
                QMouseEvent event(type, at, global, Qt::LeftButton, held, Qt::NoModifier);
                QApplication::sendEvent(target, &event);
            }
        };
        doubleClick(control("Label4"));
        QCOMPARE(m_agent->lines(),
                 (QStringList{s("Stop(omitted) -> ok"), s("Think(\"oops!\") -> ok")}));

        m_agent->clear();
        control<QPlainTextEdit>("Text1")->setPlainText(s("once"));
        doubleClick(control("Label3"));
        QCOMPARE(m_agent->lines(s("Speak")), QStringList{s("Speak(\"once\", omitted) -> ok")});
    }

    void clickOnARootKeepsTheRestOfALongText()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        control<QCheckBox>("Check2")->setChecked(false);
        m_agent->clear();
        // More lines than one slice of the speak feed: the rest follows once
        // the character has begun the lines it was given.
        QStringList lines;
        for (int i = 0; i < 1200; ++i)
            lines << QString::number(i);
        m_agent->setRequestStatus(platform::agent::RequestStatus::Pending);
        m_form->SpeakText(lines.join(s("\r\n")));
        QVERIFY(m_agent->lines(s("Speak")).size() < 1200);

        clickNode(s("オリジナルキャラクタ"));
        clickNode(s("microsoftキャラクタ"));
        m_agent->setRequestStatus(platform::agent::RequestStatus::Done);
        QTRY_COMPARE_WITH_TIMEOUT(m_agent->lines(s("Speak")).size(), 1200, 20000);
        QVERIFY(m_agent->lines(s("Characters.Load")).isEmpty());
    }

    void gestureOptionPlaysADrawnGesture()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        m_agent->clear();
        m_random->fractions = {0.99f};
        m_form->SpeakText(s("x"));
        QCOMPARE(m_agent->lines(s("Play")), QStringList{s("Play(\"Write\") -> ok")});
    }

    void browserPaneFollowsThirdBox()
    {
        QWidget* pane = control("WebBrowser1");
        QTest::mouseClick(control<QCheckBox>("Check3"), Qt::LeftButton);
        QVERIFY(!pane->isVisible());
        QTest::mouseClick(control<QCheckBox>("Check3"), Qt::LeftButton);
        QVERIFY(pane->isVisible());
        auto* recording = qobject_cast<platform::testing::RecordingWebPane*>(pane);
        QCOMPARE(recording->navigations.size(), 1); // shown again, not reloaded
    }

    void hideToTrayAndBack()
    {
        const QPoint place = m_form->pos();
        QTest::mouseClick(control("Label1"), Qt::LeftButton);
        QVERIFY(!m_form->isVisible());
        QVERIFY(m_tray->shown);
        QVERIFY(control<QTimer>("Timer1")->isActive()); // watching goes on
        m_tray->press();
        QVERIFY(m_form->isVisible());
        QVERIFY(!m_form->isMinimized());
        QCOMPARE(m_form->pos(), place);
    }

    void withoutTrayHideMinimises()
    {
        m_tray->available = false;
        QTest::mouseClick(control("Label1"), Qt::LeftButton);
        QVERIFY(m_form->isVisible());
        QVERIFY(m_form->isMinimized());
    }

    void quitRemovesTrayIconAndSavesLanguage()
    {
        control<QComboBox>("ImageCombo1")->setCurrentIndex(2);
        QTest::mouseClick(control("Label2"), Qt::LeftButton);
        QCOMPARE(m_tray->calls, (QStringList{s("add"), s("remove")}));
        QVERIFY(!m_form->isVisible());
        QCOMPARE(m_settings->values.value(s("clipvoice/q7a/lang")), s("3"));
    }

    void otherCloseSavesButKeepsTrayIcon()
    {
        control<QComboBox>("ImageCombo1")->setCurrentIndex(30);
        m_form->close();
        QCOMPARE(m_tray->calls, QStringList{s("add")});
        QCOMPARE(m_settings->values.value(s("clipvoice/q7a/lang")), s("31"));
    }

    void failedSaveOnCloseIsShownToTheUser()
    {
        m_settings->refuseWrites = true;
        m_form->close();
        QCOMPARE(m_platform->dialogs.shown.size(), 1);
        const auto& shown = m_platform->dialogs.shown.first();
        QCOMPARE(shown.kind, platform::testing::RecordingDialogs::Kind::Error);
        QCOMPARE(shown.title, s("ClipVoice 1.0"));
        QVERIFY2(shown.text.startsWith(s("選択した言語を保存できませんでした。")),
                 qPrintable(shown.text));
        QVERIFY2(shown.text.endsWith(s("refused")), qPrintable(shown.text));
    }

    void everyOtherEndSavesTheLanguageQuietly()
    {
        platform::SessionEvents session;
        m_form.reset();
        auto services = m_platform->services();
        services.session = &session;
        m_form = std::make_unique<app::Form1>(services);
        QCOMPARE(m_form->load(), app::StartupOutcome::Started);
        m_tray->calls.clear();
        auto* picker = control<QComboBox>("ImageCombo1");
        const auto stored = [this] { return m_settings->values.value(s("clipvoice/q7a/lang")); };

        picker->setCurrentIndex(4);
        emit session.sessionEnding(); // log-out
        QCOMPARE(stored(), s("5"));
        picker->setCurrentIndex(5);
        emit session.endingNow(); // the display went away
        QCOMPARE(stored(), s("6"));
        picker->setCurrentIndex(6);
        emit session.terminationRequested(); // SIGTERM, SIGHUP
        QCOMPARE(stored(), s("7"));

        // Nobody would see a message at these ends: a failure is only logged.
        m_settings->refuseWrites = true;
        emit session.terminationRequested();
        QVERIFY(m_platform->dialogs.shown.isEmpty());
        QVERIFY(m_tray->calls.isEmpty()); // the icon goes with the program
    }

    void endingNowSavesFromAnyThreadEvenAfterTheWindowIsGone()
    {
        // Qt, or Xlib, ends the program with exit() when the display goes
        // away, from whichever thread noticed, perhaps while the window is
        // being torn down.
        platform::SessionEvents session;
        m_form.reset();
        auto services = m_platform->services();
        services.session = &session;
        m_form = std::make_unique<app::Form1>(services);
        QCOMPARE(m_form->load(), app::StartupOutcome::Started);
        control<QComboBox>("ImageCombo1")->setCurrentIndex(9);
        m_form.reset();
        std::thread([&session] { emit session.endingNow(); }).join();
        QCOMPARE(m_settings->values.value(s("clipvoice/q7a/lang")), s("10"));
    }

    void endsBeforeStartUpHasFinishedSaveNothing()
    {
        platform::SessionEvents session;
        m_form.reset();
        m_settings->values.clear();
        const int writes = m_settings->writes;
        auto services = m_platform->services();
        services.session = &session;

        // A refused second copy.
        m_platform->guard.otherCopyRunning = true;
        m_form = std::make_unique<app::Form1>(services);
        QCOMPARE(m_form->load(), app::StartupOutcome::RefusedSecondCopy);
        emit session.terminationRequested();
        emit session.endingNow();

        // A start-up that failed: its window is not brought back by the tray.
        m_platform->guard.otherCopyRunning = false;
        m_platform->folders.windowsDir = m_platform->windows.filePath(s("nowhere"));
        m_form = std::make_unique<app::Form1>(services);
        QVERIFY_THROWS_EXCEPTION(app::StartupError, m_form->load());
        m_tray->press();
        QVERIFY(!m_form->isVisible());
        emit session.sessionEnding();
        m_form->close();
        QCOMPARE(m_settings->writes, writes);
        QVERIFY(m_settings->values.isEmpty());
    }

    void optionsCommandOpensPropertySheet()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("AdvCharOptions")).ok());
        QVERIFY(m_agent->propertySheetVisible());
    }

    void loadingACharacterAddsTheSaveSpeechCommand()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        // After the options command, so that it stays the menu's first entry.
        QCOMPARE(m_agent->lines(s("Commands.Add")),
                 (QStringList{s("Commands.Add(\"AdvCharOptions\", \"キャラクタオプション\", "
                                "omitted, omitted, omitted) -> ok"),
                              s("Commands.Add(\"SaveSpeech\", "
                                "\"読み上げ音声をファイルに保存(&S)...\", "
                                "omitted, omitted, omitted) -> ok")}));
        const auto commands = m_agent->character(s("clipvoice"))->commands;
        QCOMPARE(commands.size(), 2);
        QCOMPARE(commands.at(1).name, app::Form1::saveSpeechCommandName());
        QVERIFY(commands.at(1).enabled && commands.at(1).visible);

        // A load that fails adds nothing.
        m_agent->clear();
        m_agent->fail(s("Characters.Load"));
        m_form->LoadCharacter(s("bubble.acs"));
        QVERIFY(!m_form->isCharacterLoaded());
        for (const QString& line : m_agent->lines(s("Commands.Add")))
            QVERIFY2(!line.contains(s("SaveSpeech")), qPrintable(line));
    }

    void saveSpeechAsksForAFileAndSavesTheTextBox()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        control<QPlainTextEdit>("Text1")->setPlainText(s("line one\nline two"));
        m_platform->dialogs.saveAnswer =
            platform::SaveTarget{s("/music/speech.ogg"), platform::SaveTarget::Type::OggVorbis};
        m_agent->clear();
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("SaveSpeech")).ok());
        // In the picker's language (German), the whole box, without speaking it.
        QCOMPARE(
            m_agent->lines(),
            (QStringList{s("event Command(\"SaveSpeech\")"), s("LanguageID(1031) -> ok"),
                         s("SaveSpeech(\"line one\\nline two\", \"/music/speech.ogg\") -> ok")}));
        QCOMPARE(m_platform->dialogs.saveQuestions.size(), 1);
        QCOMPARE(m_platform->dialogs.saveQuestions.at(0).title, s("読み上げ音声の保存"));
        QVERIFY(m_platform->dialogs.saveQuestions.at(0).folder.isEmpty());
        QVERIFY(m_platform->dialogs.shown.isEmpty());
        QCOMPARE(control<QPlainTextEdit>("Text1")->toPlainText(), s("line one\nline two"));

        // The next question starts where the last file went.
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("SaveSpeech")).ok());
        QCOMPARE(m_platform->dialogs.saveQuestions.at(1).folder, s("/music"));

        // Cancelling the file dialog saves nothing and says nothing.
        m_platform->dialogs.saveAnswer.reset();
        m_agent->clear();
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("SaveSpeech")).ok());
        QCOMPARE(m_agent->lines(), QStringList{s("event Command(\"SaveSpeech\")")});
        QCOMPARE(m_platform->dialogs.saveQuestions.size(), 3);
        QVERIFY(m_platform->dialogs.shown.isEmpty());
    }

    void saveSpeechOfAnEmptyBoxOrAFailedStartIsReported()
    {
        m_form->LoadCharacter(s("Merlin.acs"));
        m_platform->dialogs.saveAnswer =
            platform::SaveTarget{s("/music/speech.wav"), platform::SaveTarget::Type::Wav};
        control<QPlainTextEdit>("Text1")->setPlainText(s("  \n\t"));
        m_agent->clear();
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("SaveSpeech")).ok());
        QVERIFY(m_platform->dialogs.saveQuestions.isEmpty()); // no file is asked for
        QVERIFY(m_agent->lines(s("SaveSpeech")).isEmpty());
        QCOMPARE(m_platform->dialogs.shown.size(), 1);
        QCOMPARE(m_platform->dialogs.shown.at(0).kind,
                 platform::testing::RecordingDialogs::Kind::Information);
        QCOMPARE(m_platform->dialogs.shown.at(0).text,
                 s("テキストボックスに読み上げる文字がありません。"));

        control<QPlainTextEdit>("Text1")->setPlainText(s("hello"));
        m_agent->fail(s("SaveSpeech")).because(s("no room"));
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("SaveSpeech")).ok());
        QCOMPARE(m_platform->dialogs.shown.size(), 2);
        QCOMPARE(m_platform->dialogs.shown.at(1).kind,
                 platform::testing::RecordingDialogs::Kind::Error);
        QVERIFY(m_platform->dialogs.shown.at(1).text.endsWith(s("\n\nno room")));

        // Nor is speech saved in another language than the one chosen.
        m_agent->clearFailures();
        m_agent->fail(s("LanguageID")).because(s("no voice"));
        m_agent->clear();
        QVERIFY(m_agent->chooseCommand(s("clipvoice"), s("SaveSpeech")).ok());
        QVERIFY(m_agent->lines(s("SaveSpeech")).isEmpty());
        QCOMPARE(m_platform->dialogs.shown.size(), 3);
        QVERIFY(m_platform->dialogs.shown.at(2).text.endsWith(s("\n\nno voice")));
        QVERIFY(!m_agent->propertySheetVisible()); // no other command ran
    }

    void draggingTheBackgroundMovesTheWindow()
    {
        const QPoint start = m_form->pos();
        QTest::mousePress(m_form.get(), Qt::LeftButton, {}, QPoint(200, 150));
        QCOMPARE(m_form->drag().drag_flag, short(1));
        QMouseEvent move(QEvent::MouseMove, QPointF(230, 170),
                         m_form->mapToGlobal(QPointF(230, 170)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(m_form.get(), &move);
        QCOMPARE(m_form->pos(), start + QPoint(30, 20));
        QTest::mouseRelease(m_form.get(), Qt::LeftButton, {}, QPoint(230, 170));
        QCOMPARE(m_form->drag().drag_flag, short(0));

        // A right press sets the anchor but starts no drag.
        QTest::mousePress(m_form.get(), Qt::RightButton, {}, QPoint(100, 100));
        QCOMPARE(m_form->drag().drag_flag, short(0));
        QCOMPARE(m_form->drag().drag_init_x, short(100));
        QTest::mouseRelease(m_form.get(), Qt::RightButton, {}, QPoint(100, 100));

        // Presses on controls, captions included, start no drag.
        QTest::mousePress(control("Label6"), Qt::LeftButton, {}, QPoint(5, 5));
        QCOMPARE(m_form->drag().drag_flag, short(0));
        QTest::mouseRelease(control("Label6"), Qt::LeftButton, {}, QPoint(5, 5));
        QTest::mousePress(control("Picture1"), Qt::LeftButton, {}, QPoint(100, 5));
        QCOMPARE(m_form->drag().drag_flag, short(0));
    }
};

QTEST_MAIN(Form1BehaviourTest)
#include "Form1BehaviourTest.moc"
