// Paints the picture of the blank postal remittance form (中国邮政汇款单) in red on white, 700 x 329
// pixels, and the program's 48 x 48 window icon. The places of the entry boxes and tick squares are
// read from the main window's design, so what is painted here lies under the boxes that fill it.
//
//   velmora-form-picture main_window.ui form_picture.png velmora_icon.png

#include <QFile>
#include <QFont>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QRect>
#include <QXmlStreamReader>
#include <cstdio>
#include <optional>

#include "fonts.h"
#include "spaced_text.h"

namespace {

using velmora::LayOutSpacedText;
using velmora::SpacedTextFont;

constexpr int kWidth = 700;
constexpr int kHeight = 329;
const QColor kRed(0xC8, 0x1E, 0x28);

// What the painter needs to know of one control of the design.
struct Control {
    QRect rect;
    double pointSize = 0;
};

// The controls inside the form picture (Envelop), by name, with their rectangles relative to it.
std::optional<QHash<QString, Control>> readDesign(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "cannot read %s\n", qPrintable(path));
        return std::nullopt;
    }
    QHash<QString, Control> controls;
    QXmlStreamReader xml(&file);
    QStringList widgets;  // the names of the open <widget> elements
    QString property;     // the name of the open <property>
    QString field;        // the element whose text is being read
    QString current;      // the innermost open widget
    while (!xml.atEnd()) {
        xml.readNext();
        if (xml.isStartElement()) {
            const QString name = xml.name().toString();
            if (name == QLatin1String("widget")) {
                widgets << xml.attributes().value(QLatin1String("name")).toString();
                current = widgets.last();
                controls.insert(current, Control{});
            } else if (name == QLatin1String("property")) {
                property = xml.attributes().value(QLatin1String("name")).toString();
            } else {
                field = name;
            }
        } else if (xml.isEndElement()) {
            const QString name = xml.name().toString();
            if (name == QLatin1String("widget")) {
                widgets.removeLast();
                current = widgets.isEmpty() ? QString() : widgets.last();
            } else if (name == QLatin1String("property")) {
                property.clear();
            }
            field.clear();
        } else if (xml.isCharacters() && !current.isEmpty() && !xml.isWhitespace()) {
            Control& control = controls[current];
            const int number = xml.text().toInt();
            if (property == QLatin1String("geometry")) {
                if (field == QLatin1String("x")) {
                    control.rect.moveLeft(number);
                } else if (field == QLatin1String("y")) {
                    control.rect.moveTop(number);
                } else if (field == QLatin1String("width")) {
                    control.rect.setWidth(number);
                } else if (field == QLatin1String("height")) {
                    control.rect.setHeight(number);
                }
            } else if (property == QLatin1String("font") && field == QLatin1String("pointsize")) {
                control.pointSize = number;
            } else if (property == QLatin1String("pointSizeF") && field == QLatin1String("double")) {
                control.pointSize = xml.text().toDouble();
            }
        }
    }
    if (xml.hasError()) {
        std::fprintf(stderr, "%s: %s\n", qPrintable(path), qPrintable(xml.errorString()));
        return std::nullopt;
    }
    for (int i = 0; i < 9; ++i) {
        for (const QString& name : {QStringLiteral("Txt_%1").arg(i), QStringLiteral("Chk_%1").arg(i)}) {
            if (!controls.contains(name) || controls[name].rect.isEmpty()) {
                std::fprintf(stderr, "%s: no %s\n", qPrintable(path), qPrintable(name));
                return std::nullopt;
            }
        }
    }
    return controls;
}

QFont songFont(qreal pixels, bool bold = false) {
    QFont font(QStringLiteral("宋体"));
    font.setPixelSize(qRound(pixels));
    font.setBold(bold);
    return font;
}

class FormPainter {
public:
    FormPainter(QPainter& painter, const QHash<QString, Control>& design) : p_(painter), design_(design) {}

