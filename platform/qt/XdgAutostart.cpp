#include "platform/qt/XdgAutostart.h"

#include "platform/qt/PlatformLog.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStandardPaths>

namespace clipvoice::platform {

namespace {

constexpr QLatin1StringView kGroup("[Desktop Entry]");
constexpr QLatin1StringView kOursKey("X-ClipVoice-Autostart");
// An autostart entry is a few hundred bytes; a larger file is not taken for one.
constexpr qint64 kMostRead = 64 * 1024;

// What an existing entry says, as far as starting the program goes.
struct Entry
{
    bool exists = false;
    bool readable = false;
    bool hasGroup = false; // it has a [Desktop Entry] group; without one it is no entry
    bool hidden = false;   // Hidden=true: the desktop treats it as deleted
    bool disabled = false; // X-GNOME-Autostart-enabled=false
    bool ours = false;     // written by this class
    QByteArray content;

    bool startsProgram() const { return readable && hasGroup && !hidden && !disabled; }
};

// A line's key and value inside a group; false for headers, comments, blanks.
bool splitKeyValue(const QByteArray& line, QByteArray* key, QByteArray* value)
{
    const QByteArray trimmed = line.trimmed();
    if (trimmed.isEmpty() || trimmed.startsWith('#') || trimmed.startsWith('['))
        return false;
    const qsizetype equals = trimmed.indexOf('=');
    if (equals <= 0)
        return false;
    *key = trimmed.left(equals).trimmed();
    *value = trimmed.mid(equals + 1).trimmed();
    return true;
}

bool isGroupHeader(const QByteArray& line)
{
    return line.trimmed().startsWith('[');
}

bool isEntryGroup(const QByteArray& line)
{
    return line.trimmed() == QByteArrayView(kGroup.data(), kGroup.size());
}

Entry readEntry(const QString& path)
{
    Entry entry;
    QFile file(path);
    if (!file.exists())
        return entry;
    entry.exists = true;
    if (!file.open(QIODevice::ReadOnly)) {
        qCWarning(lcPlatform).noquote()
            << "cannot read the autostart entry" << path << ":" << file.errorString();
        return entry;
    }
    if (file.size() > kMostRead) {
        qCWarning(lcPlatform).noquote()
            << "the autostart entry" << path << "is too large to be one";
        return entry;
    }
    entry.readable = true;
    entry.content = file.readAll();
    bool inGroup = false;
    for (const QByteArray& line : entry.content.split('\n')) {
        if (isGroupHeader(line)) {
            inGroup = isEntryGroup(line);
            entry.hasGroup = entry.hasGroup || inGroup;
            continue;
        }
        QByteArray key;
        QByteArray value;
        if (!inGroup || !splitKeyValue(line, &key, &value))
            continue;
        if (key == "Hidden")
            entry.hidden = value == "true";
        else if (key == "X-GNOME-Autostart-enabled")
            entry.disabled = value == "false";
        else if (key == QByteArrayView(kOursKey.data(), kOursKey.size()))
            entry.ours = value == "true";
    }
    return entry;
}

// The entry's text with Hidden=true in its [Desktop Entry] group, everything
// else kept as it was.
QByteArray withHidden(const QByteArray& content)
{
    QList<QByteArray> lines = content.split('\n');
    bool inGroup = false;
    qsizetype header = -1;
    bool replaced = false;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        if (isGroupHeader(lines[i])) {
            inGroup = isEntryGroup(lines[i]);
            if (inGroup && header < 0)
                header = i;
            continue;
        }
        QByteArray key;
        QByteArray value;
        if (inGroup && splitKeyValue(lines[i], &key, &value) && key == "Hidden") {
            lines[i] = QByteArrayLiteral("Hidden=true");
            replaced = true;
        }
    }
    if (!replaced && header >= 0)
        lines.insert(header + 1, QByteArrayLiteral("Hidden=true"));
    return lines.join('\n');
}

// Replaces the file at `path` with `content` in one step: a failure leaves the
// old file, or none, never part of the new one.
std::optional<QString> writeWhole(const QString& path, const QByteArray& content)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    if (file.write(content) != content.size() || !file.commit())
        return QStringLiteral("cannot write %1: %2").arg(path, file.errorString());
    return std::nullopt;
}

