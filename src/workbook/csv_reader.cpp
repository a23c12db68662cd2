#include "csv_reader.h"

#include <QStringDecoder>
#include <cstring>

#include "code_page.h"
#include "workbook_reader.h"

namespace velmora {

namespace {

constexpr int kCsvMaxRow = 1048576;
constexpr int kCsvMaxColumn = 16384;
// The largest file read: far beyond any list of payees. It is read through once when opened, to
// judge its coding, and then a window at a time.
constexpr qint64 kMaxCsvFile = qint64(256) << 20;
constexpr qint64 kWindow = 64 * 1024;
// A character of a cell takes at most 4 bytes (GB18030; a doubled quote in UTF-16): a field of more
// bytes than this cannot fit a cell.
constexpr qint64 kMaxFieldBytes = 4 * qint64{kMaxCellTextLength};
// Fields are decoded one by one, each keeping a byte order mark of its own.
constexpr auto kFlags = QStringConverter::Flag::Stateless | QStringConverter::Flag::ConvertInitialBom;

enum class Coding { Utf8, Gb18030, Utf16LE, Utf16BE };

// Checks that text is wholly in one coding, fed piece by piece, counting its lines (ended by LF, CR
// LF or CR) up to the first fault: a byte that does not fit the coding, or a NUL character.
class CodingCheck {
public:
    enum class Fault { None, Invalid, Nul };

    explicit CodingCheck(Coding coding) : coding_(coding) {}

    // False once a fault is found.
    bool feed(const char* data, qint64 size) {
        const auto* p = reinterpret_cast<const unsigned char*>(data);
        for (qint64 i = 0; i < size && fault_ == Fault::None; ++i) {
            if (state_ == 0 && coding_ != Coding::Utf16LE && coding_ != Coding::Utf16BE) {
                const qint64 n = plainRun(p + i, size - i);  // ASCII, the bulk of most files
                if (n > 0) {
                    cr_ = false;
                    if ((i += n) == size) {
                        break;
                    }
                }
            }
            coding_ == Coding::Utf8 ? utf8(p[i]) : coding_ == Coding::Gb18030 ? gb18030(p[i]) : utf16(p[i]);
        }
        return fault_ == Fault::None;
    }

    // At the end of the text: a character cut short is a fault.
    bool finish() {
        if (fault_ == Fault::None && (state_ != 0 || half_ || high_)) {
            fault_ = Fault::Invalid;
        }
        return fault_ == Fault::None;
    }

    Fault fault() const { return fault_; }
    qint64 line() const { return line_; }

private:
    // The length of the run of whole 8-byte words at `p` that hold only ASCII other than NUL, CR and LF.
    static qint64 plainRun(const unsigned char* p, qint64 size) {
        constexpr quint64 kOnes = 0x0101010101010101, kHigh = 0x8080808080808080;
        const auto hasZero = [](quint64 v) { return ((v - kOnes) & ~v & kHigh) != 0; };
        qint64 n = 0;
        for (; n + 8 <= size; n += 8) {
            quint64 v;
            std::memcpy(&v, p + n, 8);
            if ((v & kHigh) != 0 || hasZero(v) || hasZero(v ^ (kOnes * '\n')) ||
                hasZero(v ^ (kOnes * '\r'))) {
                break;
            }
        }
        return n;
    }

    void invalid() { fault_ = Fault::Invalid; }

    // A character below U+0080.
    void ascii(unsigned c) {
        if (c == 0) {
            fault_ = Fault::Nul;
            return;
        }
        if (c == '\r' || (c == '\n' && !cr_)) {
            ++line_;
        }
        cr_ = c == '\r';
    }

    // Well-formed UTF-8 as Unicode defines it: no overlong forms, no surrogates, nothing past U+10FFFF.
    void utf8(unsigned b) {
        if (state_ > 0) {
            if (b < low_ || b > high8_) {
                return invalid();
            }
            low_ = 0x80;
            high8_ = 0xBF;
            --state_;
            return;
        }
        if (b < 0x80) {
            return ascii(b);
        }
        cr_ = false;
        low_ = 0x80;
        high8_ = 0xBF;
        if (b >= 0xC2 && b <= 0xDF) {
            state_ = 1;
        } else if (b >= 0xE0 && b <= 0xEF) {
            state_ = 2;
            low_ = b == 0xE0 ? 0xA0 : 0x80;
            high8_ = b == 0xED ? 0x9F : 0xBF;
        } else if (b >= 0xF0 && b <= 0xF4) {
            state_ = 3;
            low_ = b == 0xF0 ? 0x90 : 0x80;
            high8_ = b == 0xF4 ? 0x8F : 0xBF;
        } else {
            invalid();
        }
    }

