#pragma once

#include <QMutex>
#include <QSet>
#include <QString>

namespace clipvoice::agent::acs {

// Sends warnings about a damaged character file to the "clipvoice.acs" log,
// each prefixed with the file's name and each problem only once, however often
// it is met (a damaged image drawn in many frames is reported once). Safe to
// call from several threads at once.
class DamageReport
{
public:
    explicit DamageReport(QString fileName);

    // Logs `message` unless the same message was logged before.
    void report(const QString& message) const;
    // Logs `message` unless a message for `problem` was logged before; for
    // problems whose message can differ from one time to the next.
    void report(const QString& problem, const QString& message) const;

    const QString& fileName() const { return m_fileName; }

private:
    QString m_fileName;
    mutable QMutex m_mutex;
    mutable QSet<QString> m_reported;
};

} // namespace clipvoice::agent::acs