    void paint() {
        p_.fillRect(0, 0, kWidth, kHeight, Qt::white);
        p_.setRenderHint(QPainter::Antialiasing, false);
        p_.setRenderHint(QPainter::TextAntialiasing, true);
        title();
        serviceTypes();
        specialServices();
        operatorSection();
        amountAndMessage();
        postOffice();
        footer();
        // The form's frame last, so nothing paints over it.
        p_.setPen(QPen(kRed, 2));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(QRect(kLeft, kTop, kRight - kLeft, kBottom - kTop));
    }

private:
    // The frame and the lines that divide the form into its sections.
    static constexpr int kLeft = 4;
    static constexpr int kTop = 4;
    static constexpr int kRight = 696;
    static constexpr int kBottom = 325;
    static constexpr int kTitleLine = 42;    // under the title
    static constexpr int kOptionsLine = 98;  // under the option blocks
    static constexpr int kLabelColumn = 36;  // right edge of the vertical block captions

    // The line between the operator's rows (left) and the amount and message (right). The sixth
    // spaced postcode digit reaches a little past its box, so the line stands just inside the boxes
    // on its right, which hide it.
    int splitX() const { return txt(6).left() + 3; }

    QRect box(const QString& name) const { return design_.value(name).rect; }
    QRect txt(int i) const { return box(QStringLiteral("Txt_%1").arg(i)); }
    QRect chk(int i) const { return box(QStringLiteral("Chk_%1").arg(i)); }

    void line(int x1, int y1, int x2, int y2, int width = 1) {
        p_.setPen(QPen(kRed, width, Qt::SolidLine, Qt::FlatCap));
        p_.drawLine(x1, y1, x2, y2);
    }

    void text(const QRectF& rect, const QString& s, const QFont& font, int flags = Qt::AlignCenter) {
        p_.setPen(kRed);
        p_.setFont(font);
        p_.drawText(rect, flags, s);
    }

    // Characters stacked top to bottom, centred in the rectangle.
    void verticalText(const QRectF& rect, const QString& s, const QFont& font) {
        const QFontMetricsF metrics(font);
        const qreal step = metrics.height();
        qreal y = rect.center().y() - step * s.size() / 2;
        for (const QChar c : s) {
            text(QRectF(rect.left(), y, rect.width(), step), QString(c), font);
            y += step;
        }
    }

    void square(const QRect& r) {
        p_.setPen(QPen(kRed, 1));
        p_.setBrush(Qt::NoBrush);
        p_.drawRect(r.adjusted(0, 0, -1, -1));
    }

    void title() {
        QFont font = songFont(24, true);
        font.setLetterSpacing(QFont::AbsoluteSpacing, 6);
        text(QRectF(0, 6, kWidth, 32), QStringLiteral("中国邮政汇款单"), font);
        line(270, 37, 430, 37);
        line(270, 39, 430, 39);
        text(QRectF(530, 10, 160, 14), QStringLiteral("编号："), songFont(11),
             Qt::AlignLeft | Qt::AlignVCenter);
        const int special = chk(6).left() - 4;
        text(QRectF(special, kTitleLine - 15, kRight - special, 15), QStringLiteral("特  殊  服  务"),
             songFont(11));
        line(kLeft, kTitleLine, kRight, kTitleLine);
    }

    // A tick square under a check box: its indicator sits at the box's left edge, vertically centred.
    void tickSquare(int i) {
        const QRect c = chk(i);
        const int side = std::min(c.width(), 13);
        square(QRect(c.left(), c.top() + (c.height() - side) / 2, side, side));
    }

    void option(int i, const QString& name, const QString& note) {
        const QRect c = chk(i);
        const QFont nameFont = songFont(12);
        const qreal nameWidth = QFontMetricsF(nameFont).horizontalAdvance(name);
        const qreal x = c.right() + 5;
        const QRectF row(x, c.top() - 2, 200, c.height() + 4);
        text(row, name, nameFont, Qt::AlignLeft | Qt::AlignVCenter);
        if (!note.isEmpty()) {
            text(row.adjusted(nameWidth + 2, 1, 0, 0), note, songFont(10), Qt::AlignLeft | Qt::AlignVCenter);
        }
        tickSquare(i);
    }

