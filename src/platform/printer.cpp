#include "platform/printer.h"

#include <QPrinter>

namespace velmora {

QPrinter& currentPrinter() {
    static QPrinter printer(QPrinter::HighResolution);
    return printer;
}

}  // namespace velmora
