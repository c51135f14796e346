// Start at login through an XDG autostart entry, in a configuration folder of
// the test's own.

#include "platform/qt/XdgAutostart.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using clipvoice::platform::XdgAutostart;

namespace {

QString s(const char* text)
{
    return QString::fromUtf8(text);
}

QByteArray readAll(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString& path, const QByteArray& content)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(content) == content.size();
}

// The value of a key of the [Desktop Entry] group, as it stands in the file.
QString keyValue(const QString& path, const QString& key)
{
    const QString prefix = key + QLatin1Char('=');
    for (const QString& line : QString::fromUtf8(readAll(path)).split(QLatin1Char('\n')))
        if (line.startsWith(prefix))
            return line.mid(prefix.size());
    return QString();
}

// An Exec value read back as a desktop reads it: string escapes undone, then
// quoting, then the doubled '%'. Returns the arguments.
QStringList execArguments(const QString& value)
{
    QString unescaped;
    for (qsizetype i = 0; i < value.size(); ++i) {
        if (value[i] == QLatin1Char('\\') && i + 1 < value.size()) {
            const QChar next = value[++i];
            unescaped += next == QLatin1Char('n')   ? QChar(QLatin1Char('\n'))
                         : next == QLatin1Char('t') ? QChar(QLatin1Char('\t'))
                         : next == QLatin1Char('r') ? QChar(QLatin1Char('\r'))
                         : next == QLatin1Char('s') ? QChar(QLatin1Char(' '))
                                                    : next;
        } else {
            unescaped += value[i];
        }
    }
    QStringList arguments;
    QString current;
    bool quoted = false;
    bool any = false;
    for (qsizetype i = 0; i < unescaped.size(); ++i) {
        const QChar c = unescaped[i];
        if (quoted && c == QLatin1Char('\\') && i + 1 < unescaped.size()) {
            current += unescaped[++i];
        } else if (c == QLatin1Char('"')) {
            quoted = !quoted;
            any = true;
        } else if (c == QLatin1Char(' ') && !quoted) {
            if (any || !current.isEmpty())
                arguments.append(current);
            current.clear();
            any = false;
        } else {
            current += c;
        }
    }
    if (any || !current.isEmpty())
        arguments.append(current);
    for (QString& argument : arguments)
        argument.replace(QStringLiteral("%%"), QStringLiteral("%"));
    return arguments;
}

} // namespace

class XdgAutostartTest : public QObject
{
    Q_OBJECT

private:
    std::unique_ptr<QTemporaryDir> m_home;
    QString m_folder; // $XDG_CONFIG_HOME/autostart
    QString m_entry;

