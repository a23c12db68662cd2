#pragma once

#include <QString>
#include <functional>
#include <memory>
#include <vector>

#include "print_run.h"
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

// A printer that records every document drawn on it (at 600 dpi) with its description. Given a file,
// it stands for a printer writing files there. failAt makes the document of that record fail to start,
// as a refusing spooler would.
class RecordingDestination final : public PrintDestination {
public:
    QString name = QStringLiteral("Recorder");
    QString file;
    bool failToStart = false;
    int failAt = 0;
    std::vector<RecordingSurface::Document> documents;
    std::vector<DocumentInfo> infos;
    std::function<void()> onOpen;  // called as each document opens

    QString printerName() const override { return file.isEmpty() ? name : QString(); }
    QString outputFile(const DocumentInfo& info) const override;
    std::unique_ptr<PrinterSurface> openDocument(const DocumentInfo& info) override;
};

}  // namespace velmora::test
