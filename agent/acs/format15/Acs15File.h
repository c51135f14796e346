#pragma once

#include "Character15.h"
#include "agent/acs/CharacterFileBytes.h"
#include "agent/acs/CompoundFile.h"
#include "agent/acs/FileView.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>
#include <QUuid>

// A character file in the 1.5 format: a compound file with a "char.acf"
// stream and one "anim<i>.aaf" stream per animation.
//
// Opening reads the container, decodes and parses char.acf and checks that
// every listed animation stream exists. Animation streams are decoded only by
// readAnimation(), and a damaged one makes only that animation unavailable.
namespace clipvoice::agent::acs {

// The root storage's class id in every known character file of this format.
inline constexpr QUuid CharacterClsid15 =
    QUuid(0xBB64DF2F, 0x88E4, 0x11D0, 0x9E, 0x87, 0x00, 0xC0, 0x4F, 0xD7, 0x08, 0x1F);

class Acs15File final : public Animation15Source
{
public:
    Acs15File() = default;
    Acs15File(const Acs15File&) = delete;
    Acs15File& operator=(const Acs15File&) = delete;

    // Whether the file starts with the compound-file signature.
    static bool hasSignature(FileView file);

    // On failure return false with `error` saying what is wrong and where.
    // Logged problems name the file by `path`, or by `name` for data.
    bool openFile(const QString& path, QString* error);
    bool openData(const QByteArray& data, QString* error, const QString& name = QString());

    const Character15& character() const override { return m_character; }
    // Problems that did not stop loading: missing animation streams, a
    // balloon block read the other way, an unexpected class id.
    QStringList warnings() const { return m_warnings; }

    // Decodes animation `index`. Safe to call from several threads at once.
    // Problems that do not stop reading it are logged.
    bool readAnimation(qsizetype index, Animation15* animation, QString* error) const override;
    // The same, handing those problems to the caller instead.
    bool readAnimation(qsizetype index, Animation15* animation, QString* error,
                       QStringList* warnings) const;

    qint64 fileSize() const { return m_bytes.view().size; }

private:
    bool open(QString* error);
    void reset();

    CharacterFileBytes m_bytes;
    QString m_name; // the file in log messages
    CompoundFile m_container;
    Character15 m_character;
    QStringList m_warnings;
    // Per animation: the index of its stream in m_container.entries(), or -1.
    QList<qsizetype> m_streams;
};

} // namespace clipvoice::agent::acs