    // Checks the entry with desktop-file-validate, which must be installed.
    bool validates(const QString& path, QString* output)
    {
        const QString tool = QStandardPaths::findExecutable(s("desktop-file-validate"));
        if (tool.isEmpty())
            return false;
        QProcess validate;
        validate.setProcessChannelMode(QProcess::MergedChannels);
        validate.start(tool, {path});
        if (!validate.waitForFinished(30000))
            qFatal("desktop-file-validate did not finish");
        *output = QString::fromUtf8(validate.readAll());
        return validate.exitStatus() == QProcess::NormalExit && validate.exitCode() == 0 &&
               !output->contains(s("error:"));
    }

private slots:
    void init()
    {
        m_home = std::make_unique<QTemporaryDir>();
        QVERIFY(m_home->isValid());
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(m_home->filePath(s("config"))));
        m_folder = m_home->filePath(s("config/autostart"));
        m_entry = m_folder + s("/clipvoice.desktop");
        QCOMPARE(XdgAutostart::entryPath(), m_entry);
    }

    void turningOnWritesAnEntryThatStartsThisProgramHidden()
    {
        XdgAutostart autostart;
        QVERIFY(!autostart.isEnabled());
        QCOMPARE(autostart.setEnabled(true), std::nullopt); // creates the folder too
        QVERIFY(QFile::exists(m_entry));
        QVERIFY(autostart.isEnabled());

        const QByteArray text = readAll(m_entry);
        QVERIFY2(text.startsWith("[Desktop Entry]\n"), text.constData());
        QCOMPARE(keyValue(m_entry, s("Type")), s("Application"));
        QCOMPARE(keyValue(m_entry, s("Name")), s("ClipVoice"));
        QCOMPARE(keyValue(m_entry, s("Icon")), s("clipvoice"));
        QCOMPARE(keyValue(m_entry, s("Terminal")), s("false"));
        QCOMPARE(keyValue(m_entry, s("X-GNOME-Autostart-enabled")), s("true"));
        QVERIFY(!keyValue(m_entry, s("Comment")).isEmpty());
        QVERIFY(!text.contains("Hidden="));
        const QStringList exec = execArguments(keyValue(m_entry, s("Exec")));
        QCOMPARE(exec, (QStringList{QCoreApplication::applicationFilePath(), s("--hidden")}));

        // Turning on again keeps one good entry.
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QCOMPARE(readAll(m_entry), text);

        if (QStandardPaths::findExecutable(s("desktop-file-validate")).isEmpty())
            QSKIP("desktop-file-validate (desktop-file-utils) is not installed: the entry "
                  "was not validated");
        QString output;
        QVERIFY2(validates(m_entry, &output), qPrintable(output));
    }

    void pathsAreQuotedAsDesktopEntriesRequire()
    {
        // The quoting rules, spelt out for the common case...
        QCOMPARE(XdgAutostart::execValue(s("/usr/bin/clipvoice")),
                 s("/usr/bin/clipvoice --hidden"));
        QCOMPARE(XdgAutostart::execValue(s("/opt/Clip Voice/clipvoice")),
                 s("\"/opt/Clip Voice/clipvoice\" --hidden"));
        // ...'$' escaped inside the quotes, and that backslash escaped again
        // as every backslash of a string value is; '%' doubled.
        QCOMPARE(XdgAutostart::execValue(s("/opt/a$b/clipvoice")),
                 s("\"/opt/a\\\\$b/clipvoice\" --hidden"));
        QCOMPARE(XdgAutostart::execValue(s("/opt/50%/clipvoice")),
                 s("/opt/50%%/clipvoice --hidden"));
        // Paths an Exec value cannot name.
        QCOMPARE(XdgAutostart::execValue(s("clipvoice")), std::nullopt);
        QCOMPARE(XdgAutostart::execValue(s("/opt/a=b/clipvoice")), std::nullopt);

        // Every reserved character reads back as the same path.
        const QStringList paths = {s("/home/a b/c\td/clipvoice"),
                                   s("/x/it's \"quoted\"/clipvoice"),
                                   s("/x/back\\slash/`tick`/clipvoice"),
                                   s("/x/<>|&;*?#()~/clipvoice"),
                                   s("/x/line\nbreak/clipvoice"),
                                   s("/x/日本語 フォルダ/clipvoice"),
                                   s("/x/%f %%/clipvoice")};
        for (const QString& path : paths) {
            const std::optional<QString> exec = XdgAutostart::execValue(path);
            QVERIFY2(exec.has_value(), qPrintable(path));
            QVERIFY2(!exec->contains(QLatin1Char('\n')), qPrintable(*exec));
            QCOMPARE(execArguments(*exec), (QStringList{path, s("--hidden")}));
        }
    }

    void anEntryForAPathWithSpacesValidates()
    {
        XdgAutostart autostart(s("/opt/Clip Voice ($test)/bin/clip voice"));
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QCOMPARE(keyValue(m_entry, s("Exec")),
                 s("\"/opt/Clip Voice (\\\\$test)/bin/clip voice\" --hidden"));
        QString output;
        if (QStandardPaths::findExecutable(s("desktop-file-validate")).isEmpty())
            QSKIP("desktop-file-validate (desktop-file-utils) is not installed");
        QVERIFY2(validates(m_entry, &output), qPrintable(output));
    }

    void turningOffRemovesOurEntryAndNothingElse()
    {
        QVERIFY(QDir().mkpath(m_folder));
        const QString other = m_folder + s("/other.desktop");
        const QByteArray otherText = "[Desktop Entry]\nType=Application\nName=Other\nExec=other\n";
        QVERIFY(writeFile(other, otherText));
        QVERIFY(writeFile(m_folder + s("/clipvoice.desktop.txt"), "notes"));

        XdgAutostart autostart;
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QCOMPARE(autostart.setEnabled(false), std::nullopt);
        QVERIFY(!QFile::exists(m_entry));
        QVERIFY(!autostart.isEnabled());
        QCOMPARE(readAll(other), otherText);
        QCOMPARE(readAll(m_folder + s("/clipvoice.desktop.txt")), QByteArray("notes"));
        QCOMPARE(QDir(m_folder).entryList(QDir::Files | QDir::Hidden).size(), 2);

        // Off when already off is no error.
        QCOMPARE(autostart.setEnabled(false), std::nullopt);
    }

    void stateIsReadFromTheFileEachTime()
    {
        XdgAutostart autostart;
        QVERIFY(QDir().mkpath(m_folder));
        const struct
        {
            const char* text;
            bool on;
        } cases[] = {
            {"[Desktop Entry]\nType=Application\nName=ClipVoice\nExec=clipvoice\n", true},
            {"[Desktop Entry]\nType=Application\nName=ClipVoice\nExec=clipvoice\nHidden=true\n",
             false},
            {"[Desktop Entry]\r\nName=ClipVoice\r\nHidden = true\r\nExec=clipvoice\r\n", false},
            {"[Desktop Entry]\nName=ClipVoice\nExec=clipvoice\nHidden=false\n", true},
            {"[Desktop Entry]\nName=ClipVoice\nExec=clipvoice\nX-GNOME-Autostart-enabled=false\n",
             false},
            // Hidden in another group says nothing about the entry.
            {"[Desktop Entry]\nName=ClipVoice\nExec=clipvoice\n[Desktop Action x]\nHidden=true\n",
             true},
            {"no entry at all\n", false},
            {"", false},
        };
        for (const auto& c : cases) {
            QVERIFY(writeFile(m_entry, c.text));
            QVERIFY2(autostart.isEnabled() == c.on, c.text);
        }
        QVERIFY(QFile::remove(m_entry)); // removed by hand
        QVERIFY(!autostart.isEnabled());
    }

    void anEntryTheUserWroteIsKept()
    {
        QVERIFY(QDir().mkpath(m_folder));
        const QByteArray theirs = "# mine\n[Desktop Entry]\nType=Application\nName=ClipVoice\n"
                                  "Exec=env LANG=ja_JP.UTF-8 clipvoice\n[Other]\nHidden=false\n";
        QVERIFY(writeFile(m_entry, theirs));
        XdgAutostart autostart;
        QVERIFY(autostart.isEnabled());
        // On already: left as it is.
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QCOMPARE(readAll(m_entry), theirs);
        // Off: kept, switched off with Hidden=true in its own group only.
        QCOMPARE(autostart.setEnabled(false), std::nullopt);
        QVERIFY(!autostart.isEnabled());
        QCOMPARE(readAll(m_entry),
                 QByteArray("# mine\n[Desktop Entry]\nHidden=true\nType=Application\n"
                            "Name=ClipVoice\nExec=env LANG=ja_JP.UTF-8 clipvoice\n"
                            "[Other]\nHidden=false\n"));
        // On again: ours replaces the switched-off one.
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        QVERIFY(autostart.isEnabled());
        QCOMPARE(execArguments(keyValue(m_entry, s("Exec"))).value(1), s("--hidden"));
        QCOMPARE(autostart.setEnabled(false), std::nullopt);
        QVERIFY(!QFile::exists(m_entry));
    }

    void failuresAreReportedAndLeaveNothingBehind()
    {
        // The configuration folder is a file: no autostart folder can be made.
        QVERIFY(writeFile(m_home->filePath(s("config")), "not a folder"));
        XdgAutostart autostart;
        std::optional<QString> error = autostart.setEnabled(true);
        QVERIFY(error.has_value());
        QVERIFY2(error->contains(m_folder), qPrintable(*error));
        QVERIFY(!autostart.isEnabled());
        QVERIFY(QFile::remove(m_home->filePath(s("config"))));

        // A folder stands where the entry goes: the write fails whole.
        QVERIFY(QDir().mkpath(m_entry));
        error = autostart.setEnabled(true);
        QVERIFY(error.has_value());
        QVERIFY2(error->contains(m_entry), qPrintable(*error));
        QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{s("clipvoice.desktop")});
        QVERIFY(QDir(m_entry).isEmpty());
        QVERIFY(!autostart.isEnabled());
    }

    void aFolderTheUserMayNotWriteToRefusesChanges()
    {
        XdgAutostart autostart;
        QCOMPARE(autostart.setEnabled(true), std::nullopt);
        const QByteArray ours = readAll(m_entry);
        QVERIFY(QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::ExeOwner));
        const auto restore = qScopeGuard([this] {
            QFile::setPermissions(m_folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        });
        QFile probe(m_folder + s("/probe"));
        if (probe.open(QIODevice::WriteOnly)) {
            probe.remove();
            QSKIP("this user writes to read-only folders (root): the read-only case is untested");
        }
        std::optional<QString> error = autostart.setEnabled(false);
        QVERIFY(error.has_value());
        QVERIFY(autostart.isEnabled());
        error = autostart.setEnabled(true); // a rewrite fails and keeps the old entry
        QVERIFY(error.has_value());
        QCOMPARE(readAll(m_entry), ours);
        QCOMPARE(QDir(m_folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::NoDotAndDotDot),
                 QStringList{s("clipvoice.desktop")});
    }
};

QTEST_GUILESS_MAIN(XdgAutostartTest)
#include "XdgAutostartTest.moc"
