#include "Acs15File.h"

#include "Animation15Reader.h"
#include "Character15Reader.h"
#include "Stream15.h"
#include "agent/acs/AcsLog.h"

namespace clipvoice::agent::acs {

namespace {

const QString kDamaged = QStringLiteral("character file is damaged or encrypted");

bool failWith(QString* error, const QString& message)
{
    if (error)
        *error = message;
    return false;
}

} // namespace

bool Acs15File::hasSignature(FileView file)
{
    return CompoundFile::hasSignature(file);
}

void Acs15File::reset()
{
    m_container = CompoundFile();
    m_character = Character15();
    m_warnings.clear();
    m_streams.clear();
}

bool Acs15File::openFile(const QString& path, QString* error)
{
    reset();
    m_name = path;
    QString detail;
    if (!m_bytes.openFile(path, &detail))
        return failWith(error, detail);
    return open(error);
}

bool Acs15File::openData(const QByteArray& data, QString* error, const QString& name)
{
    reset();
    m_name = name.isEmpty() ? QStringLiteral("character data") : name;
    m_bytes.setData(data);
    return open(error);
}

bool Acs15File::open(QString* error)
{
    const FileView file = m_bytes.view();
    if (!CompoundFile::hasSignature(file))
        return failWith(error, QStringLiteral("not a character file of the 1.5 format: no "
                                              "compound file signature at offset 0x0"));
    QString detail;
    if (!m_container.open(file, &detail))
        return failWith(error, QStringLiteral("%1: %2").arg(kDamaged, detail));
    const CompoundFile::Entry* charStream = m_container.find(QStringLiteral("char.acf"));
    if (!charStream || !charStream->isStream)
        return failWith(error, QStringLiteral("not a character file: the compound file has no "
                                              "char.acf stream"));
    if (!m_container.rootClsid().isNull() && m_container.rootClsid() != CharacterClsid15)
        m_warnings.append(
            QStringLiteral("the root storage's class id %1 is not the character "
                           "files' %2")
                .arg(m_container.rootClsid().toString(), CharacterClsid15.toString()));
    QByteArray stream;
    if (!m_container.read(*charStream, &stream, &detail))
        return failWith(error, QStringLiteral("%1: %2").arg(kDamaged, detail));
    QByteArray block;
    if (!decodeCharacterStream15(stream, &block, &detail))
        return failWith(error, QStringLiteral("%1: %2").arg(kDamaged, detail));
    stream = {};
    if (!readCharacterBlock15(block, &m_character, &detail, &m_warnings))
        return failWith(error, QStringLiteral("%1: %2").arg(kDamaged, detail));

    const QList<CompoundFile::Entry>& entries = m_container.entries();
    m_streams.reserve(m_character.animations.size());
    for (const AnimationEntry15& entry : std::as_const(m_character.animations)) {
        const CompoundFile::Entry* found = m_container.find(entry.streamName);
        if (!found || !found->isStream) {
            m_warnings.append(QStringLiteral("animation \"%1\": stream \"%2\" is missing "
                                             "(animation left out)")
                                  .arg(entry.name, entry.streamName));
            m_streams.append(-1);
            continue;
        }
        m_streams.append(found - entries.constData());
    }
    if (!m_streams.isEmpty() && m_streams.count(-1) == m_streams.size())
        return failWith(error, QStringLiteral("%1: none of the %2 animation streams is in the file")
                                   .arg(kDamaged)
                                   .arg(m_streams.size()));
    for (const QString& w : std::as_const(m_warnings))
        qCWarning(lcAcs).noquote() << QStringLiteral("%1: %2").arg(m_name, w);
    return true;
}

bool Acs15File::readAnimation(qsizetype index, Animation15* animation, QString* error) const
{
    QStringList warnings;
    const bool ok = readAnimation(index, animation, error, &warnings);
    for (const QString& w : std::as_const(warnings))
        qCWarning(lcAcs).noquote() << QStringLiteral("%1: animation \"%2\": %3")
                                          .arg(m_name, m_character.animations[index].name, w);
    return ok;
}

bool Acs15File::readAnimation(qsizetype index, Animation15* animation, QString* error,
                              QStringList* warnings) const
{
    if (index < 0 || index >= m_character.animations.size())
        return failWith(error, QStringLiteral("no animation %1 (the character has %2)")
                                   .arg(index)
                                   .arg(m_character.animations.size()));
    const AnimationEntry15& entry = m_character.animations[index];
    const QString what = QStringLiteral("animation \"%1\" is damaged").arg(entry.name);
    if (m_streams[index] < 0)
        return failWith(error,
                        QStringLiteral("%1: stream \"%2\" is missing").arg(what, entry.streamName));
    const CompoundFile::Entry& streamEntry = m_container.entries()[m_streams[index]];
    QString detail;
    QByteArray stream;
    if (!m_container.read(streamEntry, &stream, &detail))
        return failWith(error, QStringLiteral("%1: %2").arg(what, detail));
    AnimationStreamExpectation15 expected;
    expected.minorVersion = m_character.info.minorVersion;
    expected.majorVersion = m_character.info.majorVersion;
    expected.stamp = entry.stamp;
    QByteArray block;
    if (!decodeAnimationStream15(stream, entry.streamName, expected, &block, &detail, warnings))
        return failWith(error, QStringLiteral("%1: %2").arg(what, detail));
    stream = {};
    const QString blockName = QStringLiteral("%1 (decoded)").arg(entry.streamName);
    if (!readAnimationBlock15(block, m_character.info.width, m_character.info.height, blockName,
                              animation, &detail, warnings))
        return failWith(error, QStringLiteral("%1: %2").arg(what, detail));
    return true;
}

} // namespace clipvoice::agent::acs
