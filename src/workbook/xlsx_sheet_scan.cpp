#include "xlsx_sheet_scan.h"

#include <algorithm>
#include <cstring>

namespace velmora::xlsx {

namespace {

// Reads the part's bytes, filling in what the scan finds.
class Scanner : public SheetScan {
public:
    Scanner(const ZipArchive& archive, qint64 index, const std::function<QString(const RawCell&)>& text)
        : device_(archive, index, kZipSheetCap), text_(text) {
        scan();
        if (!device_.drain()) {  // the part's rest, for its CRC-32
            ThrowBroken(device_.why());
        }
    }

private:
    // Reads more of the part onto the buffer's end; false at the part's end.
    bool more() {
        const qsizetype size = buffer_.size();
        buffer_.resize(size + 65536);
        const qint64 n = device_.read(buffer_.data() + size, 65536);
        if (n < 0 || device_.failed()) {
            ThrowBroken(device_.why());
        }
        buffer_.resize(size + n);
        return n > 0;
    }

    // Whether `n` bytes from the reader's place are in the buffer, reading more as needed.
    bool available(qsizetype n) {
        while (buffer_.size() - pos_ < n) {
            if (!more()) {
                return false;
            }
        }
        return true;
    }

    // Moves to the next '<', passing the text before it to `text` (when it is not null); false at the end.
    bool nextTag(QByteArray* text) {
        for (;;) {
            const char* start = buffer_.constData() + pos_;
            const qsizetype left = buffer_.size() - pos_;
            const void* lt = nullptr;
            for (qsizetype k = 0; k < std::min<qsizetype>(left, 16) && !lt; ++k) {  // tags lie close together
                lt = start[k] == '<' ? start + k : nullptr;
            }
            lt = lt || left <= 16 ? lt : std::memchr(start + 16, '<', static_cast<size_t>(left - 16));
            const qsizetype n = lt ? static_cast<const char*>(lt) - start : buffer_.size() - pos_;
            if (text && text->size() <= kMaxRawTextLength) {
                text->append(start, n);
            }
            pos_ += n;
            if (lt) {
                if (pos_ > (1 << 20)) {
                    buffer_.remove(0, pos_);
                    pos_ = 0;
                }
                return true;
            }
            buffer_.resize(0);
            pos_ = 0;
            if (!more()) {
                return false;
            }
        }
    }

    // The tag at the '<' where the reader stands, read whole and passed: its name, attributes, and
    // whether it ends or is empty. False when the part ends inside it.
    struct Tag {
        QByteArrayView name;
        QByteArrayView attributes;
        bool end = false;
        bool empty = false;
        bool special = false;  // a comment, CDATA section, processing instruction or declaration
    };
    bool readTag(Tag& tag) {
        qsizetype i = pos_ + 1;
        char quote = 0;
        for (const char* p = buffer_.constData();; ++i) {
            if (i >= buffer_.size()) {
                if (i - pos_ > kXmlMaxRun) {
                    ThrowBroken(QStringLiteral("XML tag longer than %1 bytes").arg(kXmlMaxRun));
                }
                if (!more()) {
                    return false;
                }
                p = buffer_.constData();
            }
            const char c = p[i];
            if (quote != 0) {
                quote = c == quote ? 0 : quote;
            } else if (c == '"' || c == '\'') {
                quote = c;
            } else if (c == '>') {
                break;
            }
        }
        QByteArrayView body(buffer_.constData() + pos_ + 1, i - pos_ - 1);
        pos_ = i + 1;
        tag = Tag();
        if (body.startsWith('!') || body.startsWith('?')) {
            tag.special = true;
            return true;
        }
        if (body.startsWith('/')) {
            tag.end = true;
            body = body.sliced(1);
        }
        if (body.endsWith('/')) {
            tag.empty = true;
            body.chop(1);
        }
        qsizetype n = 0;
        while (n < body.size() && !isSpace(body[n])) {
            ++n;
        }
        tag.name = body.first(n);
        tag.attributes = body.sliced(n);
        return true;
    }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // Calls f(name, value) for each attribute.
    template <typename F>
    static void forEachAttribute(QByteArrayView attributes, F f) {
        const char* p = attributes.data();
        const qsizetype size = attributes.size();
        for (qsizetype i = 0; i < size;) {
            while (i < size && isSpace(p[i])) {
                ++i;
            }
            const qsizetype nameStart = i;
            while (i < size && p[i] != '=' && !isSpace(p[i])) {
                ++i;
            }
            const QByteArrayView name(p + nameStart, i - nameStart);
            while (i < size && p[i] != '"' && p[i] != '\'') {
                ++i;
            }
            if (i >= size) {
                return;
            }
            const char quote = p[i];
            const qsizetype valueStart = ++i;
            while (i < size && p[i] != quote) {
                ++i;
            }
            f(name, QByteArrayView(p + valueStart, i - valueStart));
            ++i;
        }
    }

