// A character's saves to sound files on the desktop: each line is said as the
// character's voice would say it, the progress dialog appears only for a save
// that takes a while and cancels it, and a failure is shown in a message box
// that blocks nothing.

#include "agent/desktop/SpeechFileSaver.h"
#include "../voice/VoiceTestUtil.h"
#include "agent/ui/SaveProgressDialog.h"
#include "agent/voice/VoiceCatalog.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <condition_variable>
#include <limits>
#include <mutex>

using namespace clipvoice::agent;
using desktop::SpeechFileSaver;
using Outcome = engine::SpeechFileOutput::Outcome;
using voice::testing::FakeEngine;

namespace {

constexpr int SaveTimeoutMs = 30000;

QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot);
}

QMessageBox* shownMessageBox()
{
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (auto* box = qobject_cast<QMessageBox*>(widget); box && box->isVisible())
            return box;
    }
    return nullptr;
}

// Lets through as many pieces as the test allows, holding the next one until
// it is allowed or cancelled: a save that cannot finish before the test says so.
class GatedEngine final : public voice::SpeechEngine
{
public:
    explicit GatedEngine(std::shared_ptr<FakeEngine> inner)
        : m_inner(std::move(inner))
    {}

    QString name() const override { return m_inner->name(); }
    bool supportsLanguage(qint32 lcid) const override { return m_inner->supportsLanguage(lcid); }
    QList<voice::VoiceInfo> voices() const override { return m_inner->voices(); }
    int maxChunkLength() const override { return m_inner->maxChunkLength(); }
    bool streamsAudio() const override { return true; }
    bool reportsPhonemes() const override { return true; }

    voice::SynthesisResult synthesize(const voice::SynthesisRequest& request,
                                      voice::SynthesisSink& sink,
                                      const std::atomic_bool& cancel) override
    {
        {
            std::unique_lock lock(m_lock);
            // Wakes when allowed; the timeout lets a cancel be seen.
            while (m_passed >= m_allowed && !cancel.load())
                m_changed.wait_for(lock, std::chrono::milliseconds(20));
            if (cancel.load())
                return voice::SynthesisResult{false, true, {}};
            ++m_passed;
        }
        return m_inner->synthesize(request, sink, cancel);
    }

    void allow(int pieces)
    {
        const std::lock_guard lock(m_lock);
        m_allowed = pieces;
        m_changed.notify_all();
    }

private:
    std::shared_ptr<FakeEngine> m_inner;
    std::mutex m_lock;
    std::condition_variable m_changed;
    int m_allowed = std::numeric_limits<int>::max();
    int m_passed = 0;
};

// A saver over a fake voice that records the requests it is given.
struct Saver
{
    Saver()
        : engine(std::make_shared<FakeEngine>())
        , gate(std::make_shared<GatedEngine>(engine))
        , saver(
              std::make_shared<voice::VoiceCatalog>(gate),
              [this](const QString& line, qint32 languageId) {
                  asked.append({line, languageId});
                  return voice::LineRequest{line, languageId, 70, 50, {}, {}};
              },
              [this](const QString& line) { trace.append(line); })
    {}

    quint64 save(const QString& text, const QString& path)
    {
        return saver.save(text, 1033, path, [this](Outcome outcome) { outcomes.append(outcome); });
    }

    std::shared_ptr<FakeEngine> engine;
    std::shared_ptr<GatedEngine> gate;
    QList<std::pair<QString, qint32>> asked;
    QStringList trace;
    QList<Outcome> outcomes;
    SpeechFileSaver saver;
};

} // namespace

class SpeechFileSaverTest : public QObject
{
    Q_OBJECT

private slots:
    void cleanup()
    {
        while (QMessageBox* box = shownMessageBox())
            box->close();
    }

    void eachLineIsSaidAsTheVoiceWouldSayIt()
    {
        QTemporaryDir dir;
        Saver saver;
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        const quint64 save = saver.save(QStringLiteral("one two\r\n\r\nthree\nfour"), path);
        // Nothing is told from inside save().
        QVERIFY(saver.outcomes.isEmpty());
        QVERIFY(saver.saver.dialog(save) != nullptr);
        QTRY_COMPARE_WITH_TIMEOUT(saver.outcomes.size(), 1, SaveTimeoutMs);
        QCOMPARE(saver.outcomes.at(0), Outcome::Saved);
        QCOMPARE(saver.asked, (QList<std::pair<QString, qint32>>{{QStringLiteral("one two"), 1033},
                                                                 {QStringLiteral("three"), 1033},
                                                                 {QStringLiteral("four"), 1033}}));
        // The requests the voice made went to the engine.
        QCOMPARE(saver.engine->texts(),
                 (QStringList{QStringLiteral("one two"), QStringLiteral("three"),
                              QStringLiteral("four")}));
        QCOMPARE(saver.engine->speeds(), (QList<int>{70, 70, 70}));
        QCOMPARE(entries(dir.path()), QStringList{QStringLiteral("speech.wav")});
        QVERIFY(saver.saver.dialog(save) == nullptr);
        QVERIFY(saver.trace.last().startsWith(QStringLiteral("speech file saved: ")));
        QVERIFY(shownMessageBox() == nullptr);
    }