    void serviceTypes() {
        const int divider = chk(0).left() - 9;
        text(QRectF(kLeft, kTitleLine + 6, divider - kLeft, 22), QStringLiteral("业 务 种 类"),
             songFont(16, true));
        text(QRectF(kLeft, kTitleLine + 30, divider - kLeft, 18), QStringLiteral("请在所选项目的方格内打“√”"),
             songFont(11));
        line(divider, kTitleLine, divider, kOptionsLine);
        option(0, QStringLiteral("特急汇款"), QStringLiteral("2-5分钟"));
        option(1, QStringLiteral("加急汇款"), QStringLiteral("2小时"));
        option(2, QStringLiteral("电子汇款"), QStringLiteral("次日"));
        option(3, QStringLiteral("普通汇款"), QStringLiteral("2-5天"));
        option(4, QStringLiteral("礼仪汇款"), QStringLiteral("次日"));
        option(5, QStringLiteral("入账汇款"), QStringLiteral("2-5天"));
    }

    void specialServices() {
        const int divider = chk(6).left() - 4;
        const int header = kTitleLine - 16;
        line(divider, header, kRight, header);
        line(divider, header, divider, kOptionsLine);
        option(6, QStringLiteral("短信回执"), QString());
        option(7, QStringLiteral("投单回执"), QString());
        option(8, QStringLiteral("附言"), QString());
        // The mobile number is written on a line, one digit per mark, spaced as the box spaces them.
        const QRect mobile = txt(7);
        const int y = mobile.bottom() + 1;
        line(mobile.left(), y, mobile.right(), y);
        const QFont spaced = spacedFont(7);
        for (const auto& glyph : LayOutSpacedText(QStringLiteral("00000000000"), spaced, 2)) {
            const int x = mobile.left() + qRound(glyph.cell.x() + glyph.advance + 1);
            if (x < mobile.right()) {
                line(x, y - 3, x, y);
            }
        }
        text(QRectF(mobile.left(), y + 1, mobile.width(), 10), QStringLiteral("手机号码"), songFont(9),
             Qt::AlignRight | Qt::AlignTop);
    }

    // The font a box draws its spaced digits with.
    QFont spacedFont(int i) const {
        QFont boxFont(QStringLiteral("宋体"));
        boxFont.setPointSizeF(design_.value(QStringLiteral("Txt_%1").arg(i)).pointSize);
        return SpacedTextFont(boxFont);
    }

    // Six squares under a postcode box, each where the box draws one of its spaced digits.
    void postcodeSquares(int i) {
        const QRect r = txt(i);
        const QFont spaced = spacedFont(i);
        const QFontMetricsF metrics(spaced);
        const QRectF ink = metrics.tightBoundingRect(QStringLiteral("0"));
        // A little wider and taller than a digit, the last one still left of the dividing line.
        const int width = 17;
        const int height = std::min(r.height() - 2, qRound(ink.height()) + 6);
        for (const auto& glyph : LayOutSpacedText(QStringLiteral("000000"), spaced, 6)) {
            const QPointF centre = QPointF(r.topLeft()) + glyph.baseline + ink.center();
            square(QRect(qRound(centre.x() - width / 2.0), qRound(centre.y() - height / 2.0), width, height));
        }
    }

