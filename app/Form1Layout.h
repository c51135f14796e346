#pragma once

#include <array>

namespace clipvoice::app {

// Place and size of one visible control of the main window, in twips relative
// to its parent's client area.
struct ControlPlacement
{
    const char* name;
    int left;
    int top;
    int width;
    int height;
};

// The main window's client area in twips.
inline constexpr int kFormWidthTwips = 6990;
inline constexpr int kFormHeightTwips = 4230;

// Every control that has a place and size, in the order of the window description.
// Label3, Label4 and Label5 are placed inside Picture1; all others inside the window.
inline constexpr std::array<ControlPlacement, 17> kControlPlacements = {{
    {"ImageCombo1", 4320, 600, 2415, 315},
    {"Check3", 4320, 1800, 200, 200},
    {"Check2", 4320, 1560, 200, 200},
    {"Check1", 4320, 1320, 200, 200},
    {"Picture1", 120, 3480, 3900, 240},
    {"Label5", 0, 0, 255, 255},
    {"Label4", 3600, 0, 255, 255},
    {"Label3", 3360, 0, 255, 255},
    {"Text1", 120, 2520, 3900, 975},
    {"WebBrowser1", -50, 3880, 7095, 495},
    {"TreeView1", 120, 600, 3900, 1815},
    {"File1", 1440, 2160, 1215, 810},
    {"Label8", 4560, 1800, 2295, 255},
    {"Label7", 4560, 1560, 2295, 255},
    {"Label6", 4560, 1320, 2295, 255},
    {"Label2", 6720, 0, 255, 255},
    {"Label1", 6480, 0, 255, 255},
}};

// The tab order (tab index 0 upwards). Labels and the hidden file list never
// take the focus; the others take it in this order.
inline constexpr std::array<const char*, 17> kTabOrder = {
    "File1",    "Label1", "Label2", "TreeView1", "WebBrowser1", "Text1",
    "Picture1", "Label3", "Label4", "Check1",    "Check2",      "Label5",
    "Label6",   "Label7", "Check3", "Label8",    "ImageCombo1"};

} // namespace clipvoice::app
