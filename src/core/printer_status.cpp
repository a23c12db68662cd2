#include "printer_status.h"

#include <QPrinter>
#include <QPrinterInfo>

#include "spooler.h"

namespace velmora {

QString printerUnavailable(const QString& printerName) {
    const QPrinterInfo info = QPrinterInfo::printerInfo(printerName);
    if (info.isNull()) {
        return QStringLiteral("打印机“%1”不存在，可能已被删除。请在打印对话框中选择一台打印机。")
            .arg(printerName);
    }
    // The spooler's word first: it says why, in its own words too.
    if (const QString refusal = SpoolerQueueRefusal(printerName); !refusal.isEmpty()) {
        return refusal;
    }
    if (info.state() == QPrinter::Error || info.state() == QPrinter::Aborted) {
        return QStringLiteral("打印机“%1”已停止，不接受打印。请在系统的打印机设置中恢复这台打印机后再打印。")
            .arg(printerName);
    }
    return {};
}

}  // namespace velmora