    // GB18030: one byte below 0x80; two bytes, 81-FE then 40-7E or 80-FE; four bytes, 81-FE 30-39
    // 81-FE 30-39, within the ranges that stand for U+0080 to U+FFFF and U+10000 to U+10FFFF.
    void gb18030(unsigned b) {
        switch (state_) {
            case 0:
                if (b < 0x80) {
                    return ascii(b);
                }
                if (b == 0x80 || b == 0xFF) {
                    return invalid();
                }
                cr_ = false;
                bytes_[0] = b;
                state_ = 1;
                return;
            case 1:
                if (b >= 0x30 && b <= 0x39) {
                    bytes_[1] = b;
                    state_ = 2;
                    return;
                }
                state_ = 0;
                if (b < 0x40 || b == 0x7F || b == 0xFF) {
                    invalid();
                }
                return;
            case 2:
                if (b < 0x81 || b > 0xFE) {
                    return invalid();
                }
                bytes_[2] = b;
                state_ = 3;
                return;
            default: {
                state_ = 0;
                if (b < 0x30 || b > 0x39) {
                    return invalid();
                }
                const qint64 linear =
                    ((qint64(bytes_[0] - 0x81) * 10 + (bytes_[1] - 0x30)) * 126 + (bytes_[2] - 0x81)) * 10 +
                    (b - 0x30);
                if (linear > 39419 && (linear < 189000 || linear > 1237575)) {
                    invalid();
                }
            }
        }
    }

    // UTF-16 code units, surrogates in pairs.
    void utf16(unsigned b) {
        if (!half_) {
            bytes_[0] = b;
            half_ = true;
            return;
        }
        half_ = false;
        const unsigned unit = coding_ == Coding::Utf16LE ? bytes_[0] | b << 8 : bytes_[0] << 8 | b;
        const bool low = unit >= 0xDC00 && unit <= 0xDFFF;
        if (high_ != low) {
            return invalid();  // a low surrogate alone, or a high one without its low one
        }
        high_ = unit >= 0xD800 && unit <= 0xDBFF;
        if (unit < 0x80) {
            ascii(unit);
        } else {
            cr_ = false;
        }
    }

    Coding coding_;
    Fault fault_ = Fault::None;
    qint64 line_ = 1;
    bool cr_ = false;
    int state_ = 0;  // UTF-8: continuation bytes to come; GB18030: bytes of the character read
    unsigned low_ = 0x80, high8_ = 0xBF;  // the range of the next UTF-8 continuation byte
    unsigned bytes_[3] = {};
    bool half_ = false;  // UTF-16: a code unit's first byte read
    bool high_ = false;  // UTF-16: a high surrogate read
};

// The file, its coding and where its text lies.
struct CsvText {
    std::unique_ptr<QIODevice> device;
    Coding coding = Coding::Utf8;
    qint64 start = 0;  // past the byte order mark
    qint64 end = 0;    // the end of the last whole code unit of the bytes judged
    int width = 1;     // bytes a code unit takes
    char16_t separator = u',';

    // `n` bytes from `offset`, all of them: a file that ends sooner has changed since it was judged.
    QByteArray read(qint64 offset, qint64 n) const {
        QByteArray bytes(n, Qt::Uninitialized);
        if (!device->seek(offset) || device->read(bytes.data(), n) != n) {
            ThrowBroken(QStringLiteral("the CSV file changed while it was read"));
        }
        return bytes;
    }
};

// The code units of the text, read forward a window at a time.
class Window {
public:
    explicit Window(const CsvText& text) : text_(text) {}

    // The code unit at byte offset `at`, below text_.end.
    char16_t unit(qint64 at) {
        if (at < start_ || at + text_.width > start_ + bytes_.size()) {
            start_ = at;
            bytes_ = text_.read(at, std::min(kWindow, text_.end - at));
        }
        const auto* p = reinterpret_cast<const unsigned char*>(bytes_.constData() + (at - start_));
        if (text_.width == 1) {
            return p[0];
        }
        return text_.coding == Coding::Utf16LE ? char16_t(p[0] | p[1] << 8) : char16_t(p[0] << 8 | p[1]);
    }