    void operatorSection() {
        const int split = splitX();
        const QRect payeeName = txt(0), payeeAddress = txt(2), remitterName = txt(1),
                    remitterAddress = txt(3);
        const int rowLines[] = {payeeAddress.top() - 1, remitterName.top() - 3, remitterAddress.top() - 1,
                                remitterAddress.bottom() + 2};
        line(kLeft, kOptionsLine, kRight, kOptionsLine);
        line(kLeft, rowLines[1], split, rowLines[1]);
        line(kLeft, rowLines[3], split, rowLines[3]);
        for (const int y : {rowLines[0], rowLines[2]}) {
            line(kLabelColumn, y, split, y);
        }
        line(kLabelColumn, kOptionsLine, kLabelColumn, rowLines[3]);
        line(split, kOptionsLine, split, kBottom - 29);
        const int captionRight = payeeAddress.left() - 2;
        line(captionRight, kOptionsLine, captionRight, rowLines[3]);

        verticalText(QRectF(kLeft, kOptionsLine, kLabelColumn - kLeft, rowLines[1] - kOptionsLine),
                     QStringLiteral("收款人"), songFont(14, true));
        verticalText(QRectF(kLeft, rowLines[1], kLabelColumn - kLeft, rowLines[3] - rowLines[1]),
                     QStringLiteral("汇款人"), songFont(14, true));
        const QFont caption = songFont(13);
        const qreal captionWidth = captionRight - kLabelColumn;
        text(QRectF(kLabelColumn, kOptionsLine, captionWidth, rowLines[0] - kOptionsLine),
             QStringLiteral("姓　　名"), caption);
        text(QRectF(kLabelColumn, rowLines[0], captionWidth, rowLines[1] - rowLines[0]),
             QStringLiteral("详细地址"), caption);
        text(QRectF(kLabelColumn, rowLines[1], captionWidth, rowLines[2] - rowLines[1]),
             QStringLiteral("姓　　名"), caption);
        text(QRectF(kLabelColumn, rowLines[2], captionWidth, rowLines[3] - rowLines[2]),
             QStringLiteral("详细地址"), caption);

        // The postcode captions between the name and the postcode squares.
        for (const auto& [name, postcode, top, bottom] :
             {std::tuple{payeeName, txt(4), kOptionsLine, rowLines[0]},
              std::tuple{remitterName, txt(5), rowLines[1], rowLines[2]}}) {
            const int left = name.right() + 3;
            const int right = postcode.left() - 3;
            line(left, top, left, bottom);
            text(QRectF(left, top, right - left, bottom - top), QStringLiteral("邮政编码"), caption);
        }
        postcodeSquares(4);
        postcodeSquares(5);
    }

    void amountAndMessage() {
        const QRect amount = txt(6);
        const QRect message = txt(8);
        const int right = kRight;
        const int first = splitX() + 1;
        text(QRectF(first, kOptionsLine + 2, right - first, 18), QStringLiteral("汇款金额（小写）"),
             songFont(13, true));
        // Nine digit squares, millions down to fen, with their headings above them.
        const QStringList headings = {QStringLiteral("佰"), QStringLiteral("拾"), QStringLiteral("万"),
                                      QStringLiteral("千"), QStringLiteral("佰"), QStringLiteral("拾"),
                                      QStringLiteral("元"), QStringLiteral("角"), QStringLiteral("分")};
        const qreal pitch = (amount.right() + 1 - first) / 9.0;
        const int headingTop = kOptionsLine + 22;
        line(first, headingTop - 1, right, headingTop - 1);
        for (int k = 0; k < 9; ++k) {
            const int left = first + qRound(k * pitch);
            const int next = first + qRound((k + 1) * pitch);
            text(QRectF(left, headingTop, next - left, amount.top() - headingTop), headings[k], songFont(12));
            square(QRect(left + 1, amount.top(), next - left - 1, amount.height()));
        }
        // The point between yuan and jiao.
        const int point = first + qRound(7 * pitch);
        p_.setBrush(kRed);
        p_.setPen(Qt::NoPen);
        p_.drawEllipse(QPointF(point + 0.5, amount.bottom() - 1.5), 1.2, 1.2);
        text(QRectF(amount.right() + 1, amount.top(), right - amount.right() - 1, amount.height()),
             QStringLiteral("元"), songFont(12));

        line(first, message.top() - 1, right, message.top() - 1);
        const int captionLeft = message.right() + 2;
        line(captionLeft, message.top() - 1, captionLeft, kBottom - 29);
        verticalText(QRectF(captionLeft, message.top(), right - captionLeft, message.height() - 40),
                     QStringLiteral("汇款附言"), songFont(14, true));
        verticalText(QRectF(captionLeft, message.bottom() - 44, right - captionLeft, 44),
                     QStringLiteral("限30字"), songFont(10));
    }

