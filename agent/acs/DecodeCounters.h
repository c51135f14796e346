#pragma once

#include <QtGlobal>

#include <atomic>

namespace clipvoice::agent::acs {

// Counts of the decoding work done on an open file.
struct DecodeStatistics
{
    qint64 imageDecodes = 0;  // image pixel data decoded (whole or in part)
    qint64 decodedBytes = 0;  // bytes those decodes allocated for pixels
    qint64 layersLeftOut = 0; // frame layers left out by the per-frame limits
};

// The counters behind DecodeStatistics; cheap to update from any thread.
class DecodeCounters
{
public:
    void countDecode(qint64 bytes) const
    {
        ++m_imageDecodes;
        m_decodedBytes += bytes;
    }
    void countLayersLeftOut(qint64 layers) const { m_layersLeftOut += layers; }

    DecodeStatistics statistics() const
    {
        return {m_imageDecodes.load(), m_decodedBytes.load(), m_layersLeftOut.load()};
    }

private:
    mutable std::atomic<qint64> m_imageDecodes{0};
    mutable std::atomic<qint64> m_decodedBytes{0};
    mutable std::atomic<qint64> m_layersLeftOut{0};
};

} // namespace clipvoice::agent::acs
