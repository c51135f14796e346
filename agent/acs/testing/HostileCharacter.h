#pragma once

#include <QByteArray>
#include <QtGlobal>

// Builds character files that stay within every limit the reader checks but
// cost far more to decode than their size suggests. Tests, the benchmark and
// the fuzzer's regression folder use them.
namespace clipvoice::agent::acs::testing {

class HostileCharacter
{
public:
    struct SharedImage
    {
        int side = 1024;      // character width and height
        int imageSide = 4096; // width and height of each large image
        int blocks = 1;       // distinct large image blocks in the file
        int entries = 8;      // image list entries; entry i points at block i % blocks
        int layers = 8;       // images of each frame; layer k shows entry k % entries
        int x = 0;            // where the first layer is placed
        int y = 0;
        int stepX = 0; // each further layer is placed this much to the right
    };

    // A character whose image list entries all point at a few large image blocks,
    // each one plain colour and stored as a tiny compressed stream. Its animations
    // "RestPose" and "Show" (the latter in the SHOWING state) have one frame that
    // lists the entries as its images.
    static QByteArray sharedImageFile(const SharedImage& options);

    // The smallest compressed stream of `size` bytes all equal to `value`: one
    // literal, then back-references of distance 1.
    static QByteArray plainStream(qsizetype size, quint8 value);
};

} // namespace clipvoice::agent::acs::testing
