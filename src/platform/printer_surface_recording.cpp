#include "platform/printer_surface_recording.h"

namespace velmora {

RecordingSurface::RecordingSurface(int dotsPerInch, std::vector<Document>* sink)
    : twipsPerDot_(1440.0f / static_cast<float>(dotsPerInch)), sink_(sink) {}

RecordingSurface::~RecordingSurface() {
    if (sink_) {
        sink_->push_back(calls);
    }
}

bool RecordingSurface::start() {
    if (failed()) {
        return false;
    }
    if (!started_) {
        if (failToStart) {
            failure_ = QStringLiteral("打印机无法开始打印。");
            return false;
        }
        started_ = true;
    }
    return true;
}

void RecordingSurface::record(Call call) {
    call.fontSize = fontSize_;
    call.bold = bold_;
    call.extra = extra_;
    calls.push_back(std::move(call));
}

void RecordingSurface::setCursor(double xTwips, double yTwips) {
    cursorX_ = xTwips;
    cursorY_ = yTwips;
}

void RecordingSurface::printText(const QString& text) {
    if (!start()) {
        return;
    }
    record({Kind::PrintText, cursorX_, cursorY_, 0, 0, text});
    // The next line: one line of the current font lower (the font's size stands in for its height).
    cursorX_ = 0;
    cursorY_ += fontSize_ * 20.0;
}

void RecordingSurface::textOut(int x, int y, const QString& text) {
    if (!start()) {
        return;
    }
    record({Kind::TextOut, double(x), double(y), 0, 0, text});
}

void RecordingSurface::fillRectangle(float x1Twips, float y1Twips, float x2Twips, float y2Twips) {
    if (!start()) {
        return;
    }
    record({Kind::FillRectangle, x1Twips, y1Twips, x2Twips, y2Twips, {}});
}

bool RecordingSurface::endDocument() {
    if (failed()) {
        return false;
    }
    if (!started_) {
        return true;
    }
    record({Kind::EndDocument, 0, 0, 0, 0, {}});
    started_ = false;
    ended_ = true;
    if (failToFinish) {
        failure_ = QStringLiteral("打印机未能完成打印作业。");
        return false;
    }
    return true;
}

}  // namespace velmora
