#include "csv_reader.h"

#include <QStringDecoder>

#include "workbook_reader.h"

namespace velmora {

namespace {

constexpr int kCsvMaxRow = 1048576;
constexpr int kCsvMaxColumn = 16384;
// Fields are decoded one by one, each keeping a byte order mark of its own.
constexpr auto kFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

// The file's bytes and how they are read.
struct CsvText {
    std::shared_ptr<const QByteArray> bytes;
    QStringConverter::Encoding encoding = QStringConverter::Utf8;
    bool gb18030 = false;
    qsizetype start = 0;  // past the byte order mark
    int width = 1;        // bytes a code unit takes
    char16_t separator = u',';

    // The code unit at byte offset `at`.
    char16_t unit(qsizetype at) const {
        const auto* p = reinterpret_cast<const unsigned char*>(bytes->constData() + at);
        if (width == 1) {
            return p[0];
        }
        return encoding == QStringConverter::Utf16LE ? char16_t(p[0] | p[1] << 8)
                                                     : char16_t(p[0] << 8 | p[1]);
    }
    // The end of the last whole code unit.
    qsizetype end() const { return start + (bytes->size() - start) / width * width; }
};

bool validUtf8(const QByteArray& bytes) {
    QStringDecoder decoder(QStringConverter::Utf8);
    for (qsizetype at = 0; at < bytes.size() && !decoder.hasError(); at += 65536) {
        const QString ignored =
            decoder.decode(QByteArrayView(bytes).sliced(at, std::min<qsizetype>(65536, bytes.size() - at)));
    }
    return !decoder.hasError();
}

CsvText readHeader(std::shared_ptr<const QByteArray> bytes) {
    CsvText text;
    text.bytes = std::move(bytes);
    const QByteArray& b = *text.bytes;
    if (b.startsWith("\xEF\xBB\xBF")) {
        text.start = 3;
    } else if (b.startsWith("\xFF\xFE") || b.startsWith("\xFE\xFF")) {
        text.encoding = b.startsWith("\xFF\xFE") ? QStringConverter::Utf16LE : QStringConverter::Utf16BE;
        text.start = 2;
        text.width = 2;
    } else if (!validUtf8(b)) {
        text.gb18030 = true;
    }
    bool tab = false;
    bool comma = false;
    for (qsizetype at = text.start; at < text.end(); at += text.width) {
        const char16_t c = text.unit(at);
        if (c == u'\n' || c == u'\r') {
            break;
        }
        tab = tab || c == u'\t';
        comma = comma || c == u',';
    }
    text.separator = tab && !comma ? u'\t' : u',';
    return text;
}

class CsvWorksheet final : public RowBlockWorksheet {
public:
    explicit CsvWorksheet(const CsvText& text)
        : RowBlockWorksheet(kCsvMaxRow, kCsvMaxColumn),
          text_(text),
          decoder_(text.gb18030 ? QStringDecoder("GB18030", kFlags) : QStringDecoder(text.encoding, kFlags)) {
        if (!decoder_.isValid()) {
            ThrowBroken(QStringLiteral("no GB18030 decoder for text that is not UTF-8"));
        }
        rewind();
    }

protected:
    void rewind() override {
        at_ = text_.start;
        row_ = 0;
        fields_.clear();
    }

    bool nextBlock() override {
        const qsizetype end = text_.end();
        const int w = text_.width;
        if (at_ >= end || row_ >= kCsvMaxRow) {
            return false;
        }
        fields_.clear();
        const auto stop = [&](qsizetype at) {
            const char16_t c = text_.unit(at);
            return c == text_.separator || c == u'\n' || c == u'\r';
        };
        qsizetype p = at_;
        for (int col = 1;; ++col) {
            Field field;
            if (p < end && text_.unit(p) == u'"') {
                field.quoted = true;
                field.begin = p += w;
                for (; p < end; p += w) {
                    if (text_.unit(p) == u'"') {
                        if (p + w < end && text_.unit(p + w) == u'"') {
                            p += w;
                        } else {
                            break;
                        }
                    }
                }
                field.end = p;
                p = std::min(p + w, end);
            } else {
                field.begin = field.end = p;
            }
            field.tail = p;
            while (p < end && !stop(p)) {
                p += w;
            }
            field.tailEnd = p;
            if (col <= kCsvMaxColumn) {
                fields_.push_back(field);
            }
            if (p < end && text_.unit(p) == text_.separator) {
                p += w;
                continue;
            }
            if (p < end && text_.unit(p) == u'\r') {
                p += w;
                if (p < end && text_.unit(p) == u'\n') {
                    p += w;
                }
            } else if (p < end) {
                p += w;  // the line feed
            }
            break;
        }
        at_ = p;
        first_ = last_ = ++row_;
        return true;
    }

    QString blockCellText(int col) override {
        if (col > static_cast<int>(fields_.size())) {
            return {};
        }
        const Field& f = fields_[static_cast<size_t>(col - 1)];
        // A code unit takes at most 3 bytes of UTF-8, or 2 of a doubled quote: a longer field cannot fit.
        if ((f.end - f.begin) + (f.tailEnd - f.tail) > 3 * qsizetype{kMaxCellTextLength} * text_.width) {
            ThrowCellTooLong();
        }
        const char* data = text_.bytes->constData();
        QString text = decoder_.decode(QByteArrayView(data + f.begin, f.end - f.begin));
        if (f.quoted) {
            text.replace(QLatin1String("\"\""), QLatin1String("\""));
        }
        text += decoder_.decode(QByteArrayView(data + f.tail, f.tailEnd - f.tail));
        BoundedText bounded;
        bounded.append(text);
        return bounded.take();
    }

private:
    struct Field {
        qsizetype begin = 0;  // the text, inside the quotes when quoted
        qsizetype end = 0;
        qsizetype tail = 0;  // what follows a closing quote, up to the separator
        qsizetype tailEnd = 0;
        bool quoted = false;
    };

    CsvText text_;
    QStringDecoder decoder_;
    qsizetype at_ = 0;  // the next record's first byte
    int row_ = 0;
    std::vector<Field> fields_;  // the current record's, at most kCsvMaxColumn
};

class CsvWorkbook final : public Workbook {
public:
    CsvWorkbook(CsvText text, const QString& name) : text_(std::move(text)), name_(name) {}

    std::unique_ptr<Worksheet> worksheet(const QString&) override {
        return std::make_unique<CsvWorksheet>(text_);
    }
    QStringList sheetNames() const override { return {name_}; }

private:
    CsvText text_;
    QString name_;
};

}  // namespace

bool IsCsvSuffix(const QString& suffix) {
    return suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<Workbook> OpenCsvWorkbook(std::shared_ptr<const QByteArray> bytes, const QString& sheetName) {
    return std::make_unique<CsvWorkbook>(readHeader(std::move(bytes)), sheetName);
}

}  // namespace velmora
