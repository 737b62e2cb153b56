#include "platform/toolkit/gui/Colors.h"

#include <array>

namespace {

// The classic scheme's defaults, by system colour index.
constexpr std::array<TColor, 31> kSystemColors = {
    RGBColor(212, 208, 200),  // scroll bar
    RGBColor(58, 110, 165),   // desktop
    RGBColor(10, 36, 106),    // active caption
    RGBColor(128, 128, 128),  // inactive caption
    RGBColor(212, 208, 200),  // menu
    RGBColor(255, 255, 255),  // window
    RGBColor(0, 0, 0),        // window frame
    RGBColor(0, 0, 0),        // menu text
    RGBColor(0, 0, 0),        // window text
    RGBColor(255, 255, 255),  // caption text
    RGBColor(212, 208, 200),  // active border
    RGBColor(212, 208, 200),  // inactive border
    RGBColor(128, 128, 128),  // application work space
    RGBColor(10, 36, 106),    // highlight
    RGBColor(255, 255, 255),  // highlight text
    RGBColor(212, 208, 200),  // button face
    RGBColor(128, 128, 128),  // button shadow
    RGBColor(128, 128, 128),  // grey text
    RGBColor(0, 0, 0),        // button text
    RGBColor(212, 208, 200),  // inactive caption text
    RGBColor(255, 255, 255),  // button highlight
    RGBColor(64, 64, 64),     // 3-D dark shadow
    RGBColor(212, 208, 200),  // 3-D light
    RGBColor(0, 0, 0),        // tool tip text
    RGBColor(255, 255, 225),  // tool tip background
    RGBColor(181, 181, 181),  // alternate button face
    RGBColor(0, 0, 128),      // hot light
    RGBColor(166, 202, 240),  // gradient of the active caption
    RGBColor(192, 192, 192),  // gradient of the inactive caption
    RGBColor(10, 36, 106),    // menu highlight
    RGBColor(212, 208, 200),  // menu bar
};

}  // namespace

TColor ColorToRGB(TColor color)
{
    if (!IsSystemColor(color)) return color;
    const unsigned index = unsigned(color) & 0xFFu;
    return index < kSystemColors.size() ? kSystemColors[index] : clBlack;
}

QColor ToQColor(TColor color)
{
    if (color == clNone) return QColor(Qt::transparent);
    if (color == clDefault) return QColor();
    const TColor rgb = ColorToRGB(color);
    return QColor(GetRValue(rgb), GetGValue(rgb), GetBValue(rgb));
}

TColor FromQColor(const QColor& color)
{
    if (!color.isValid()) return clDefault;
    if (color.alpha() == 0) return clNone;
    return RGBColor(color.red(), color.green(), color.blue());
}