    // The first offset from `at` whose code unit is `a`, `b` or `c`, or `end`.
    qint64 find(qint64 at, qint64 end, char16_t a, char16_t b, char16_t c) {
        if (text_.width != 1) {
            for (; at < end; at += text_.width) {
                const char16_t u = unit(at);
                if (u == a || u == b || u == c) {
                    return at;
                }
            }
            return end;
        }
        while (at < end) {
            unit(at);  // the window holding `at`
            const char* data = bytes_.constData();
            for (qsizetype i = at - start_; i < bytes_.size(); ++i) {
                const char16_t u = static_cast<unsigned char>(data[i]);
                if (u == a || u == b || u == c) {
                    return start_ + i;
                }
            }
            at = start_ + bytes_.size();
        }
        return end;
    }

private:
    const CsvText& text_;
    qint64 start_ = 0;
    QByteArray bytes_;
};

// Reads the whole file once and judges its coding; throws AutomationError 432 for a file of none.
void judgeCoding(CsvText& text) {
    QIODevice& device = *text.device;
    char head[3] = {};
    const qint64 got = device.seek(0) ? device.read(head, 3) : -1;
    const QByteArrayView mark(head, std::max<qint64>(got, 0));
    if (mark.startsWith("\xEF\xBB\xBF")) {
        text.start = 3;
    } else if (mark.startsWith("\xFF\xFE") || mark.startsWith("\xFE\xFF")) {
        text.coding = mark.startsWith("\xFF\xFE") ? Coding::Utf16LE : Coding::Utf16BE;
        text.start = 2;
        text.width = 2;
    }
    const bool marked = text.start > 0;
    // Without a mark, UTF-8 and GB18030 are judged side by side.
    CodingCheck first(text.coding);
    CodingCheck second(Coding::Gb18030);
    if (!device.seek(text.start)) {
        ThrowBroken(QStringLiteral("cannot read the CSV file"));
    }
    qint64 size = text.start;
    QByteArray chunk(kWindow, Qt::Uninitialized);
    qint64 n;
    while ((n = device.read(chunk.data(), kWindow)) > 0) {
        if ((size += n) > kMaxCsvFile) {
            ThrowBrokenTelling(QStringLiteral("CSV 文件超过 %1 MiB").arg(kMaxCsvFile >> 20));
        }
        const bool firstOk = first.feed(chunk.constData(), n);
        const bool secondOk = !marked && second.feed(chunk.constData(), n);
        if (!firstOk && !secondOk) {
            break;
        }
    }
    if (n < 0) {
        ThrowBroken(QStringLiteral("cannot read the CSV file"));
    }
    if (first.finish()) {
        text.end = size;
        return;
    }
    if (!marked && second.finish()) {
        text.coding = Coding::Gb18030;
        text.end = size;
        return;
    }
    // The coding that held out longer is the one the file was meant in.
    const CodingCheck& fault = marked || first.line() >= second.line() ? first : second;
    if (fault.fault() == CodingCheck::Fault::Nul) {
        ThrowBrokenTelling(QStringLiteral("CSV 文件第 %1 行含有空字符（U+0000）").arg(fault.line()));
    }
    if (!marked) {
        ThrowBrokenTelling(
            QStringLiteral("CSV 文件第 %1 行既不是 UTF-8 也不是 GB18030 编码的文字").arg(fault.line()));
    }
    const QString coding = text.width == 1 ? QStringLiteral("UTF-8") : QStringLiteral("UTF-16");
    ThrowBrokenTelling(QStringLiteral("CSV 文件以 %1 字节顺序标记开头，第 %2 行却不是 %1 编码的文字")
                           .arg(coding)
                           .arg(fault.line()));
}

// The separator: a tab when the first line holds tabs and no commas, else a comma.
char16_t separatorOf(const CsvText& text) {
    Window window(text);
    bool tab = false;
    bool comma = false;
    for (qint64 at = text.start; at < text.end; at += text.width) {
        const char16_t c = window.unit(at);
        if (c == u'\n' || c == u'\r') {
            break;
        }
        tab = tab || c == u'\t';
        comma = comma || c == u',';
    }
    return tab && !comma ? u'\t' : u',';
}

class CsvWorksheet final : public RowBlockWorksheet {
public:
    explicit CsvWorksheet(std::shared_ptr<const CsvText> text)
        : RowBlockWorksheet(kCsvMaxRow, kCsvMaxColumn), text_(std::move(text)), window_(*text_) {
        rewind();
    }

protected:
    void rewind() override {
        at_ = text_->start;
        row_ = 0;
        fields_.clear();
    }

