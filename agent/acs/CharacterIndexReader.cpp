#include "CharacterIndexReader.h"

#include "AnimationBlockReader.h"
#include "ByteCursor.h"
#include "CharacterBlockReader.h"
#include "ImageListReader.h"

namespace clipvoice::agent::acs {

namespace {

const QString kDamaged = QStringLiteral("character file is damaged or encrypted");

} // namespace

CharacterIndexReader::CharacterIndexReader(FileView file, CharacterIndex& index)
    : m_file(file)
    , m_index(index)
{}

bool CharacterIndexReader::read(FileView file, CharacterIndex& index, QString* error)
{
    CharacterIndexReader reader(file, index);
    Blocks blocks;
    const bool ok = reader.readHeader(blocks) && reader.readCharacter(blocks.character) &&
                    reader.readAnimationList(blocks.animations) &&
                    reader.readImages(blocks.images) && reader.readAudioList(blocks.sounds);
    if (!ok)
        *error = reader.m_error;
    return ok;
}

bool CharacterIndexReader::hasSignature(FileView file)
{
    return file.size >= 4 && file.bytes[0] == 0xC3 && file.bytes[1] == 0xAB &&
           file.bytes[2] == 0xCD && file.bytes[3] == 0xAB;
}

QString CharacterIndexReader::animationFileUnsupported()
{
    return QStringLiteral("unsupported character file: ACA animation files (web format) are not "
                          "supported yet");
}

bool CharacterIndexReader::fail(const QString& message)
{
    m_error = message;
    return false;
}

bool CharacterIndexReader::failDamaged(const QString& message)
{
    return fail(QStringLiteral("%1: %2").arg(kDamaged, message));
}

bool CharacterIndexReader::readHeader(Blocks& blocks)
{
    const uchar* b = m_file.bytes;
    if (m_file.size >= 4 && b[0] == 0xD0 && b[1] == 0xCF && b[2] == 0x11 && b[3] == 0xE0)
        return fail(QStringLiteral("unsupported character file: Agent 1.5 format"));
    ByteCursor c(m_file.bytes, 0, m_file.size, QStringLiteral("file header"));
    const quint32 signature = c.u32("signature");
    if (!c.ok())
        return fail(QStringLiteral("not a character file: %1 bytes is too short").arg(m_file.size));
    if (signature == WebSignature)
        return fail(QStringLiteral("unsupported character file: ACF web format is not supported "
                                   "yet"));
    if (signature != Signature) {
        // An animation file of the web format starts with its version words.
        if ((signature >> 16) == 2 && (signature & 0xFFFF) < 16)
            return fail(animationFileUnsupported());
        return fail(QStringLiteral("not a character file: signature 0x%1 at offset 0x0")
                        .arg(signature, 8, 16, QLatin1Char('0')));
    }
    Locator* const locators[4] = {&blocks.character, &blocks.animations, &blocks.images,
                                  &blocks.sounds};
    static const char* const names[4] = {"character block", "animation list", "image list",
                                         "audio list"};
    for (Locator* l : locators) {
        l->offset = c.u32("block offset");
        l->size = c.u32("block size");
    }
    if (!c.ok())
        return failDamaged(c.error());
    for (int i = 0; i < 4; ++i) {
        QString error;
        if (!m_file.contains(*locators[i], QLatin1String(names[i]), &error))
            return failDamaged(
                QStringLiteral("header at offset %1: %2").arg(hexOffset(4 + 8 * i), error));
    }
    return true;
}

bool CharacterIndexReader::readCharacter(const Locator& block)
{
    CharacterBlock read = readCharacterBlock(m_file, block);
    if (!read.error.isEmpty())
        return failDamaged(read.error);
    if (!read.warning.isEmpty())
        m_index.warnings.append(read.warning);
    m_index.info = std::move(read.info);
    return true;
}

bool CharacterIndexReader::readAnimationList(const Locator& list)
{
    ByteCursor c(m_file.bytes, list.offset, list.size, QStringLiteral("animation list"));
    const quint32 count = c.u32("animation count");
    // An entry is at least an empty name and a locator.
    if (!c.checkCount("animation count", count, 12))
        return failDamaged(c.error());
    QStringList& warnings = m_index.warnings;
    int damaged = 0;
    for (quint32 i = 0; i < count && c.ok(); ++i) {
        const QString listName = c.string("animation name");
        const qint64 at = c.position();
        const Locator block{c.u32("animation offset"), c.u32("animation size")};
        if (!c.ok())
            break;
        QString error;
        if (!m_file.contains(block, QStringLiteral("animation \"%1\"").arg(listName), &error)) {
            warnings.append(
                QStringLiteral("animation list at offset %1: %2").arg(hexOffset(at), error));
            ++damaged;
            continue;
        }
        AnimationBlock read = readAnimationBlock(m_file, block, listName);
        if (!read.error.isEmpty()) {
            warnings.append(QStringLiteral("%1 (animation left out)").arg(read.error));
            ++damaged;
            continue;
        }
        Animation& a = read.animation;
        if (read.unusedBytes != 0)
            warnings.append(QStringLiteral("animation \"%1\" at offset %2: %3 unused bytes")
                                .arg(listName, hexOffset(block.offset))
                                .arg(read.unusedBytes));
        if (a.name.compare(listName, Qt::CaseInsensitive) != 0)
            warnings.append(QStringLiteral("animation \"%1\" at offset %2 calls itself \"%3\"")
                                .arg(listName, hexOffset(block.offset), a.name));
        a.name = listName;
        const QString key = listName.toCaseFolded();
        if (m_index.animationByName.contains(key))
            warnings.append(QStringLiteral("animation list at offset %1: \"%2\" is listed twice; "
                                           "the first is used")
                                .arg(hexOffset(at), listName));
        else
            m_index.animationByName.insert(key, m_index.animations.size());
        m_index.animations.append(std::move(a));
    }
    if (!c.ok())
        return failDamaged(c.error());
    if (count > 0 && damaged == qint64(count))
        return failDamaged(QStringLiteral("none of the %1 animations can be read (%2)")
                               .arg(count)
                               .arg(warnings.isEmpty() ? QString() : warnings.last()));
    return true;
}

bool CharacterIndexReader::readImages(const Locator& list)
{
    QString error;
    return readImageList(m_file, list, m_index, &error) || failDamaged(error);
}

bool CharacterIndexReader::readAudioList(const Locator& list)
{
    ByteCursor c(m_file.bytes, list.offset, list.size, QStringLiteral("audio list"));
    const quint32 count = c.u32("sound count");
    if (!c.checkCount("sound count", count, 12))
        return failDamaged(c.error());
    m_index.sounds.reserve(count);
    for (quint32 i = 0; i < count; ++i) {
        const qint64 at = c.position();
        Locator sound{c.u32("sound offset"), c.u32("sound size")};
        c.u32("sound checksum");
        QString error;
        if (!m_file.contains(sound, QStringLiteral("sound %1").arg(i), &error)) {
            m_index.warnings.append(
                QStringLiteral("audio list at offset %1: %2").arg(hexOffset(at), error));
            sound = {};
        }
        m_index.sounds.append(sound);
    }
    return true;
}

} // namespace clipvoice::agent::acs