    void theDialogAppearsForALongSaveAndCancelsIt()
    {
        QTemporaryDir dir;
        Saver saver;
        saver.gate->allow(1); // the first line only
        QStringList many;
        for (int i = 0; i < 3; ++i)
            many.append(QStringLiteral("one two three four five six seven eight nine ten"));
        const QString path = dir.filePath(QStringLiteral("speech.ogg"));
        const quint64 save = saver.save(many.join(QLatin1Char('\n')), path);
        ui::SaveProgressDialog* dialog = saver.saver.dialog(save);
        QVERIFY(dialog != nullptr);
        QVERIFY(!dialog->isVisible()); // not for the first moments
        QVERIFY(!dialog->isModal());
        QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), SaveTimeoutMs);
        QTRY_VERIFY_WITH_TIMEOUT(dialog->value() > 0, SaveTimeoutMs);

        auto* button = dialog->findChild<QPushButton*>();
        QVERIFY(button != nullptr);
        QCOMPARE(button->text(), QStringLiteral("キャンセル"));
        QTest::mouseClick(button, Qt::LeftButton);
        QTRY_COMPARE_WITH_TIMEOUT(saver.outcomes.size(), 1, SaveTimeoutMs);
        QCOMPARE(saver.outcomes.at(0), Outcome::Cancelled);
        QVERIFY(entries(dir.path()).isEmpty());
        QVERIFY(saver.saver.dialog(save) == nullptr);
        QVERIFY(shownMessageBox() == nullptr);
    }

    void cancelFromTheEngineTellsNothingMore()
    {
        QTemporaryDir dir;
        Saver saver;
        saver.gate->allow(0);
        const QString path = dir.filePath(QStringLiteral("speech.wav"));
        QFile old(path);
        QVERIFY(old.open(QIODevice::WriteOnly));
        old.write("kept");
        old.close();
        QStringList many;
        for (int i = 0; i < 3; ++i)
            many.append(QStringLiteral("one two three four five"));
        const quint64 save = saver.save(many.join(QLatin1Char('\n')), path);
        saver.saver.cancel(save);
        QVERIFY(saver.saver.dialog(save) == nullptr);
        // The job was ended in cancel(): a later save finishes, the first stays silent.
        saver.gate->allow(std::numeric_limits<int>::max());
        const quint64 second =
            saver.save(QStringLiteral("short"), dir.filePath(QStringLiteral("b.wav")));
        QVERIFY(second != save);
        QTRY_COMPARE_WITH_TIMEOUT(saver.outcomes.size(), 1, SaveTimeoutMs);
        QCOMPARE(saver.outcomes, QList<Outcome>{Outcome::Saved});
        QFile kept(path);
        QVERIFY(kept.open(QIODevice::ReadOnly));
        QCOMPARE(kept.readAll(), QByteArray("kept"));
        QCOMPARE(entries(dir.path()),
                 (QStringList{QStringLiteral("b.wav"), QStringLiteral("speech.wav")}));
    }

    void aFailureIsShownWithoutBlocking()
    {
        QTemporaryDir dir;
        Saver saver;
        const QString path = dir.filePath(QStringLiteral("missing/speech.wav"));
        saver.save(QStringLiteral("hello"), path);
        QTRY_COMPARE_WITH_TIMEOUT(saver.outcomes.size(), 1, SaveTimeoutMs);
        QCOMPARE(saver.outcomes.at(0), Outcome::Failed);
        QMessageBox* box = shownMessageBox();
        QVERIFY(box != nullptr);
        QVERIFY(!box->isModal());
        QCOMPARE(box->windowTitle(), ui::SaveProgressDialog::title());
        QVERIFY(box->text().startsWith(QStringLiteral("読み上げ音声を保存できませんでした。")));
        QVERIFY(box->text().contains(path));
        QVERIFY(box->text().contains(QStringLiteral("書き込みが許可されていません")));
        QVERIFY(saver.trace.last().startsWith(QStringLiteral("speech file failed: ")));
        QVERIFY(entries(dir.path()).isEmpty());
    }

    void failureTextsSayWhatToDo()
    {
        voice::SpeechFileWriter::Result result;
        result.outcome = voice::SpeechFileWriter::Outcome::Failed;
        result.failure = voice::SpeechFileWriter::Failure::CannotWrite;
        result.detail = QStringLiteral("No space left on device");
        const QString full = SpeechFileSaver::failureText(result, QStringLiteral("/a/b.ogg"));
        QVERIFY(full.contains(QStringLiteral("/a/b.ogg")));
        QVERIFY(full.contains(QStringLiteral("ディスクの空き")));
        QVERIFY(full.contains(QStringLiteral("(No space left on device)")));
        QVERIFY(full.contains(QStringLiteral("変更されていません")));
        result.failure = voice::SpeechFileWriter::Failure::NothingToSay;
        result.detail.clear();
        const QString empty = SpeechFileSaver::failureText(result, QStringLiteral("/a/b.wav"));
        QVERIFY(empty.contains(QStringLiteral("読み上げる文字がありません")));
        QVERIFY(!empty.contains(u'('));
    }
};

QTEST_MAIN(SpeechFileSaverTest)
#include "SpeechFileSaverTest.moc"