// One argument of an Exec value: quoted when it holds a reserved character,
// with '%' doubled (field codes are expanded after unquoting).
QString quoteArgument(const QString& argument)
{
    static const QString reserved = QStringLiteral(" \t\n\"'\\><~|&;$*?#()`");
    static const QString escapedInQuotes = QStringLiteral("\"`$\\");
    bool needsQuotes = false;
    for (QChar c : argument)
        needsQuotes = needsQuotes || reserved.contains(c);
    QString quoted;
    if (needsQuotes)
        quoted += QLatin1Char('"');
    for (QChar c : argument) {
        if (needsQuotes && escapedInQuotes.contains(c))
            quoted += QLatin1Char('\\');
        if (c == QLatin1Char('%'))
            quoted += QLatin1Char('%');
        quoted += c;
    }
    if (needsQuotes)
        quoted += QLatin1Char('"');
    return quoted;
}

// A value of type string as it is written in the file: backslashes and
// control characters escaped. Readers undo this before unquoting.
QString escapeString(const QString& value)
{
    QString escaped;
    for (QChar c : value) {
        if (c == QLatin1Char('\\'))
            escaped += QStringLiteral("\\\\");
        else if (c == QLatin1Char('\n'))
            escaped += QStringLiteral("\\n");
        else if (c == QLatin1Char('\t'))
            escaped += QStringLiteral("\\t");
        else if (c == QLatin1Char('\r'))
            escaped += QStringLiteral("\\r");
        else
            escaped += c;
    }
    return escaped;
}

} // namespace

XdgAutostart::XdgAutostart(QString program)
    : m_program(std::move(program))
{}

QString XdgAutostart::entryPath()
{
    return QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation) +
           QStringLiteral("/autostart/clipvoice.desktop");
}

std::optional<QString> XdgAutostart::execValue(const QString& program)
{
    // The program's path may not contain '=' in an Exec value, quoted or not.
    if (!QDir::isAbsolutePath(program) || program.contains(QLatin1Char('=')))
        return std::nullopt;
    return escapeString(quoteArgument(program)) + QStringLiteral(" --hidden");
}

QString XdgAutostart::program() const
{
    return m_program.isEmpty() ? QCoreApplication::applicationFilePath() : m_program;
}

bool XdgAutostart::isEnabled() const
{
    return readEntry(entryPath()).startsProgram();
}

std::optional<QString> XdgAutostart::setEnabled(bool enabled)
{
    return enabled ? enable() : disable();
}

std::optional<QString> XdgAutostart::enable()
{
    const QString path = entryPath();
    const Entry entry = readEntry(path);
    // An entry of the user's that starts the program already does the job.
    if (entry.startsProgram() && !entry.ours)
        return std::nullopt;
    const QString executable = program();
    const std::optional<QString> exec = execValue(executable);
    if (!exec)
        return QStringLiteral("the program's path %1 cannot be named in an autostart entry")
            .arg(executable);
    const QString folder = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(folder))
        return QStringLiteral("cannot create the folder %1").arg(folder);
    const QString text = QStringLiteral("[Desktop Entry]\n"
                                        "Type=Application\n"
                                        "Name=ClipVoice\n"
                                        "Comment=Reads copied text aloud through an animated "
                                        "character; started at login, hidden in the tray\n"
                                        "Comment[ja]=コピーしたテキストをキャラクタが読み上げます\n"
                                        "Exec=%1\n"
                                        "Icon=clipvoice\n"
                                        "Terminal=false\n"
                                        "X-GNOME-Autostart-enabled=true\n"
                                        "%2=true\n")
                             .arg(*exec, kOursKey);
    if (std::optional<QString> error = writeWhole(path, text.toUtf8()))
        return error;
    qCDebug(lcPlatform).noquote() << "start at login is on:" << path;
    return std::nullopt;
}

std::optional<QString> XdgAutostart::disable()
{
    const QString path = entryPath();
    const Entry entry = readEntry(path);
    if (!entry.startsProgram())
        return std::nullopt;
    if (entry.ours) {
        QFile file(path);
        if (!file.remove())
            return QStringLiteral("cannot remove %1: %2").arg(path, file.errorString());
    } else if (std::optional<QString> error = writeWhole(path, withHidden(entry.content))) {
        return error;
    }
    qCDebug(lcPlatform).noquote() << "start at login is off:" << path;
    return std::nullopt;
}

} // namespace clipvoice::platform
