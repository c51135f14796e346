// acs-info: prints what a character file (2.0, or the older 1.5 format)
// holds and can export its images, composed animation frames and sounds.

#include "agent/acs/AcsReader.h"
#include "agent/acs/CompoundFile.h"
#include "agent/acs/DibCodec.h"
#include "agent/acs/format15/Acs15File.h"
#include "agent/acs/format15/Acs15Reader.h"

#include "SoundReport.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QTextStream>

#include <algorithm>
#include <cstdio>
#include <memory>

using namespace clipvoice::agent::acs;

namespace {

QTextStream& out()
{
    static QTextStream s(stdout);
    return s;
}

QTextStream& err()
{
    static QTextStream s(stderr);
    return s;
}

QString hex(quint32 v, int digits)
{
    return QStringLiteral("0x%1").arg(v, digits, 16, QLatin1Char('0'));
}

QString colourName(QRgb c)
{
    return QColor(c).name();
}

QString transitionText(const Animation& a)
{
    switch (a.transitionType) {
    case 0:
        return a.returnAnimation.isEmpty()
                   ? QStringLiteral("no transition")
                   : QStringLiteral("returns with %1").arg(a.returnAnimation);
    case 1:
        return QStringLiteral("exit branching");
    default:
        return QStringLiteral("no transition");
    }
}

QString genderText(quint16 g)
{
    switch (g) {
    case 1:
        return QStringLiteral("female");
    case 2:
        return QStringLiteral("male");
    default:
        return QStringLiteral("neutral");
    }
}

// File names from animation names: keep letters, digits, '-' and '_'.
QString safeName(const QString& name, qsizetype index)
{
    QString s;
    for (QChar c : name)
        s.append(c.isLetterOrNumber() || c == u'_' || c == u'-' ? c : QChar(u'_'));
    if (s.isEmpty())
        s = QStringLiteral("animation");
    return QStringLiteral("%1-%2").arg(index, 3, 10, QLatin1Char('0')).arg(s);
}

// What both formats share: names, size, version, palette, voice and balloon.
void printDescription(const CharacterInfo& info, const LocalizedInfo* loc, const QString& path)
{
    QTextStream& o = out();
    o << "File: " << path << '\n';
    o << "Name: " << (loc ? loc->name : QString()) << '\n';
    o << "Description: " << (loc ? loc->description : QString()) << '\n';
    if (loc && !loc->extraData.isEmpty())
        o << "Extra data: " << loc->extraData << '\n';
    QStringList languages;
    for (const LocalizedInfo& l : info.localized)
        languages.append(hex(l.languageId, 4));
    o << "Languages: " << languages.join(QStringLiteral(", ")) << '\n';
    o << "Size: " << info.width << " x " << info.height << '\n';
    o << "Format version: " << info.majorVersion << '.' << info.minorVersion << '\n';
    o << "Id: " << info.id.toString() << '\n';
    o << "Transparent index: " << info.transparentIndex << '\n';
    o << "Style flags: " << hex(info.styleFlags, 8) << '\n';
    o << "Palette: " << info.palette.size() << " colours\n";
    if (const auto& v = info.voice) {
        o << "Voice: speed " << v->speed << ", pitch " << v->pitch << ", engine "
          << v->engineId.toString() << ", mode " << v->modeId.toString();
        if (v->hasExtraData)
            o << ", language " << hex(v->languageId, 4) << ", " << genderText(v->gender) << ", age "
              << v->age << ", dialect \"" << v->dialect << "\", style \"" << v->style << '"';
        o << '\n';
    } else {
        o << "Voice: none\n";
    }
    if (const auto& b = info.balloon) {
        o << "Balloon: " << b->lines << " lines, " << b->charsPerLine
          << " characters per line, font \"" << b->fontName << "\" height " << b->fontHeight
          << " weight " << b->fontWeight << (b->italic ? " italic" : "") << ", text "
          << colourName(b->foreground) << ", background " << colourName(b->background)
          << ", border " << colourName(b->border) << '\n';
    } else {
        o << "Balloon: none\n";
    }
}

void printAnimationLine(const Animation& a)
{
    out() << "  " << a.name << ": " << a.frames.size() << " frames, "
          << QString::number(a.totalDuration() / 100.0, 'f', 2) << " s, " << transitionText(a)
          << '\n';
}

void printStates(const CharacterInfo& info)
{
    QTextStream& o = out();
    o << "States (" << info.states.size() << "):\n";
    for (const State& s : info.states)
        o << "  " << s.name << ": " << s.animations.join(QStringLiteral(", ")) << '\n';
}

void printInfo(const AcsReader& reader, const QString& path, quint16 language)
{
    const CharacterInfo& info = reader.info();
    printDescription(info, reader.localized(language), path);
    QTextStream& o = out();
    if (info.trayIcon) {
        QString error;
        const QImage icon = DibCodec::decodeTrayIcon(*info.trayIcon, &error);
        if (icon.isNull())
            o << "Tray icon: unreadable (" << error << ")\n";
        else
            o << "Tray icon: " << icon.width() << " x " << icon.height() << '\n';
    } else {
        o << "Tray icon: none\n";
    }
    o << "Images: " << reader.imageCount() << '\n';
    acsinfo::printSounds(
        o, reader.soundCount(), [&reader](qsizetype s) { return reader.sound(s); },
        QStringLiteral("Sounds: %1").arg(reader.soundCount()));
    printStates(info);
    o << "Animations (" << reader.animations().size() << "):\n";
    for (const Animation& a : reader.animations())
        printAnimationLine(a);
    for (const QString& w : reader.warnings())
        o << "Warning: " << w << '\n';
    o.flush();
}

bool exportAll(const AcsReader& reader, const QString& dirPath)
{
    QDir dir(dirPath);
    for (const char* sub : {"images", "animations", "sounds"})
        if (!dir.mkpath(QLatin1String(sub))) {
            err() << "acs-info: cannot create " << dir.filePath(QLatin1String(sub)) << '\n';
            return false;
        }
    bool ok = true;
    const auto fail = [&ok](const QString& path) {
        err() << "acs-info: cannot write " << path << '\n';
        ok = false;
    };
    for (qsizetype i = 0; i < reader.imageCount(); ++i) {
        const AcsReader::ImageResult r = reader.readImage(i);
        if (!r.error.isEmpty())
            err() << "acs-info: " << r.error << '\n';
        const QString path =
            dir.filePath(QStringLiteral("images/image-%1.png").arg(i, 4, 10, QLatin1Char('0')));
        QImage img = reader.image(i);
        if (img.isNull()) { // an empty image: write a 1 x 1 transparent placeholder
            img = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
            img.fill(Qt::transparent);
        }
        if (!img.save(path, "PNG"))
            fail(path);
    }
    for (qsizetype a = 0; a < reader.animations().size(); ++a) {
        const Animation& anim = reader.animations()[a];
        const QString sub = QStringLiteral("animations/") + safeName(anim.name, a);
        dir.mkpath(sub);
        for (qsizetype f = 0; f < anim.frames.size(); ++f) {
            const QString path =
                dir.filePath(sub + QStringLiteral("/frame-%1.png").arg(f, 4, 10, QLatin1Char('0')));
            if (!reader.frame(a, f).save(path, "PNG"))
                fail(path);
        }
    }
    if (!acsinfo::exportSounds(
            dir, reader.soundCount(), [&reader](qsizetype s) { return reader.sound(s); }, err()))
        ok = false;
    if (reader.info().trayIcon) {
        const QImage icon = DibCodec::decodeTrayIcon(*reader.info().trayIcon);
        const QString path = dir.filePath(QStringLiteral("tray-icon.png"));
        if (!icon.isNull() && !icon.save(path, "PNG"))
            fail(path);
    }
    return ok;
}

// An older (1.5) character: every animation carries its own images and
// sounds, so each is decoded here (a damaged one is listed as such).
struct Older
{
    const Acs15File* file = nullptr; // owned by the reader
    std::unique_ptr<Acs15Reader> reader;
    QList<qsizetype> imageCounts; // per animation; -1 when damaged
};

bool openOlder(const QString& path, Older* older)
{
    auto file = std::make_unique<Acs15File>();
    QString error;
    if (!file->openFile(path, &error)) {
        err() << "acs-info: " << path << ": " << error << '\n';
        return false;
    }
    older->file = file.get();
    older->reader = std::make_unique<Acs15Reader>(std::move(file), path);
    for (qsizetype a = 0; a < older->reader->animationCount(); ++a) {
        Animation15 data;
        QString animationError;
        const bool read = older->reader->animation(a) != nullptr &&
                          older->file->readAnimation(a, &data, &animationError, nullptr);
        older->imageCounts.append(read ? data.images.size() : -1);
    }
    return true;
}

void printOlderInfo(const Older& older, const QString& path)
{
    const Acs15Reader& reader = *older.reader;
    const CharacterInfo& info = reader.info();
    printDescription(info, info.localized.isEmpty() ? nullptr : &info.localized.first(), path);
    QTextStream& o = out();
    qsizetype images = 0;
    for (qsizetype count : older.imageCounts)
        images += std::max<qsizetype>(count, 0);
    o << "Images: " << images << " (in the animations)\n";
    acsinfo::printSounds(
        o, reader.soundCount(), [&reader](qsizetype s) { return reader.sound(s); },
        QStringLiteral("Sounds: %1 (in the animations)").arg(reader.soundCount()));
    printStates(info);
    o << "Animations (" << reader.animationCount() << "):\n";
    for (qsizetype a = 0; a < reader.animationCount(); ++a) {
        if (const Animation* animation = reader.animation(a))
            printAnimationLine(*animation);
        else
            o << "  " << reader.animationNames().at(a) << ": damaged, left out\n";
    }
    for (const QString& w : older.file->warnings())
        o << "Warning: " << w << '\n';
    for (const QString& w : reader.warnings())
        o << "Warning: " << w << '\n';
    o.flush();
}

// The same layout as for 2.0 files: images numbered across the animations in
// order, a folder of frames per animation, sounds by their reader-wide number.
bool exportOlder(const Older& older, const QString& dirPath)
{
    const Acs15Reader& reader = *older.reader;
    QDir dir(dirPath);
    for (const char* sub : {"images", "animations", "sounds"})
        if (!dir.mkpath(QLatin1String(sub))) {
            err() << "acs-info: cannot create " << dir.filePath(QLatin1String(sub)) << '\n';
            return false;
        }
    bool ok = true;
    const auto fail = [&ok](const QString& path) {
        err() << "acs-info: cannot write " << path << '\n';
        ok = false;
    };
    qsizetype number = 0;
    for (qsizetype a = 0; a < reader.animationCount(); ++a) {
        for (qsizetype i = 0; i < older.imageCounts.at(a); ++i, ++number) {
            const QString path = dir.filePath(
                QStringLiteral("images/image-%1.png").arg(number, 4, 10, QLatin1Char('0')));
            QImage img = reader.image(a, i);
            if (img.isNull()) { // an empty image: a 1 x 1 transparent placeholder
                img = QImage(1, 1, QImage::Format_ARGB32_Premultiplied);
                img.fill(Qt::transparent);
            }
            if (!img.save(path, "PNG"))
                fail(path);
        }
        const Animation* animation = reader.animation(a);
        if (!animation)
            continue;
        const QString sub = QStringLiteral("animations/") + safeName(animation->name, a);
        dir.mkpath(sub);
        for (qsizetype f = 0; f < animation->frames.size(); ++f) {
            const QString path =
                dir.filePath(sub + QStringLiteral("/frame-%1.png").arg(f, 4, 10, QLatin1Char('0')));
            if (!reader.frame(a, f).save(path, "PNG"))
                fail(path);
        }
    }
    if (!acsinfo::exportSounds(
            dir, reader.soundCount(), [&reader](qsizetype s) { return reader.sound(s); }, err()))
        ok = false;
    return ok;
}

bool isCompoundFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QByteArray start = file.read(8);
    return CompoundFile::hasSignature(
        {reinterpret_cast<const uchar*>(start.constData()), start.size()});
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("acs-info"));
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Prints the contents of an Agent character file (.acs), of the 2.0 or the "
                       "older 1.5 format."));
    parser.addHelpOption();
    const QCommandLineOption exportOption(
        QStringList{QStringLiteral("e"), QStringLiteral("export")},
        QStringLiteral("Write every image and composed animation frame to <dir> as PNG, and "
                       "every sound that plays as a 16-bit PCM WAV file, as the program "
                       "plays it."),
        QStringLiteral("dir"));
    const QCommandLineOption languageOption(
        QStringList{QStringLiteral("l"), QStringLiteral("language")},
        QStringLiteral("Language id for the name and description (default 0x0409)."),
        QStringLiteral("id"), QStringLiteral("0x0409"));
    parser.addOption(exportOption);
    parser.addOption(languageOption);
    parser.addPositionalArgument(QStringLiteral("file"), QStringLiteral("The character file."));
    parser.process(app);
    if (parser.positionalArguments().size() != 1)
        parser.showHelp(2);
    bool languageOk = false;
    const uint language = parser.value(languageOption).toUInt(&languageOk, 0);
    if (!languageOk || language > 0xFFFF) {
        err() << "acs-info: invalid language id " << parser.value(languageOption) << '\n';
        return 2;
    }
    const QString path = parser.positionalArguments().first();
    if (isCompoundFile(path)) {
        Older older;
        if (!openOlder(path, &older))
            return 1;
        printOlderInfo(older, path);
        if (parser.isSet(exportOption) && !exportOlder(older, parser.value(exportOption)))
            return 1;
        return 0;
    }
    AcsReader reader;
    if (!reader.openFile(path)) {
        err() << "acs-info: " << path << ": " << reader.errorString() << '\n';
        return 1;
    }
    printInfo(reader, path, quint16(language));
    if (parser.isSet(exportOption) && !exportAll(reader, parser.value(exportOption)))
        return 1;
    return 0;
}
