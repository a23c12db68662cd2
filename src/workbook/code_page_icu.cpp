// Code pages through Qt's ICU converters, named as ICU names them.

#include <QStringDecoder>

#include "code_page.h"

namespace velmora {

std::optional<QString> DecodeCodePage(int codePage, QByteArrayView bytes) {
    QByteArray name;
    switch (codePage) {
        case 367:
        case 20127:
            name = "US-ASCII";
            break;
        case 932:
            name = "Shift_JIS";
            break;
        case kCodePageGbk:
            name = "GBK";
            break;
        case 949:
            name = "windows-949";
            break;
        case 950:
            name = "Big5";
            break;
        case 10000:
        case 32768:
            name = "macintosh";
            break;
        case 32769:
            name = "windows-1252";
            break;
        case kCodePageGb18030:
            name = "GB18030";
            break;
        default:
            name = (codePage >= 1250 && codePage <= 1258) || codePage == 874
                       ? "windows-" + QByteArray::number(codePage)
                       : "ibm-" + QByteArray::number(codePage);
            break;
    }
    QStringDecoder decoder(name.constData(), QStringConverter::Flag::Stateless);
    if (!decoder.isValid()) {
        return std::nullopt;
    }
    return decoder.decode(bytes);
}

}  // namespace velmora
