#include "zip_xml.h"

#include <algorithm>
#include <cstring>

#include "workbook.h"

namespace velmora {

namespace {

// Watches the raw bytes of an XML part: refuses a document type declaration (and with it every
// entity definition), any construct longer than kXmlMaxRun, an element with more than
// kXmlMaxAttributes attributes and more than kXmlMaxNamespaces namespace declarations in scope, before
// the XML reader, whose costs grow with the square of those counts, sees them. NUL bytes are passed
// over, so a part written in UTF-16 is watched by its ASCII markup as well.
class XmlGuard {
public:
    QString inspect(const char* data, qint64 size) {
        for (qint64 i = 0; i < size;) {
            // Text and quoted values, the bulk of a part, are passed over a run at a time.
            if (state_ == State::Text || (state_ == State::Tag && quote_ != 0)) {
                const char wanted = state_ == State::Text ? '<' : quote_;
                const void* found = std::memchr(data + i, wanted, static_cast<size_t>(size - i));
                const qint64 n = found ? static_cast<const char*>(found) - (data + i) + 1 : size - i;
                if ((run_ += n) > kXmlMaxRun) {
                    return tooLong();
                }
                i += n;
                if (found && state_ == State::Text) {
                    state_ = State::Open;
                    run_ = 1;
                } else if (found) {
                    quote_ = 0;
                    name_.clear();
                    last_ = wanted;
                }
                continue;
            }
            const char c = data[i++];
            if (++run_ > kXmlMaxRun) {
                return tooLong();
            }
            if (c == 0) {
                continue;
            }
            const QString refused = character(c);
            if (!refused.isEmpty()) {
                return refused;
            }
        }
        return {};
    }

private:
    // A character outside the runs passed over at once.
    QString character(char c) {
        switch (state_) {
            case State::Text:
                break;
            case State::Open:
                prefix_.clear();
                quote_ = 0;
                if (c == '!' || c == '?') {
                    state_ = c == '!' ? State::Bang : State::Instruction;
                    break;
                }
                state_ = State::Tag;
                endTag_ = c == '/';
                attributes_ = 0;
                declarations_ = 0;
                name_.clear();
                last_ = 0;
                if (!endTag_) {
                    return tagCharacter(c);
                }
                break;
            case State::Tag:
                return tagCharacter(c);
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
        return {};
    }

    static QString tooLong() { return QStringLiteral("XML construct longer than %1 bytes").arg(kXmlMaxRun); }

    static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\n' || c == '\r'; }

    // A character of a tag outside quoted values. Each '=' there ends an attribute's name; a name
    // that is "xmlns" or starts with "xmlns:" declares a namespace.
    QString tagCharacter(char c) {
        if (c == '"' || c == '\'') {
            quote_ = c;
        } else if (c == '>') {
            closeTag();
        } else if (isSpace(c)) {
            space_ = true;
        } else if (c == '=') {
            if (++attributes_ > kXmlMaxAttributes) {
                return QStringLiteral("XML element with more than %1 attributes").arg(kXmlMaxAttributes);
            }
            if (name_ == "xmlns" || name_.startsWith("xmlns:")) {
                if (inScope_ + ++declarations_ > kXmlMaxNamespaces) {
                    return QStringLiteral("XML element with more than %1 namespace declarations in scope")
                        .arg(kXmlMaxNamespaces);
                }
            }
            name_.clear();
            last_ = c;
        } else {
            if (space_) {
                name_.clear();  // a new name; spaces before an '=' keep the one before them
            }
            if (name_.size() < 6) {
                name_.append(c);
            }
            space_ = false;
            last_ = c;
        }
        return {};
    }

    // At a tag's '>': an element's start puts its declarations in scope until its end.
    void closeTag() {
        state_ = State::Text;
        run_ = 0;
        space_ = false;
        if (endTag_) {
            if (!scopes_.empty() && scopes_.back().depth == depth_) {
                inScope_ -= scopes_.back().declarations;
                scopes_.pop_back();
            }
            --depth_;
        } else if (last_ != '/') {
            ++depth_;
            if (declarations_ > 0) {
                scopes_.push_back({depth_, declarations_});
                inScope_ += declarations_;
            }
        }
    }

    enum class State { Text, Open, Tag, Bang, Comment, CData, Instruction };
    State state_ = State::Text;
    qint64 run_ = 0;
    char quote_ = 0;
    QByteArray prefix_;
    QByteArray tail_;
    // The tag being read: whether it is an end tag, its attributes and namespace declarations so
    // far, the first characters of the name being read, the last character outside quotes.
    bool endTag_ = false;
    int attributes_ = 0;
    int declarations_ = 0;
    QByteArray name_;
    bool space_ = false;
    char last_ = 0;
    // Elements open, and the namespace declarations of those that made some.
    struct Scope {
        qint64 depth;
        int declarations;
    };
    qint64 depth_ = 0;
    std::vector<Scope> scopes_;
    int inScope_ = 0;
};

}  // namespace

namespace {

const QString kMarkupCompatibility =
    QStringLiteral("http://schemas.openxmlformats.org/markup-compatibility/2006");

}  // namespace

void GuardXml(ZipEntryDevice& device) {
    device.setInspector([guard = std::make_shared<XmlGuard>()](const char* data, qint64 size) {
        return guard->inspect(data, size);
    });
}

bool XmlVocabulary::understands(QStringView uri) const {
    return std::any_of(namespaces.cbegin(), namespaces.cend(), [uri](const QString& n) { return n == uri; });
}

XmlPart::XmlPart(std::shared_ptr<const ZipArchive> archive, qint64 index, qint64 cap, const QString& name,
                 const XmlVocabulary& vocabulary)
    : archive_(std::move(archive)), name_(name), vocabulary_(vocabulary), device_(*archive_, index, cap) {
    GuardXml(device_);
    xml_.setDevice(&device_);
    xml_.setNamespaceProcessing(true);
}

QXmlStreamReader::TokenType XmlPart::next() {
    const QXmlStreamReader::TokenType type = xml_.readNext();
    switch (type) {
        case QXmlStreamReader::Invalid:
            fail(device_.failed() ? device_.why() : xml_.errorString());
        case QXmlStreamReader::DTD:
            fail(QStringLiteral("XML with a document type declaration"));
        case QXmlStreamReader::StartElement:
            ++depth_;
            if (vocabulary_.markupCompatibility) {
                for (const QXmlStreamNamespaceDeclaration& d : xml_.namespaceDeclarations()) {
                    declarations_.push_back({depth_, d.prefix().toString(), d.namespaceUri().toString()});
                }
            }
            break;
        case QXmlStreamReader::EndElement:
            while (!declarations_.empty() && declarations_.back().depth == depth_) {
                declarations_.pop_back();
            }
            --depth_;
            break;
        case QXmlStreamReader::EndDocument:
            finish();
            break;
        default:
            break;
    }
    return type;
}

bool XmlPart::root() {
    for (;;) {
        switch (next()) {
            case QXmlStreamReader::StartElement:
                rootPrefix_ = xml_.prefix().toString();
                return understood();
            case QXmlStreamReader::EndDocument:
                return false;
            default:
                break;
        }
    }
}

bool XmlPart::nextChild() {
    for (;;) {
        switch (next()) {
            case QXmlStreamReader::StartElement:
                if (vocabulary_.markupCompatibility && xml_.namespaceUri() == kMarkupCompatibility &&
                    xml_.name() == QLatin1String("AlternateContent")) {
                    enterAlternateContent();
                } else if (understood()) {
                    return true;
                } else {
                    skipElement();
                }
                break;
            case QXmlStreamReader::EndElement:
                if (!branches_.empty() && depth_ == branches_.back() - 1) {
                    // The end of the branch taken: what is left of its AlternateContent is skipped.
                    branches_.pop_back();
                    skipTo(depth_ - 1);
                    break;
                }
                return false;
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("unexpected end of document"));
            default:
                break;
        }
    }
}

void XmlPart::enterAlternateContent() {
    const int depth = depth_;
    for (;;) {
        switch (next()) {
            case QXmlStreamReader::StartElement: {
                const bool mc = xml_.namespaceUri() == kMarkupCompatibility;
                bool take = mc && xml_.name() == QLatin1String("Fallback");
                if (mc && xml_.name() == QLatin1String("Choice")) {
                    const QStringList prefixes = plainAttribute(xml_.attributes(), QLatin1String("Requires"))
                                                     .toString()
                                                     .split(QLatin1Char(' '), Qt::SkipEmptyParts);
                    take = !prefixes.isEmpty() &&
                           std::all_of(prefixes.cbegin(), prefixes.cend(), [this](const QString& prefix) {
                               return vocabulary_.understands(namespaceOf(prefix));
                           });
                }
                if (take) {
                    branches_.push_back(depth_);
                    return;
                }
                skipTo(depth);
                break;
            }
            case QXmlStreamReader::EndElement:
                return;  // no branch to take
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("unexpected end of document"));
            default:
                break;
        }
    }
}

QStringView XmlPart::namespaceOf(QStringView prefix) const {
    for (auto d = declarations_.crbegin(); d != declarations_.crend(); ++d) {
        if (d->prefix == prefix) {
            return d->uri;
        }
    }
    return {};
}

void XmlPart::skipTo(int depth) {
    while (depth_ > depth) {
        if (next() == QXmlStreamReader::EndDocument) {
            fail(QStringLiteral("unexpected end of document"));
        }
    }
}

void XmlPart::skipElement() {
    skipTo(depth_ - 1);
}

void XmlPart::appendElementText(BoundedText& text) {
    const int own = depth_;
    while (depth_ >= own) {
        switch (next()) {
            case QXmlStreamReader::Characters:
                if (depth_ == own) {
                    text.append(xml_.text());
                }
                break;
            case QXmlStreamReader::EndDocument:
                fail(QStringLiteral("unexpected end of document"));
            default:
                break;
        }
    }
}

void XmlPart::finish() {
    if (!device_.drain()) {
        fail(device_.why());
    }
}

void XmlPart::fail(const QString& why) const {
    throw AutomationError(kErrorNotWorkbook, QStringLiteral("%1: %2").arg(name_, why));
}

}  // namespace velmora
