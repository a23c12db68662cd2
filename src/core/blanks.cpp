#include "blanks.h"

namespace velmora {

QString TrimBlanks(const QString& text) {
    qsizetype begin = 0;
    qsizetype end = text.size();
    while (begin < end && text.at(begin) == QLatin1Char(' ')) {
        ++begin;
    }
    while (end > begin && text.at(end - 1) == QLatin1Char(' ')) {
        --end;
    }
    return (begin == 0 && end == text.size()) ? text : text.mid(begin, end - begin);
}

}  // namespace velmora
