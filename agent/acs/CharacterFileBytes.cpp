#include "CharacterFileBytes.h"

namespace clipvoice::agent::acs {

bool CharacterFileBytes::openFile(const QString& path, QString* error)
{
    auto file = std::make_unique<QFile>(path);
    if (!file->open(QIODevice::ReadOnly)) {
        *error = QStringLiteral("cannot open %1: %2").arg(path, file->errorString());
        return false;
    }
    const qint64 size = file->size();
    if (size > 0) {
        if (uchar* mapped = file->map(0, size)) {
            m_bytes = mapped;
            m_size = size;
            m_file = std::move(file);
            return true;
        }
        m_data = file->readAll();
        if (m_data.size() != size) {
            *error = QStringLiteral("cannot read %1: %2").arg(path, file->errorString());
            return false;
        }
    }
    holdData();
    return true;
}

void CharacterFileBytes::setData(const QByteArray& data)
{
    m_data = data;
    holdData();
}

void CharacterFileBytes::holdData()
{
    m_bytes = reinterpret_cast<const uchar*>(m_data.constData());
    m_size = m_data.size();
}

} // namespace clipvoice::agent::acs
