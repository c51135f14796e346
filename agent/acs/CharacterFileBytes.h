#pragma once

#include "FileView.h"

#include <QByteArray>
#include <QFile>
#include <QString>

#include <memory>

namespace clipvoice::agent::acs {

// Holds the bytes of a character file while it is open: the file memory-mapped
// when it can be, else read once, or bytes given by the caller. The file must
// not change while it is held.
class CharacterFileBytes
{
public:
    // On failure returns false with `error` naming the file and the reason.
    bool openFile(const QString& path, QString* error);
    void setData(const QByteArray& data);

    FileView view() const { return {m_bytes, m_size}; }

private:
    void holdData();

    std::unique_ptr<QFile> m_file; // set while the file is mapped
    QByteArray m_data;
    const uchar* m_bytes = nullptr;
    qint64 m_size = 0;
};

} // namespace clipvoice::agent::acs
