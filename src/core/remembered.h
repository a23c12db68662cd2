#pragma once

#include <QString>
#include <QStringList>
#include <optional>

#include "form.h"

namespace velmora {

class SettingsStore;

// Work kept in the per-user settings store between runs, each in a section of its own.

// The boxes that stay the same from one form of a batch to the next: remitter name, address and
// postcode, mobile number, message and the ticks (section "Remitter"). The payee boxes are never kept.
inline constexpr Field kRememberedFields[] = {Field::RemitterName, Field::RemitterAddress,
                                              Field::RemitterPostcode, Field::Mobile, Field::Message};
void RememberCommonBoxes(SettingsStore& store, const FormContent& form);
// A form holding the remembered boxes (every other box empty, ticks clear when none are kept).
FormContent RememberedCommonBoxes(const SettingsStore& store);

// The open-workbook dialog's entries as last confirmed (section "Import"): path, worksheet, first
// data row and the four column letters.
struct ImportEntries {
    QString path;
    QString sheet;
    QString firstRow;
    QStringList columns;  // payee name, address, postcode, amount
};
void RememberImportEntries(SettingsStore& store, const ImportEntries& entries);
// Nothing when none were kept.
std::optional<ImportEntries> RememberedImportEntries(const SettingsStore& store);

// The printer last chosen (section "Printer"); "" when none.
void RememberPrinter(SettingsStore& store, const QString& name);
QString RememberedPrinter(const SettingsStore& store);

}  // namespace velmora
