#pragma once

#include <QString>

#include "length.h"

namespace velmora {

// A page the form renderer and the calibration draw on: the operations of a printer as the drawing
// code sees them. Positions come in two units: twips (1/1440 inch) for the text cursor and the
// rectangle, device pixels for text placed at a point. The first output starts the document (and its
// one page); endDocument finishes it and hands it on.
//
// A surface never throws. When the document cannot be started, every later output is dropped,
// failed() turns true and failure() says why; endDocument then returns false.
class PrinterSurface {
public:
    virtual ~PrinterSurface() = default;

    // Twips per device pixel: 1440 / dots per inch (2.4 at 600 dpi), single precision.
    virtual float twipsPerDotX() const = 0;
    virtual float twipsPerDotY() const = 0;

    // The font of every text output: the program's Song face at this size in points.
    virtual void setFontSize(float points) = 0;
    // The font's one on/off style attribute: bold.
    virtual void setBold(bool on) = 0;
    // Extra device pixels after each character of every later text output; 0 for none.
    virtual void setCharacterExtra(int pixels) = 0;

    // The text cursor, in twips from the corner of the printable area.
    virtual void setCursor(Twips x, Twips y) = 0;
    // Writes text with its top-left corner at the cursor; the cursor then moves to the start of
    // the next line (x 0, y one line height lower).
    virtual void printText(const QString& text) = 0;

    // Writes text with its top-left corner at the device pixel (x, y).
    virtual void textOut(DevicePixels x, DevicePixels y, const QString& text) = 0;

    // A black filled rectangle between two corners given in twips.
    virtual void fillRectangle(Twips x1, Twips y1, Twips x2, Twips y2) = 0;

    // Finishes the document. True when everything drawn since the start has been handed on (or
    // nothing was drawn); false when the document could not be started or finished.
    virtual bool endDocument() = 0;

    virtual bool failed() const = 0;
    // Why the document could not be started or finished, in words for the operator.
    virtual QString failure() const = 0;
};

}  // namespace velmora
