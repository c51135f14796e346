#pragma once

#include <QElapsedTimer>
#include <QFile>
#include <QTimer>

namespace clipvoice::app {

// A diagnostic for benchmarks: a light timer on the window's thread notes how
// late it fires, and every time the thread was held up longer than
// `threshold` a line "stall N ms" is appended to a file. Started by main()
// only when CLIPVOICE_STALL_LOG names that file.
class StallWatch
{
public:
    static constexpr int IntervalMs = 20;

    StallWatch(const QString& path, int thresholdMs = 20);

    bool isOpen() const { return m_file.isOpen(); }
    // The longest hold-up seen, in milliseconds.
    qint64 longestMs() const { return m_longest; }
    // Notes one firing at the given time (milliseconds since start).
    void tick(qint64 nowMs);

private:
    QFile m_file;
    QTimer m_timer;
    QElapsedTimer m_clock;
    int m_threshold;
    qint64 m_last = 0;
    qint64 m_longest = 0;
};

} // namespace clipvoice::app
