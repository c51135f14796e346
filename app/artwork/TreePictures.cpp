#include "app/artwork/Artwork.h"

#include "app/artwork/PixelMap.h"

#include <array>

namespace clipvoice::app::artwork {

namespace {

using Rows = std::array<std::string_view, 16>;

// A golden oil lamp with a wisp of smoke from its spout.
constexpr Rows kGenie = {
    "................", //
    "................", //
    "..s.............", //
    ".s......oo......", //
    "..s....oLYo.....", //
    "...s..oYYYGo....", //
    ".....oooooooo...", //
    "oo..oLLYYYYYGooo", //
    "oYo.oLYYYYYYGo.o", //
    ".oYooYYYYYYYGo.o", //
    "..oYYYYYYYYGGooo", //
    "...oGGYYYYGGo...", //
    "....ooGGGGoo....", //
    "......oYGo......", //
    ".....oYYYGo.....", //
    "....oooooooo....", //
};
constexpr std::array<PixelKey, 5> kGenieKeys = {{
    {'o', qRgb(0x6b, 0x48, 0x00)},
    {'Y', qRgb(0xe9, 0xb0, 0x1c)},
    {'L', qRgb(0xff, 0xe4, 0x7e)},
    {'G', qRgb(0xb3, 0x7a, 0x0a)},
    {'s', qRgb(0xa8, 0x96, 0xd8)},
}};

// A wizard's hat: dark blue cone with yellow stars, a gold band and a brim.
constexpr Rows kMerlin = {
    "..........oo....", //
    ".........obo....", //
    "........obBo....", //
    ".......obBBo....", //
    ".......obBBBo...", //
    "......obBYBBo...", //
    "......obYYYBBo..", //
    ".....obBBYBBBo..", //
    ".....obBBBBYBBo.", //
    "....obBYBBYYYBo.", //
    "....obBBBBBYBBBo", //
    "...oggggggggggo.", //
    ".oobBBBBBBBBBBoo", //
    "obBBBBBBBBBBBBBo", //
    ".oooooooooooooo.", //
    "................", //
};
constexpr std::array<PixelKey, 5> kMerlinKeys = {{
    {'o', qRgb(0x0b, 0x12, 0x3d)},
    {'B', qRgb(0x1d, 0x2c, 0x86)},
    {'b', qRgb(0x3a, 0x52, 0xb8)},
    {'Y', qRgb(0xff, 0xd8, 0x1e)},
    {'g', qRgb(0xd8, 0xa2, 0x00)},
}};

// A green parrot on a branch, facing left, with a hooked yellow beak.
constexpr Rows kPeedy = {
    "................", //
    "......oooo......", //
    ".....oLLGGo.....", //
    "...oooLwkGGo....", //
    "..oYYYoLGGGo....", //
    "..oYyyoGGGGGo...", //
    "...oyooGGGDGGo..", //
    "....o.oLGDDDGo..", //
    "......oLGDDDDGo.", //
    "......oLGGDDDGo.", //
    ".......oLGDDDGo.", //
    "........oGDDRo..", //
    "...bbbbbooRRRo..", //
    "..bbbbbbbbbbRRo.", //
    "............oRo.", //
    "................", //
};
constexpr std::array<PixelKey, 10> kPeedyKeys = {{
    {'o', qRgb(0x1b, 0x4a, 0x12)},
    {'G', qRgb(0x3c, 0xb4, 0x3c)},
    {'L', qRgb(0x9a, 0xe6, 0x82)},
    {'D', qRgb(0x22, 0x7e, 0x2a)},
    {'Y', qRgb(0xf8, 0xc8, 0x1e)},
    {'y', qRgb(0xb8, 0x86, 0x0a)},
    {'w', qRgb(0xff, 0xff, 0xff)},
    {'k', qRgb(0x00, 0x00, 0x00)},
    {'R', qRgb(0xd8, 0x2c, 0x22)},
    {'b', qRgb(0x8a, 0x5a, 0x2b)},
}};

// A grey robot head with an antenna, a visor with two glowing eyes, ears and a
// grille for a mouth.
constexpr Rows kRobby = {
    ".......rr.......", //
    ".......rr.......", //
    ".......oo.......", //
    "..oooooooooooo..", //
    "..olllllllllgo..", //
    "..olgggggggggo..", //
    "..olmeemmeemgo..", //
    ".dolmeemmeemgod.", //
    ".dolgggggggggod.", //
    ".dolgggggggggod.", //
    "..olgmmmmmmggo..", //
    "..olgmlmlmmggo..", //
    "..olgmmmmmmgdo..", //
    "..ogdddddddddo..", //
    "..oooooooooooo..", //
    "....oddddddo....", //
};
constexpr std::array<PixelKey, 7> kRobbyKeys = {{
    {'o', qRgb(0x2e, 0x32, 0x38)},
    {'l', qRgb(0xdc, 0xe0, 0xe6)},
    {'g', qRgb(0xa6, 0xad, 0xb7)},
    {'d', qRgb(0x6c, 0x73, 0x7d)},
    {'m', qRgb(0x3e, 0x43, 0x4a)},
    {'e', qRgb(0x46, 0xd2, 0xff)},
    {'r', qRgb(0xe0, 0x30, 0x2a)},
}};

// A blue diamond holding a small white figure in a blue shirt.
constexpr Rows kOther = {
    ".......oo.......", //
    "......oLLo......", //
    ".....oLwwBo.....", //
    "....oLwwwwBo....", //
    "...oLBwwwwBBo...", //
    "..oLLBBwwBBBBo..", //
    ".oLLBwwkkwwBBDo.", //
    "oLLBwwwkkwwwBDDo", //
    "oLLBwwwkkwwwDDDo", //
    ".oLBBBBBBBDDDDo.", //
    "..oBBBBBBDDDDo..", //
    "...oBBBBDDDDo...", //
    "....oBBDDDDo....", //
    ".....oDDDDo.....", //
    "......oDDo......", //
    ".......oo.......", //
};
constexpr std::array<PixelKey, 6> kOtherKeys = {{
    {'o', qRgb(0x0d, 0x2a, 0x66)},
    {'L', qRgb(0x6c, 0xa8, 0xf2)},
    {'B', qRgb(0x2a, 0x6e, 0xd6)},
    {'D', qRgb(0x1a, 0x4c, 0xa6)},
    {'w', qRgb(0xff, 0xff, 0xff)},
    {'k', qRgb(0x10, 0x36, 0x8c)},
}};

// A grey round button with a shine at its upper left.
constexpr Rows kNotInstalled = {
    "................", //
    ".....oooooo.....", //
    "...oollllggoo...", //
    "..oolwwlggggoo..", //
    "..olwwlggggggo..", //
    ".ollwlggggggggo.", //
    ".olllgggggggggo.", //
    ".ollgggggggggdo.", //
    ".olgggggggggddo.", //
    ".ogggggggggdddo.", //
    ".oggggggggddddo.", //
    "..oggggggddddo..", //
    "..ooggggddddoo..", //
    "...ooggddddoo...", //
    ".....oooooo.....", //
    "................", //
};
constexpr std::array<PixelKey, 5> kNotInstalledKeys = {{
    {'o', qRgb(0x5a, 0x5e, 0x64)},
    {'w', qRgb(0xff, 0xff, 0xff)},
    {'l', qRgb(0xd8, 0xdb, 0xdf)},
    {'g', qRgb(0xb0, 0xb4, 0xba)},
    {'d', qRgb(0x88, 0x8d, 0x94)},
}};

template <std::size_t N> QImage treeImage(const Rows& rows, const std::array<PixelKey, N>& keys)
{
    return pixelMapPicture(rows, keys, QImage::Format_RGB32, qRgb(0xff, 0xff, 0xff));
}

} // namespace

QImage treePicture(const QString& key)
{
    if (key == QLatin1String("genie"))
        return treeImage(kGenie, kGenieKeys);
    if (key == QLatin1String("merlin"))
        return treeImage(kMerlin, kMerlinKeys);
    if (key == QLatin1String("peedy"))
        return treeImage(kPeedy, kPeedyKeys);
    if (key == QLatin1String("robby"))
        return treeImage(kRobby, kRobbyKeys);
    if (key == QLatin1String("other"))
        return treeImage(kOther, kOtherKeys);
    if (key == QLatin1String("notinstalled"))
        return treeImage(kNotInstalled, kNotInstalledKeys);
    return {};
}

} // namespace clipvoice::app::artwork
