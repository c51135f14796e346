#pragma once

#include <QString>

// The large copy the benchmarks queue: 200,000 lines of 50 characters plus
// the line break, about 10 MB of UTF-8.
inline QString largeCopiedText(const QString& lineBreak)
{
    QString text;
    const QString line =
        QStringLiteral("The quick brown fox jumps over the lazy dog %1.") + lineBreak;
    text.reserve(200000 * line.size());
    for (int i = 0; i < 200000; ++i)
        text += line.arg(i % 100000, 5, 10, QLatin1Char('0'));
    return text;
}