    // The attributes r, t and s of a tag in the rows; a namespace declaration or an entity there makes
    // the part foreign.
    struct Attributes {
        QByteArrayView r, t, s;
    };
    Attributes attributesOf(QByteArrayView attributes) {
        Attributes found;
        forEachAttribute(attributes, [&](QByteArrayView name, QByteArrayView value) {
            if (is(name, "r")) {
                found.r = value;
            } else if (is(name, "t")) {
                found.t = value;
            } else if (is(name, "s")) {
                found.s = value;
            } else if (name.startsWith("xmlns")) {
                foreign = true;
            }
            foreign = foreign || value.contains('&');
        });
        return found;
    }

    // The namespace the root element declares for its own prefix.
    QByteArrayView rootNamespace(QByteArrayView attributes) const {
        const QByteArray wanted = prefix_.isEmpty() ? QByteArray("xmlns") : "xmlns:" + prefix_;
        QByteArrayView found;
        forEachAttribute(attributes, [&](QByteArrayView name, QByteArrayView value) {
            if (name == wanted) {
                found = value;
            }
        });
        return found;
    }

    // Whether a name is the literal, compared inline.
    template <size_t N>
    static bool is(QByteArrayView name, const char (&literal)[N]) {
        return name.size() == N - 1 && std::memcmp(name.data(), literal, N - 1) == 0;
    }

    // Splits a qualified name; false when its prefix is not SpreadsheetML's.
    bool local(QByteArrayView name, QByteArrayView& localName) const {
        qsizetype colon = 0;
        while (colon < name.size() && name[colon] != ':') {
            ++colon;
        }
        if (colon == name.size()) {
            localName = name;
            return prefix_.isEmpty();
        }
        localName = name.sliced(colon + 1);
        return colon == prefix_.size() && std::memcmp(name.data(), prefix_.constData(), size_t(colon)) == 0;
    }

    void scan() {
        Tag tag;
        QByteArrayView name;
        // The root element: SpreadsheetML's worksheet, its namespace declared on it.
        do {
            if (!nextTag(nullptr) || !readTag(tag)) {
                foreign = true;
                return;
            }
        } while (tag.special && !tag.end);
        const qsizetype colon = tag.name.indexOf(':');
        prefix_ = colon < 0 ? QByteArray() : tag.name.first(colon).toByteArray();
        const QByteArrayView ns = rootNamespace(tag.attributes);
        if (!local(tag.name, name) || !is(name, "worksheet") || tag.empty ||
            !kSpreadsheetMl.understands(QString::fromUtf8(ns))) {
            foreign = true;
            return;
        }
        // On to <sheetData> among the root's children.
        for (int depth = 1; depth > 0;) {
            if (!nextTag(nullptr) || !readTag(tag)) {
                return;
            }
            if (tag.special) {
                continue;
            }
            const bool ours = local(tag.name, name);
            if (depth == 1 && !tag.end && (!ours || is(name, "AlternateContent"))) {
                foreign = true;
                return;
            }
            if (depth == 1 && ours && is(name, "sheetData") && !tag.end) {
                if (!tag.empty) {
                    scanRows();
                }
                if (!foreign && ordered) {
                    scanAfterRows();
                }
                return;
            }
            depth += tag.end ? -1 : tag.empty ? 0 : 1;
        }
    }

