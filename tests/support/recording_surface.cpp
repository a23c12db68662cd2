#include "recording_surface.h"

#include "pdf_document.h"

namespace velmora::test {

RecordingSurface::RecordingSurface(int dotsPerInch, std::vector<Document>* sink)
    : twipsPerDot_(1440.0f / static_cast<float>(dotsPerInch)), sink_(sink) {}

RecordingSurface::~RecordingSurface() {
    if (sink_) {
        sink_->push_back(calls);
    }
}

// Records the call with the font in force; the first one starts the document, or fails as told.
void RecordingSurface::record(Call call) {
    if (!started_ && failToStart && !failed()) {
        failure_ = QStringLiteral("打印机无法开始打印。");
    }
    if (failed()) {
        return;
    }
    started_ = true;
    call.fontSize = fontSize_;
    call.bold = bold_;
    call.extra = extra_;
    calls.push_back(std::move(call));
}

void RecordingSurface::setCursor(Twips x, Twips y) {
    cursorX_ = x.value;
    cursorY_ = y.value;
}

void RecordingSurface::printText(const QString& text) {
    record({Kind::PrintText, cursorX_, cursorY_, 0, 0, text});
    // The next line: one line of the current font lower (the font's size stands in for its height).
    cursorX_ = 0;
    cursorY_ += fontSize_ * 20.0;
}

void RecordingSurface::textOut(DevicePixels x, DevicePixels y, const QString& text) {
    record({Kind::TextOut, double(x.value), double(y.value), 0, 0, text});
}

void RecordingSurface::fillRectangle(Twips x1, Twips y1, Twips x2, Twips y2) {
    record({Kind::FillRectangle, x1.value, y1.value, x2.value, y2.value, {}});
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

QString RecordingDestination::outputFile(const DocumentInfo& info) const {
    if (file.isEmpty() || !info.numberedFile) {
        return file;
    }
    return NumberedFileName(file, info.record, info.recordCount);
}

std::unique_ptr<PrinterSurface> RecordingDestination::openDocument(const DocumentInfo& info) {
    infos.push_back(info);
    if (onOpen) {
        onOpen();
    }
    auto surface = std::make_unique<RecordingSurface>(600, &documents);
    surface->failToStart = failToStart || (failAt > 0 && info.record == failAt);
    return surface;
}

}  // namespace velmora::test
