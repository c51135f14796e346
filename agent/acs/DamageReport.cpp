#include "DamageReport.h"

#include "AcsLog.h"

#include <QMutexLocker>

namespace clipvoice::agent::acs {

DamageReport::DamageReport(QString fileName)
    : m_fileName(std::move(fileName))
{}

void DamageReport::report(const QString& message) const
{
    report(message, message);
}

void DamageReport::report(const QString& problem, const QString& message) const
{
    {
        QMutexLocker lock(&m_mutex);
        if (m_reported.contains(problem))
            return;
        m_reported.insert(problem);
    }
    qCWarning(lcAcs).noquote() << QStringLiteral("%1: %2").arg(m_fileName, message);
}

} // namespace clipvoice::agent::acs