    void postOffice() {
        const int top = txt(3).bottom() + 2;
        const int bottom = kBottom - 29;
        const int split = splitX();
        const int middle = (top + bottom) / 2;
        verticalText(QRectF(kLeft, top, kLabelColumn - kLeft, bottom - top), QStringLiteral("邮局填写"),
                     songFont(11, true));
        line(kLabelColumn, top, kLabelColumn, bottom);
        const int stamp = split - 86;  // the date stamp takes the section's right end
        line(kLabelColumn, middle, stamp, middle);
        line(stamp, top, stamp, bottom);
        const int columns[] = {kLabelColumn, kLabelColumn + 72, kLabelColumn + 210, kLabelColumn + 282,
                               stamp};
        for (int c = 1; c < 4; ++c) {
            line(columns[c], top, columns[c], bottom);
        }
        const QFont caption = songFont(12);
        auto cell = [&](int column, int rowTop, int rowBottom, const QString& s) {
            text(QRectF(columns[column], rowTop, columns[column + 1] - columns[column], rowBottom - rowTop),
                 s, caption);
        };
        cell(0, top, middle, QStringLiteral("汇票号码"));
        cell(2, top, middle, QStringLiteral("汇票金额"));
        cell(0, middle, bottom, QStringLiteral("汇　　费"));
        cell(2, middle, bottom, QStringLiteral("收　　费"));
        text(QRectF(stamp, top + 2, split - stamp, 14), QStringLiteral("收汇日戳"), songFont(11));
        p_.setPen(QPen(kRed, 1, Qt::DashLine));
        p_.setBrush(Qt::NoBrush);
        p_.setRenderHint(QPainter::Antialiasing, true);
        const QPointF centre((stamp + split) / 2.0, (top + 16 + bottom) / 2.0);
        const qreal radius = std::min((split - stamp) / 2.0, (bottom - top - 16) / 2.0) - 2;
        p_.drawEllipse(centre, radius, radius);
        p_.setRenderHint(QPainter::Antialiasing, false);
    }

    void footer() {
        const int top = kBottom - 29;
        line(kLeft, top, kRight, top);
        const QFont caption = songFont(12);
        const QRectF row(kLeft + 10, top, kRight - kLeft - 20, kBottom - top);
        text(row, QStringLiteral("收汇营业员：　　　　　　　　复核员：　　　　　　　　主管："), caption,
             Qt::AlignLeft | Qt::AlignVCenter);
        text(row, QStringLiteral("（本汇款单经营业员签章后有效）"), songFont(10),
             Qt::AlignRight | Qt::AlignVCenter);
    }

    QPainter& p_;
    const QHash<QString, Control>& design_;
};

// The window icon: the character 汇 (remit) in white on the form's red, over a row of digit squares.
QImage paintIcon() {
    QImage icon(48, 48, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    QPainter p(&icon);
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setPen(Qt::NoPen);
    p.setBrush(kRed);
    p.drawRoundedRect(QRectF(1, 1, 46, 46), 7, 7);
    p.setPen(Qt::white);
    p.setFont(songFont(30, true));
    p.drawText(QRectF(0, 1, 48, 34), Qt::AlignCenter, QStringLiteral("汇"));
    p.setPen(QPen(Qt::white, 1.5));
    p.setBrush(Qt::NoBrush);
    for (int k = 0; k < 5; ++k) {
        p.drawRect(QRectF(7.5 + k * 6.8, 36.5, 5, 6));
    }
    p.end();
    return icon;
}

}  // namespace

int main(int argc, char* argv[]) {
    QGuiApplication app(argc, argv);
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s main_window.ui form_picture.png velmora_icon.png\n", argv[0]);
        return 2;
    }
    velmora::installSongFontSubstitutions();
    const auto design = readDesign(QString::fromLocal8Bit(argv[1]));
    if (!design) {
        return 1;
    }
    QImage picture(kWidth, kHeight, QImage::Format_RGB32);
    {
        QPainter painter(&picture);
        FormPainter(painter, *design).paint();
    }
    if (!picture.save(QString::fromLocal8Bit(argv[2]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    if (!paintIcon().save(QString::fromLocal8Bit(argv[3]))) {
        std::fprintf(stderr, "cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
