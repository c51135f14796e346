#pragma once

#include <QRect>

class QScreen;

namespace clipvoice::app {

// Converts twips (1440 to the inch) to pixels at a given logical dpi. The window
// layout is described in twips; this is the one place where it becomes pixels.
class TwipScale
{
public:
    static constexpr int kTwipsPerInch = 1440;

    explicit constexpr TwipScale(double dotsPerInch)
        : m_dotsPerInch(dotsPerInch)
    {}

    // The scale of the screen's logical dpi; 96 dpi when there is no screen.
    static TwipScale forScreen(const QScreen* screen);

    double dotsPerInch() const { return m_dotsPerInch; }

    // A coordinate in twips as the nearest pixel.
    int toPixels(int twips) const;

    // A rectangle given as left, top, width and height in twips. Both edges are
    // converted, so rectangles that touch or overlap in twips do so in pixels.
    QRect toPixels(int left, int top, int width, int height) const;

private:
    double m_dotsPerInch;
};

} // namespace clipvoice::app