    void scanRows() {
        Tag tag;
        QByteArrayView name;
        int row = 0;
        int lastRow = 0;
        int col = 0;
        RawCell cell;
        bool inCell = false;
        // The element whose text is the cell's value: <v>, or a <t> of an inline string outside <rPh>.
        int inValue = 0;
        bool inPhonetic = false;
        QByteArray value;
        while (!foreign && ordered) {
            if (!nextTag(inValue > 0 ? &value : nullptr)) {
                ThrowBroken(QStringLiteral("worksheet cut short"));
            }
            // The commonest tags, with SpreadsheetML the default namespace, are told by their bytes.
            if (prefix_.isEmpty() && available(6)) {
                const char* t = buffer_.constData() + pos_;
                if (inCell && std::memcmp(t, "</c>", 4) == 0) {
                    pos_ += 4;
                    inCell = false;
                    judge(cell, value);
                    continue;
                }
                if (inCell && (std::memcmp(t, "<v>", 3) == 0 || std::memcmp(t, "</v>", 4) == 0)) {
                    inValue += t[1] == '/' ? -1 : 1;
                    pos_ += t[1] == '/' ? 4 : 3;
                    continue;
                }
                if (std::memcmp(t, "</row>", 6) == 0) {
                    pos_ += 6;
                    continue;
                }
            }
            if (!readTag(tag)) {
                ThrowBroken(QStringLiteral("worksheet cut short"));
            }
            if (tag.special || !local(tag.name, name)) {
                foreign = true;
                return;
            }
            if (is(name, "sheetData") && tag.end) {
                return;
            }
            if (is(name, "row") && !tag.end) {
                const QByteArrayView r = attributesOf(tag.attributes).r;
                row = r.isEmpty() ? row + 1 : RowNumber(r);
                if (row < 1 || row > kXlsxMaxRow) {
                    ThrowBroken(QStringLiteral("row number %1").arg(QString::fromUtf8(r)));
                }
                ordered = row > lastRow;
                lastRow = row;
                col = 0;
            } else if (is(name, "c") && !tag.end) {
                const Attributes attributes = attributesOf(tag.attributes);
                const QByteArrayView r = attributes.r;
                const auto [refCol, refRow] = CellReference(r);
                col = r.isEmpty() ? col + 1 : refCol;
                if (col < 1 || col > kXlsxMaxColumn) {
                    ThrowBroken(QStringLiteral("cell reference %1").arg(QString::fromUtf8(r)));
                }
                ordered = ordered && (refRow == 0 || refRow == row) && row > 0;
                cell = RawCell();
                cell.row = row;
                cell.col = col;
                cell.type = CellTypeOf(QLatin1StringView(attributes.t));
                cell.style = RowNumber(attributes.s);
                inCell = !tag.empty;
                value.resize(0);
            } else if (inCell && is(name, "c") && tag.end) {
                inCell = false;
                judge(cell, value);
            } else if (inCell && !tag.empty) {
                if (is(name, "rPh")) {
                    inPhonetic = !tag.end;
                } else if (is(name, "v") || (is(name, "t") && !inPhonetic)) {
                    inValue += tag.end ? -1 : 1;
                }
            }
        }
    }

    // After the rows, among the root's other children: <sheetCalcPr> and the ranges of the first
    // <mergeCells>. Other elements are passed over with what they hold, as the XML reader passes them,
    // unless they hold an element of either name (as an mc:AlternateContent's branch could), which
    // leaves the sheet to the XML reader.
    void scanAfterRows() {
        Tag tag;
        QByteArrayView name;
        for (int depth = 1; depth > 0;) {
            if (!nextTag(nullptr) || !readTag(tag)) {
                return;
            }
            if (tag.special) {
                continue;
            }
            const bool ours = local(tag.name, name);
            if (depth > 1 && !tag.end && (is(name, "mergeCells") || is(name, "sheetCalcPr"))) {
                foreign = true;  // perhaps in an alternate content's branch: the XML reader decides
                return;
            }
            if (depth == 1 && !tag.end && ours && is(name, "sheetCalcPr")) {
                forEachAttribute(tag.attributes, [&](QByteArrayView attribute, QByteArrayView value) {
                    fullCalcOnLoad =
                        is(attribute, "fullCalcOnLoad") ? IsTrue(QLatin1StringView(value)) : fullCalcOnLoad;
                    foreign = foreign || attribute.startsWith("xmlns") || value.contains('&');
                });
                if (foreign) {
                    return;
                }
            }
            if (depth == 1 && !tag.end && ours && is(name, "mergeCells")) {
                if (!tag.empty) {
                    scanMergeCells();
                }
                return;
            }
            depth += tag.end ? -1 : tag.empty ? 0 : 1;
        }
    }