    bool nextBlock() override {
        const qint64 end = text_->end;
        const int w = text_->width;
        const char16_t separator = text_->separator;
        if (at_ >= end || row_ >= kCsvMaxRow) {
            return false;
        }
        fields_.clear();
        qint64 p = at_;
        for (int col = 1;; ++col) {
            Field field;
            if (p < end && window_.unit(p) == u'"') {
                field.quoted = true;
                field.begin = p += w;
                // To the closing quote: one not doubled.
                while ((p = window_.find(p, end, u'"', u'"', u'"')) + w < end &&
                       window_.unit(p + w) == u'"') {
                    p += 2 * w;
                }
                field.end = p;
                p = std::min(p + w, end);
            } else {
                field.begin = field.end = p;
            }
            field.tail = p;
            p = window_.find(p, end, separator, u'\n', u'\r');
            field.tailEnd = p;
            if (col <= kCsvMaxColumn) {
                fields_.push_back(field);
            }
            if (p < end && window_.unit(p) == separator) {
                p += w;
                continue;
            }
            if (p < end && window_.unit(p) == u'\r') {
                p += w;
                if (p < end && window_.unit(p) == u'\n') {
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
        if ((f.end - f.begin) + (f.tailEnd - f.tail) > kMaxFieldBytes) {
            ThrowCellTooLong();
        }
        QString text = decode(f.begin, f.end);
        if (f.quoted) {
            text.replace(QLatin1String("\"\""), QLatin1String("\""));
        }
        text += decode(f.tail, f.tailEnd);
        BoundedText bounded;
        bounded.append(text);
        return bounded.take();
    }

    bool blockUncomputedFormula(int) override { return false; }  // text holds no formulas

private:
    // The text of the bytes from `begin` to `end`, checked again: the file may have changed since.
    QString decode(qint64 begin, qint64 end) {
        if (begin == end) {
            return {};
        }
        const QByteArray bytes = text_->read(begin, end - begin);
        CodingCheck check(text_->coding);
        if (!check.feed(bytes.constData(), bytes.size()) || !check.finish()) {
            ThrowBroken(QStringLiteral("the CSV file changed while it was read"));
        }
        switch (text_->coding) {
            case Coding::Utf8:
                return QStringDecoder(QStringConverter::Utf8, kFlags).decode(bytes);
            case Coding::Utf16LE:
                return QStringDecoder(QStringConverter::Utf16LE, kFlags).decode(bytes);
            case Coding::Utf16BE:
                return QStringDecoder(QStringConverter::Utf16BE, kFlags).decode(bytes);
            case Coding::Gb18030:
                break;
        }
        // The bytes were checked to be GB18030 above: every sequence stands for a character.
        std::optional<QString> text = DecodeCodePage(kCodePageGb18030, bytes);
        if (!text) {
            ThrowBroken(QStringLiteral("no GB18030 decoder on this system"));
        }
        return *text;
    }

    struct Field {
        qint64 begin = 0;  // the text, inside the quotes when quoted
        qint64 end = 0;
        qint64 tail = 0;  // what follows a closing quote, up to the separator
        qint64 tailEnd = 0;
        bool quoted = false;
    };

    std::shared_ptr<const CsvText> text_;
    Window window_;
    qint64 at_ = 0;  // the next record's first byte
    int row_ = 0;
    std::vector<Field> fields_;  // the current record's, at most kCsvMaxColumn
};

class CsvWorkbook final : public Workbook {
public:
    CsvWorkbook(std::shared_ptr<const CsvText> text, const QString& name)
        : text_(std::move(text)), name_(name) {}

    std::unique_ptr<Worksheet> worksheet(const QString&) override {
        return std::make_unique<CsvWorksheet>(text_);
    }
    QStringList sheetNames() const override { return {name_}; }

private:
    std::shared_ptr<const CsvText> text_;
    QString name_;
};

}  // namespace

bool IsCsvSuffix(const QString& suffix) {
    return suffix.compare(QLatin1String("csv"), Qt::CaseInsensitive) == 0 ||
           suffix.compare(QLatin1String("txt"), Qt::CaseInsensitive) == 0;
}

std::unique_ptr<Workbook> OpenCsvWorkbook(std::unique_ptr<QIODevice> device, const QString& sheetName) {
    auto text = std::make_shared<CsvText>();
    text->device = std::move(device);
    judgeCoding(*text);
    text->end = text->start + (text->end - text->start) / text->width * text->width;
    text->separator = separatorOf(*text);
    return std::make_unique<CsvWorkbook>(std::move(text), sheetName);
}

}  // namespace velmora
