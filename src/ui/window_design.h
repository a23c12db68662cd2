#pragma once

class QWidget;

namespace velmora {

// Window designs give positions in twips; Qt lays windows out in pixels, 15 twips each.
inline constexpr int kTwipsPerPixel = 15;
constexpr int TwipsToPixels(int twips) {
    return (twips + kTwipsPerPixel / 2) / kTwipsPerPixel;
}

// Qt Designer keeps whole point sizes only: a control whose design size has a fraction (10.5 pt,
// 14.25 pt, 21.75 pt) carries it in the dynamic property "pointSizeF" of its .ui file. Gives every
// such control under `root` (and `root` itself) its exact size; call after setupUi.
void ApplyFractionalPointSizes(QWidget* root);

}  // namespace velmora
