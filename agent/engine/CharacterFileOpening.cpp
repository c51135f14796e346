#include "agent/engine/CharacterFileOpening.h"

#include "agent/acs/CompoundFile.h"
#include "agent/acs/format15/Acs15Reader.h"
#include "agent/engine/Acs15CharacterSource.h"
#include "agent/engine/AcsCharacterSource.h"

#include <QFile>

namespace clipvoice::agent::engine {

namespace {

bool isCompoundFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false; // the 2.0 reader reports why it cannot be read
    const QByteArray start = file.read(8);
    return acs::CompoundFile::hasSignature(
        {reinterpret_cast<const uchar*>(start.constData()), start.size()});
}

} // namespace

std::unique_ptr<CharacterSource> openCharacterSource(const QString& path, QString* error)
{
    if (isCompoundFile(path)) {
        QString message;
        auto reader = acs::Acs15Reader::openFile(path, &message);
        if (!reader) {
            if (error)
                *error = message;
            return nullptr;
        }
        return std::make_unique<Acs15CharacterSource>(std::move(reader));
    }
    return AcsCharacterSource::open(path, error);
}

} // namespace clipvoice::agent::engine
