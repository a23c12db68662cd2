#include "printing/print_run.h"

#include <QLineEdit>

#include "app/app_state.h"
#include "app/window_registry.h"
#include "platform/dialogs.h"
#include "platform/printer.h"
#include "platform/printer_surface_qt.h"
#include "platform/services.h"
#include "platform/settings_store.h"
#include "printing/collate_dialog.h"
#include "printing/draw_remittance.h"
#include "text/amount.h"
#include "text/number_text.h"

namespace velmora {

namespace {

PrinterSurfaceFactory& surfaceFactory() {
    static PrinterSurfaceFactory factory;
    return factory;
}

const QString kLoadFormReminder = QStringLiteral("请在您选择的打印机中放入邮政汇款单。");
const QString kLoadFormTitle = QStringLiteral("友情提示");
const QString kCalibrationQuestion =
    QStringLiteral("您是否需要打印校验图形？如果要打印，请在打印机中放好A4纸一张。");
const QString kCalibrationTitle = QStringLiteral("打印位置校验");

}  // namespace

void setPrinterSurfaceFactory(PrinterSurfaceFactory factory) {
    surfaceFactory() = std::move(factory);
}

std::unique_ptr<PrinterSurface> makePrinterSurface() {
    if (surfaceFactory()) {
        return surfaceFactory()();
    }
    return std::make_unique<QtPrinterSurface>(currentPrinter(), QtPrinterSurface::ExistingFile::Keep);
}

Calibration StoredCalibration() {
    SettingsStore& store = *services().settings;
    return {LeadingNumber(store.get(kSettingsApplication, kCollateSection, QStringLiteral("X"))),
            LeadingNumber(store.get(kSettingsApplication, kCollateSection, QStringLiteral("Y")))};
}

PrintResult PrintRemittance(const FormContent& form, QWidget* parent) {
    // An amount the nine boxes cannot hold would print wrong figures on a money form: refuse it
    // before the operator is asked for anything.
    const QString amountProblem = AmountProblem(form.text[kAmountField]);
    if (!amountProblem.isEmpty()) {
        return {PrintStatus::Refused, amountProblem};
    }

    Dialogs& dialogs = *services().dialogs;
    if (appState().AskPrinter == kAskPrinterYes) {
        if (!dialogs.showPrinter(parent)) {
            return {PrintStatus::Cancelled, {}};
        }
        dialogs.message(parent, kLoadFormReminder, kLoadFormTitle, MessageIcon::Exclamation);
    }

    // Read anew for every form: a change in the offsets dialog applies to the next form printed.
    const Calibration calibration = StoredCalibration();
    std::unique_ptr<PrinterSurface> surface = makePrinterSurface();
    DrawRemittance(form, calibration.x - 10, calibration.y - 10, *surface);
    if (surface->failed()) {
        return {PrintStatus::Failed, surface->failure()};
    }
    return {PrintStatus::Printed, {}};
}

void PrintCalibration(QWidget* parent) {
    Dialogs& dialogs = *services().dialogs;
    if (dialogs.showPrinter(parent) && dialogs.askYesNo(parent, kCalibrationQuestion, kCalibrationTitle)) {
        // 10 mm and 20 mm from the corner of the printable area, in unrounded twips.
        const float nearCorner = static_cast<float>(10 * 0.03937 * 1440);
        const float farCorner = static_cast<float>(20 * 0.03937 * 1440);
        std::unique_ptr<PrinterSurface> surface = makePrinterSurface();
        surface->fillRectangle(nearCorner, nearCorner, farCorner, farCorner);
        if (!surface->endDocument()) {
            dialogs.message(parent, QStringLiteral("校验图形没有打印出来。\n%1").arg(surface->failure()), {},
                            MessageIcon::Exclamation);
        }
    }

    CollateDialog* collate = WindowRegistry::instance().window<CollateDialog>();
    collate->show();
    collate->raise();
    collate->activateWindow();
    SettingsStore& store = *services().settings;
    collate->Txy(0)->setText(store.get(kSettingsApplication, kCollateSection, QStringLiteral("X")));
    collate->Txy(1)->setText(store.get(kSettingsApplication, kCollateSection, QStringLiteral("Y")));
}

}  // namespace velmora