    // The <mergeCell ref="..."> children of <mergeCells>, up to its end.
    void scanMergeCells() {
        Tag tag;
        QByteArrayView name;
        for (int depth = 0; depth >= 0;) {
            if (!nextTag(nullptr) || !readTag(tag)) {
                ThrowBroken(QStringLiteral("worksheet cut short"));
            }
            if (tag.special) {
                continue;
            }
            const bool ours = local(tag.name, name);
            if (depth == 0 && !tag.end && (is(name, "AlternateContent") || (ours && is(name, "mergeCell")))) {
                QByteArrayView ref;
                forEachAttribute(tag.attributes, [&](QByteArrayView attribute, QByteArrayView value) {
                    ref = is(attribute, "ref") ? value : ref;
                    foreign = foreign || attribute.startsWith("xmlns") || value.contains('&');
                });
                if (foreign || !ours) {
                    foreign = true;
                    return;
                }
                AddMergedRange(merged, ref);
            }
            depth += tag.end ? -1 : tag.empty ? 0 : 1;
        }
    }

    // Keeps the cell as a candidate when it may hold data.
    void judge(RawCell& cell, const QByteArray& raw) {
        if (raw.isEmpty() || candidatesEnd != 0) {
            return;
        }
        quint64 bits = quint64(cell.row) << 43 | quint64(cell.col) << 28;
        const bool plain = std::all_of(raw.cbegin(), raw.cend(), [](char c) { return c > ' ' && c != '&'; });
        if (plain && cell.type != CellType::SharedString && cell.type != CellType::InlineString &&
            cell.type != CellType::FormulaString && candidates.size() < kMaxCandidates) {
            candidates.push_back({bits});  // a number, boolean, error or date that is not blank
            return;
        }
        if (cell.type == CellType::SharedString) {
            const QByteArrayView digits = QByteArrayView(raw).trimmed();
            quint64 index = digits.isEmpty() ? kMaxSharedStrings : 0;
            for (qsizetype i = 0; i < digits.size() && index < kMaxSharedStrings; ++i) {
                index =
                    digits[i] >= '0' && digits[i] <= '9' ? index * 10 + (digits[i] - '0') : kMaxSharedStrings;
            }
            if (index < kMaxSharedStrings) {  // a bad index is judged data: reading it fails
                bits |= quint64{1} << 27 | index;
            }
        } else if (cell.type == CellType::InlineString || cell.type == CellType::FormulaString ||
                   raw.contains('&') ||
                   std::any_of(raw.cbegin(), raw.cend(), [](char c) { return isSpace(c); })) {
            // The text decides: a blank string, a value of spaces.
            cell.tooLong = raw.size() > kMaxRawTextLength;
            if (!cell.tooLong) {
                cell.value = DecodeXmlText(raw);
                if (cell.type == CellType::InlineString) {
                    cell.value = DecodeEscapes(cell.value);
                }
            }
            try {
                if (IsBlank(text_(cell))) {
                    return;
                }
            } catch (const AutomationError&) {
                // too long or unreadable: data all the same
            }
        }
        if (candidates.size() >= kMaxCandidates) {
            candidatesEnd = cell.row;
            return;
        }
        candidates.push_back({bits});
    }

    ZipEntryDevice device_;
    const std::function<QString(const RawCell&)>& text_;
    QByteArray buffer_;
    qsizetype pos_ = 0;
    QByteArray prefix_;
};

}  // namespace

SheetScan ScanSheet(const ZipArchive& archive, qint64 index,
                    const std::function<QString(const RawCell&)>& text) {
    return Scanner(archive, index, text);
}

}  // namespace velmora::xlsx
