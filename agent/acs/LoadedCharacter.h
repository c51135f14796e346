#pragma once

#include "CharacterFileBytes.h"
#include "CharacterIndex.h"
#include "DamageReport.h"
#include "DecodeCounters.h"

#include <QRgb>

#include <array>

namespace clipvoice::agent::acs {

// An open character file as the image work sees it: its bytes, its index, the
// colours of its palette indices, and where the work is counted and damage is
// reported. Nothing in it changes once loaded, apart from the counters and the
// report, which are safe to use from several threads.
struct LoadedCharacter
{
    explicit LoadedCharacter(QString fileName)
        : report(std::move(fileName))
    {}

    FileView file() const { return bytes.view(); }
    // A copy of the bytes of `block`, which lies inside the file.
    QByteArray copyOf(const Locator& block) const
    {
        return QByteArray(reinterpret_cast<const char*>(file().at(block.offset)), block.size);
    }

    CharacterFileBytes bytes;
    CharacterIndex index;
    std::array<QRgb, 256> colours{}; // see FrameComposer::colourTable()
    DamageReport report;
    DecodeCounters counters;
};

} // namespace clipvoice::agent::acs
