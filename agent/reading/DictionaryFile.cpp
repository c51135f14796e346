#include "agent/reading/DictionaryFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QStringDecoder>

#include <optional>

namespace clipvoice::agent::reading {

namespace {

const QByteArray header = QByteArrayLiteral("written\tspoken\tlanguage");

QByteArray escaped(const QString& field)
{
    QByteArray out;
    const QByteArray utf8 = field.toUtf8();
    out.reserve(utf8.size());
    for (const char c : utf8) {
        switch (c) {
        case '\\':
            out += "\\\\";
            break;
        case '\t':
            out += "\\t";
            break;
        case '\n':
            out += "\\n";
            break;
        case '\r':
            out += "\\r";
            break;
        default:
            out += c;
        }
    }
    return out;
}

// The field with its escapes undone; an unknown escape keeps its backslash.
QString unescaped(QStringView field)
{
    QString out;
    out.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const QChar c = field[i];
        if (c != QLatin1Char('\\') || i + 1 == field.size()) {
            out += c;
            continue;
        }
        const QChar next = field[i + 1];
        if (next == QLatin1Char('t'))
            out += QLatin1Char('\t');
        else if (next == QLatin1Char('n'))
            out += QLatin1Char('\n');
        else if (next == QLatin1Char('r'))
            out += QLatin1Char('\r');
        else if (next == QLatin1Char('\\'))
            out += QLatin1Char('\\');
        else {
            out += c;
            out += next;
        }
        ++i;
    }
    return out;
}

QString lineProblem(qsizetype number, const QString& what)
{
    return QStringLiteral("line %1: %2").arg(number).arg(what);
}

// One line of the file as an entry, or why it cannot be one.
std::optional<PronunciationEntry> parseLine(QByteArrayView bytes, qsizetype number,
                                            QStringList& problems)
{
    if (bytes.contains('\0')) {
        problems << lineProblem(number, QStringLiteral("holds a NUL byte (not a text file?)"));
        return std::nullopt;
    }
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(bytes);
    if (decoder.hasError()) {
        problems << lineProblem(number, QStringLiteral("is not valid UTF-8"));
        return std::nullopt;
    }
    const QList<QStringView> fields = QStringView(text).split(QLatin1Char('\t'));
    if (fields.size() < 2 || fields.size() > 3) {
        problems << lineProblem(
            number, QStringLiteral("has %1 fields; written, spoken and language (optional) "
                                   "separated by tabs were expected")
                        .arg(fields.size()));
        return std::nullopt;
    }
    PronunciationEntry entry{unescaped(fields[0]), unescaped(fields[1]),
                             fields.size() == 3 ? fields[2].trimmed().toString() : QString()};
    if (entry.language == QLatin1String("*"))
        entry.language.clear();
    if (entry.written.isEmpty()) {
        problems << lineProblem(number, QStringLiteral("has no written text"));
        return std::nullopt;
    }
    if (entry.written.size() > DictionaryFile::MaxFieldLength ||
        entry.spoken.size() > DictionaryFile::MaxFieldLength) {
        problems << lineProblem(number, QStringLiteral("has a field longer than %1 characters")
                                            .arg(DictionaryFile::MaxFieldLength));
        return std::nullopt;
    }
    return entry;
}

} // namespace

QByteArray DictionaryFile::format(const QList<PronunciationEntry>& entries)
{
    QByteArray out = header + '\n';
    for (const PronunciationEntry& entry : entries)
        out += escaped(entry.written) + '\t' + escaped(entry.spoken) + '\t' +
               escaped(entry.language) + '\n';
    return out;
}

DictionaryRead DictionaryFile::parse(const QByteArray& bytes)
{
    DictionaryRead read;
    qsizetype number = 0;
    qsizetype start = 0;
    // A byte-order mark some editors put first.
    if (bytes.startsWith("\xEF\xBB\xBF"))
        start = 3;
    while (start < bytes.size()) {
        qsizetype end = bytes.indexOf('\n', start);
        if (end < 0)
            end = bytes.size();
        ++number;
        QByteArrayView line(bytes.constData() + start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.trimmed().isEmpty())
            continue;
        if (number == 1 && line == header)
            continue;
        if (read.entries.size() == MaxEntries) {
            read.problems << lineProblem(number, QStringLiteral("and the lines after it were left "
                                                                "out: at most %1 entries are read")
                                                     .arg(MaxEntries));
            break;
        }
        if (auto entry = parseLine(line, number, read.problems))
            read.entries.append(std::move(*entry));
    }
    return read;
}

DictionaryRead DictionaryFile::import(const QString& path)
{
    DictionaryRead read;
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        read.problems << QStringLiteral("cannot be opened: %1").arg(file.errorString());
        return read;
    }
    if (file.size() > MaxFileBytes) {
        read.problems << QStringLiteral("is larger than %1 MB").arg(MaxFileBytes >> 20);
        return read;
    }
    return parse(file.read(MaxFileBytes + 1));
}

DictionaryRead DictionaryFile::load(const QString& path, const QDateTime& now)
{
    QFile file(path);
    if (!file.exists())
        return {};
    const QString aside =
        path + QStringLiteral(".damaged-") + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    if (file.size() > MaxFileBytes) {
        DictionaryRead read;
        read.problems << QStringLiteral("the file is larger than %1 MB and was not read")
                             .arg(MaxFileBytes >> 20);
        if (QFile::rename(path, aside))
            read.keptAside = aside;
        return read;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        DictionaryRead read;
        read.problems << QStringLiteral("the file cannot be opened: %1").arg(file.errorString());
        return read;
    }
    DictionaryRead read = parse(file.read(MaxFileBytes + 1));
    file.close();
    if (!read.isDamaged())
        return read;
    // Keep the file as it was, then write back what could be read, so that
    // the next start finds a sound file and nothing the user wrote is lost.
    if (QFile::copy(path, aside)) {
        read.keptAside = aside;
        QString error;
        if (!save(path, read.entries, &error))
            read.problems << QStringLiteral("the file could not be written again: %1").arg(error);
    } else {
        read.problems << QStringLiteral("the damaged file could not be kept aside as %1; it was "
                                        "left as it is")
                             .arg(QFileInfo(aside).fileName());
    }
    return read;
}

bool DictionaryFile::save(const QString& path, const QList<PronunciationEntry>& entries,
                          QString* error)
{
    QSaveFile file(path);
    const QByteArray bytes = format(entries);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        if (error != nullptr)
            *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace clipvoice::agent::reading
