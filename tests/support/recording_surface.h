#pragma once

#include <QString>
#include <vector>

#include "printer_surface.h"

namespace velmora::test {

// A surface that draws nothing and records every output with the font and spacing in force, so the
// drawing rules can be checked to the pixel without a printer. It can be told to fail starting or
// finishing its document, to stand for a missing or refusing printer.
class RecordingSurface final : public PrinterSurface {
public:
    enum class Kind { PrintText, TextOut, FillRectangle, EndDocument };
    struct Call {
        Kind kind;
        double x = 0;  // PrintText: cursor twips; TextOut: device pixels; FillRectangle: first corner
        double y = 0;
        double x2 = 0;  // FillRectangle: second corner
        double y2 = 0;
        QString text;
        float fontSize = 0;
        bool bold = false;
        int extra = 0;
    };

    // One recorded document: what a surface received between its creation and its end.
    using Document = std::vector<Call>;

    // dotsPerInch gives the resolution (600: 2.4 twips per pixel). When sink is given, the calls are
    // appended to it as one document when the surface is destroyed.
    explicit RecordingSurface(int dotsPerInch = 600, std::vector<Document>* sink = nullptr);
    ~RecordingSurface() override;

    bool failToStart = false;   // the first output fails: nothing is recorded
    bool failToFinish = false;  // endDocument fails

    std::vector<Call> calls;
    bool started() const { return started_; }
    bool ended() const { return ended_; }

    float twipsPerDotX() const override { return twipsPerDot_; }
    float twipsPerDotY() const override { return twipsPerDot_; }
    void setFontSize(float points) override { fontSize_ = points; }
    void setBold(bool on) override { bold_ = on; }
    void setCharacterExtra(int pixels) override { extra_ = pixels; }
    void setCursor(Twips x, Twips y) override;
    void printText(const QString& text) override;
    void textOut(DevicePixels x, DevicePixels y, const QString& text) override;
    void fillRectangle(Twips x1, Twips y1, Twips x2, Twips y2) override;
    bool endDocument() override;
    bool failed() const override { return !failure_.isEmpty(); }
    QString failure() const override { return failure_; }

private:
    bool start();
    void record(Call call);

    float twipsPerDot_;
    std::vector<Document>* sink_;
    float fontSize_ = 9;
    bool bold_ = false;
    int extra_ = 0;
    double cursorX_ = 0;
    double cursorY_ = 0;
    bool started_ = false;
    bool ended_ = false;
    QString failure_;
};

}  // namespace velmora::test
