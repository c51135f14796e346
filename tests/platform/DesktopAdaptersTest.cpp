// The desktop adapters' own decisions: line breaks of clipboard text, the
// system folders, the browser pane's schemes, and a desktop without a
// primary selection.

#include "platform/qt/DesktopSystemFolders.h"
#include "platform/qt/MessageBoxDialogs.h"
#include "platform/qt/QtClipboard.h"
#include "platform/qt/RestrictedWebPage.h"

#include <QTest>

using namespace clipvoice::platform;

class DesktopAdaptersTest : public QObject
{
    Q_OBJECT

private slots:
    void clipboardLineBreaksBecomeCrLf()
    {
        QCOMPARE(QtClipboard::withCrLfLineBreaks(QStringLiteral("a\nb")), QStringLiteral("a\r\nb"));
        QCOMPARE(QtClipboard::withCrLfLineBreaks(QStringLiteral("a\r\nb\n")),
                 QStringLiteral("a\r\nb\r\n"));
        QCOMPARE(QtClipboard::withCrLfLineBreaks(QStringLiteral("\n\n")),
                 QStringLiteral("\r\n\r\n"));
        QCOMPARE(QtClipboard::withCrLfLineBreaks(QStringLiteral("a\rb")), QStringLiteral("a\rb"));
        QCOMPARE(QtClipboard::withCrLfLineBreaks(QString()), QString());
    }

    void withoutAPrimarySelectionNothingIsRead()
    {
        // The offscreen platform, like Windows and macOS, has no primary
        // selection: the option says so, and a read finds nothing.
        clipvoice::platform::QtClipboard clipboard;
        QVERIFY(!clipboard.supportsSelection());
        int calls = 0;
        bool ok = true;
        clipboard.readSelection([&](const clipvoice::platform::SelectionRead& read) {
            ++calls;
            ok = read.ok;
        });
        QCOMPARE(calls, 1);
        QVERIFY(!ok);
    }

    void savedAudioGetsTheExtensionOfItsType()
    {
        using clipvoice::platform::MessageBoxDialogs;
        using clipvoice::platform::SaveTarget;
        const QStringList filters = MessageBoxDialogs::audioFilters();
        QCOMPARE(filters, (QStringList{QStringLiteral("WAV 音声 (*.wav)"),
                                       QStringLiteral("Ogg Vorbis 音声 (*.ogg)")}));
        const QString wav = filters.at(0);
        const QString ogg = filters.at(1);
        // A name without a known extension gets the chosen filter's.
        QCOMPARE(MessageBoxDialogs::saveTargetFor(QStringLiteral("/m/speech"), ogg),
                 (SaveTarget{QStringLiteral("/m/speech.ogg"), SaveTarget::Type::OggVorbis}));
        QCOMPARE(MessageBoxDialogs::saveTargetFor(QStringLiteral("/m/v1.2"), wav),
                 (SaveTarget{QStringLiteral("/m/v1.2.wav"), SaveTarget::Type::Wav}));
        // An extension the user typed wins over the filter.
        QCOMPARE(MessageBoxDialogs::saveTargetFor(QStringLiteral("/m/a.WAV"), ogg),
                 (SaveTarget{QStringLiteral("/m/a.WAV"), SaveTarget::Type::Wav}));
        QCOMPARE(MessageBoxDialogs::saveTargetFor(QStringLiteral("/m/a.oga"), wav),
                 (SaveTarget{QStringLiteral("/m/a.oga"), SaveTarget::Type::OggVorbis}));
    }

    void windowsDirectoryComesFromTheEnvironmentOrTheDataFolder()
    {
        DesktopSystemFolders folders;
        qputenv("CLIPVOICE_WINDOWS_DIR", "/srv/chars-root");
        QCOMPARE(folders.windowsDirectory(), QStringLiteral("/srv/chars-root"));
        QVERIFY(!folders.isDefaultWindowsDirectory());
        qunsetenv("CLIPVOICE_WINDOWS_DIR");
        qputenv("XDG_DATA_HOME", "/home/someone/.local/share");
        QCOMPARE(folders.windowsDirectory(),
                 QStringLiteral("/home/someone/.local/share/clipvoice"));
        QVERIFY(folders.isDefaultWindowsDirectory());
    }

    void browserPaneShowsOnlyWebPagesAndItsOwn()
    {
        for (const char* scheme : {"http", "https", "HTTPS", "about", "data", "clipvoice"})
            QVERIFY2(RestrictedWebPage::isAllowedScheme(QLatin1String(scheme)), scheme);
        for (const char* scheme : {"file", "ftp", "qrc", "javascript", "chrome", "view-source", ""})
            QVERIFY2(!RestrictedWebPage::isAllowedScheme(QLatin1String(scheme)), scheme);
    }
};

QTEST_MAIN(DesktopAdaptersTest)
#include "DesktopAdaptersTest.moc"
