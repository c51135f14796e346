#pragma once

#include <QtGlobal>

#include <optional>

namespace clipvoice::characters {

// Facial expressions drawn for the mouth. The first seven are the mouth shapes
// a speaking character shows (their numbers are the overlay shape numbers).
enum class Mouth : int
{
    Closed = 0,
    Wide1 = 1,
    Wide2 = 2,
    Wide3 = 3,
    Wide4 = 4,
    Medium = 5,
    Narrow = 6,
    Smile = 7,  // open, happy
    Frown = 8,  // sad
    Oh = 9,     // surprised
    Wavy = 10,  // unsure
    Sleepy = 11 // a small open mouth, breathing
};

inline constexpr int SpeakingMouthCount = 7;

enum class Eyes : int
{
    Normal = 0,
    Happy = 1, // closed upward arcs
    Wide = 2
};

// Everything that changes from one drawing of a character to the next. Figures
// read the fields they have (a cloud cat has ears, the bubble has sunglasses)
// and ignore the others. Lengths are in pixels of the 128-pixel canvas, angles
// in degrees. Animations are made by interpolating between poses.
struct Pose
{
    // Whole body: offset, uniform scale, squash (> 0 wider and lower, < 0
    // taller and thinner) and tilt about the base (clockwise positive).
    qreal x = 0;
    qreal y = 0;
    qreal scale = 1;
    qreal squash = 0;
    qreal tilt = 0;

    // Arms: 0 hangs down, 90 points straight out to the side, 180 straight up;
    // negative angles swing the hand in front of the body. Bend curves the arm.
    // "Front" draws the hand over the body and what it holds.
    qreal armL = 20;
    qreal armR = 20;
    qreal bendL = 0;
    qreal bendR = 0;
    qreal reachL = 1; // arm length as a part of the full length
    qreal reachR = 1;
    qreal frontL = 0;
    qreal frontR = 0;

    // Face.
    qreal lookX = 0; // -1 screen left .. 1 screen right
    qreal lookY = 0; // -1 up .. 1 down
    qreal eyeOpen = 1;
    Eyes eyes = Eyes::Normal;
    qreal brow = 0;  // -1 worried, 0 relaxed, 1 raised
    qreal peek = 0;  // the bubble's sunglasses slide down (1) or jump up (-1)
    qreal blush = 0; // 0..1
    Mouth mouth = Mouth::Closed;

    // Cloud cat only: ear twitch and tail swing.
    qreal ears = 0;
    qreal tail = 0;

    // Props, each 0 (absent) .. 1 (fully shown).
    qreal book = 0;
    qreal bookOpen = 0;
    qreal pageTurn = 0; // 0..1 a page sweeps from right to left
    qreal paper = 0;
    qreal written = 0; // how much of the paper's lines are written
    qreal pen = 0;
    qreal wand = 0;
    qreal horn = 0;
    qreal bulb = 0;
    qreal question = 0;
    qreal exclaim = 0;
    qreal thought = 0; // small thought dots
    qreal listen = 0;  // sound arcs by the head
    qreal sparkles = 0;
    qreal stars = 0; // happy stars around the head
    qreal zzz = 0;
    qreal phase = 0; // drives sparkles, stars, zzz and scribbles (0..1 a cycle)
};

// A change to some fields of a pose: with(base, {.armR = 150, .mouth = Mouth::Smile})
// is `base` with those two fields replaced. Designated initialisers must name
// the fields in the order Pose declares them. PoseFields.h checks that the two
// structs have the same fields.
struct PoseChange
{
    std::optional<qreal> x{}, y{}, scale{}, squash{}, tilt{};
    std::optional<qreal> armL{}, armR{}, bendL{}, bendR{}, reachL{}, reachR{}, frontL{}, frontR{};
    std::optional<qreal> lookX{}, lookY{}, eyeOpen{};
    std::optional<Eyes> eyes{};
    std::optional<qreal> brow{}, peek{}, blush{};
    std::optional<Mouth> mouth{};
    std::optional<qreal> ears{}, tail{};
    std::optional<qreal> book{}, bookOpen{}, pageTurn{}, paper{}, written{}, pen{}, wand{}, horn{},
        bulb{}, question{}, exclaim{}, thought{}, listen{}, sparkles{}, stars{}, zzz{}, phase{};
};

} // namespace clipvoice::characters
