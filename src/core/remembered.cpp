#include "remembered.h"

#include "settings_keys.h"
#include "settings_store.h"

namespace velmora {

namespace {

// The key of a remembered box: its field's position on the form ("Txt1" for the remitter name).
QString keyOf(Field field) {
    return QStringLiteral("Txt%1").arg(indexOf(field));
}

QString get(const SettingsStore& store, const QString& section, const QString& key) {
    return store.get(kSettingsApplication, section, key);
}

}  // namespace

void RememberCommonBoxes(SettingsStore& store, const FormContent& form) {
    for (const Field field : kRememberedFields) {
        store.save(kSettingsApplication, kRemitterSection, keyOf(field), form.text(field));
    }
    QString ticks;
    for (const CheckValue value : form.checks) {
        ticks += QString::number(static_cast<int>(value));
    }
    store.save(kSettingsApplication, kRemitterSection, kTicksKey, ticks);
}

FormContent RememberedCommonBoxes(const SettingsStore& store) {
    FormContent form;
    for (const Field field : kRememberedFields) {
        form.text(field) = get(store, kRemitterSection, keyOf(field));
    }
    const QString ticks = get(store, kRemitterSection, kTicksKey);
    for (std::size_t i = 0; i < form.checks.size() && i < std::size_t(ticks.size()); ++i) {
        const int value = ticks.at(qsizetype(i)).digitValue();
        form.checks[i] = value == 1   ? CheckValue::Ticked
                         : value == 2 ? CheckValue::Greyed
                                      : CheckValue::Clear;
    }
    return form;
}

void RememberImportEntries(SettingsStore& store, const ImportEntries& entries) {
    store.save(kSettingsApplication, kImportSection, kImportPathKey, entries.path);
    store.save(kSettingsApplication, kImportSection, kImportSheetKey, entries.sheet);
    store.save(kSettingsApplication, kImportSection, kImportFirstRowKey, entries.firstRow);
    store.save(kSettingsApplication, kImportSection, kImportColumnsKey,
               entries.columns.join(QLatin1Char(',')));
}

std::optional<ImportEntries> RememberedImportEntries(const SettingsStore& store) {
    const QString columns = get(store, kImportSection, kImportColumnsKey);
    if (columns.isEmpty()) {
        return std::nullopt;
    }
    ImportEntries entries{get(store, kImportSection, kImportPathKey),
                          get(store, kImportSection, kImportSheetKey),
                          get(store, kImportSection, kImportFirstRowKey), columns.split(QLatin1Char(','))};
    if (entries.columns.size() != 4) {
        return std::nullopt;
    }
    return entries;
}

void RememberPrinter(SettingsStore& store, const QString& name) {
    store.save(kSettingsApplication, kPrinterSection, kPrinterNameKey, name);
}

QString RememberedPrinter(const SettingsStore& store) {
    return get(store, kPrinterSection, kPrinterNameKey);
}

}  // namespace velmora
