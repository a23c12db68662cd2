#include "zip_xml.h"

#include "workbook.h"

namespace velmora {

namespace {

// Watches the raw bytes of an XML part: refuses a document type declaration (and with it every
// entity definition) and any construct longer than kXmlMaxRun. NUL bytes are passed over, so a part
// written in UTF-16 is watched by its ASCII markup as well.
class XmlGuard {
public:
    QString inspect(const char* data, qint64 size) {
        for (qint64 i = 0; i < size; ++i) {
            const char c = data[i];
            if (++run_ > kXmlMaxRun) {
                return QStringLiteral("XML construct longer than %1 bytes").arg(kXmlMaxRun);
            }
            if (c == 0) {
                continue;
            }
            switch (state_) {
                case State::Text:
                    if (c == '<') {
                        state_ = State::Open;
                        run_ = 1;
                    }
                    break;
                case State::Open:
                    state_ = c == '!' ? State::Bang : c == '?' ? State::Instruction : State::Tag;
                    prefix_.clear();
                    quote_ = 0;
                    if (state_ == State::Tag && c == '>') {
                        state_ = State::Text;  // "<>" is malformed; the reader says so
                    }
                    break;
                case State::Tag:
                    if (quote_ != 0) {
                        if (c == quote_) {
                            quote_ = 0;
                        }
                    } else if (c == '"' || c == '\'') {
                        quote_ = c;
                    } else if (c == '>') {
                        state_ = State::Text;
                        run_ = 0;
                    }
                    break;
                case State::Bang:
                    prefix_.append(c);
                    if (prefix_ == "--") {
                        state_ = State::Comment;
                        tail_.clear();
                    } else if (prefix_ == "[CDATA[") {
                        state_ = State::CData;
                        tail_.clear();
                    } else if (!QByteArray("--").startsWith(prefix_) &&
                               !QByteArray("[CDATA[").startsWith(prefix_)) {
                        return QStringLiteral("XML with a document type declaration");
                    }
                    break;
                case State::Comment:
                case State::CData:
                case State::Instruction: {
                    tail_.append(c);
                    if (tail_.size() > 3) {
                        tail_.remove(0, tail_.size() - 3);
                    }
                    const bool closed = state_ == State::Comment ? tail_ == "-->"
                                        : state_ == State::CData ? tail_ == "]]>"
                                                                 : tail_.endsWith("?>");
                    if (closed) {
                        state_ = State::Text;
                        run_ = 0;
                    }
                    break;
                }
            }
        }
        return {};
    }

private:
    enum class State { Text, Open, Tag, Bang, Comment, CData, Instruction };
    State state_ = State::Text;
    qint64 run_ = 0;
    char quote_ = 0;
    QByteArray prefix_;
    QByteArray tail_;
};

}  // namespace

XmlPart::XmlPart(std::shared_ptr<const ZipArchive> archive, qint64 index, qint64 cap, const QString& name)
    : archive_(std::move(archive)), name_(name), device_(*archive_, index, cap) {
    device_.setInspector([guard = std::make_shared<XmlGuard>()](const char* data, qint64 size) {
        return guard->inspect(data, size);
    });
    xml_.setDevice(&device_);
    xml_.setNamespaceProcessing(true);
}

QXmlStreamReader::TokenType XmlPart::next() {
    const QXmlStreamReader::TokenType type = xml_.readNext();
    if (type == QXmlStreamReader::Invalid) {
        fail(device_.failed() ? device_.why() : xml_.errorString());
    }
    if (type == QXmlStreamReader::DTD) {
        fail(QStringLiteral("XML with a document type declaration"));
    }
    return type;
}

bool XmlPart::nextStartElement() {
    for (;;) {
        switch (next()) {
            case QXmlStreamReader::StartElement:
                return true;
            case QXmlStreamReader::EndDocument:
                return false;
            default:
                break;
        }
    }
}

bool XmlPart::nextChild() {
    int depth = 0;
    for (;;) {
        switch (next()) {
            case QXmlStreamReader::StartElement:
                if (depth == 0) {
                    return true;
                }
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                if (depth == 0) {
                    return false;
                }
                --depth;
                break;
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("unexpected end of document"));
            default:
                break;
        }
    }
}

void XmlPart::skipElement() {
    readElement(nullptr, 0);
}

void XmlPart::appendElementText(QString& text, qsizetype limit) {
    readElement(&text, limit);
}

void XmlPart::readElement(QString* text, qsizetype limit) {
    int depth = 1;
    while (depth > 0) {
        switch (next()) {
            case QXmlStreamReader::StartElement:
                ++depth;
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::Characters:
                if (text) {
                    AppendCellText(*text, xml_.text(), limit);
                }
                break;
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("unexpected end of document"));
            default:
                break;
        }
    }
}

void XmlPart::fail(const QString& why) const {
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("%1: %2").arg(name_, why));
}

void AppendCellText(QString& text, QStringView more, qsizetype limit) {
    if (text.size() + more.size() > limit) {
        throw AutomationError(kErrorNotWorkbook,
                              QStringLiteral("cell text longer than %1 characters").arg(limit));
    }
    text.append(more);
}

}  // namespace velmora
