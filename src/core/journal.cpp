#include "journal.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSqlDatabase>
#include <QSqlError>
#include <QSqlQuery>
#include <QStandardPaths>
#include <QVariant>

#include "amount.h"
#include "safe_file.h"

namespace velmora {

namespace {

// 1: the first; 2: adds the worksheet of a batch record and the entry a reprint printed again.
constexpr int kSchemaVersion = 2;
// How long a run waits for another program's run writing the journal at the same time.
constexpr int kBusyMilliseconds = 10000;
constexpr auto kDayFormat = "yyyy-MM-dd";

// The statements that bring a file of version n - 1 (0: none) to version n.
const std::vector<std::vector<const char*>> kSchemaSteps = {
    {"CREATE TABLE prints (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, day TEXT NOT NULL, "
     "destination TEXT NOT NULL, workbook TEXT NOT NULL, record INTEGER NOT NULL, payee TEXT NOT NULL, "
     "postcode TEXT NOT NULL, amount TEXT NOT NULL, outcome INTEGER NOT NULL, reason TEXT NOT NULL, "
     "form TEXT NOT NULL)",
     "CREATE INDEX prints_by_day ON prints (day)"},
    {"ALTER TABLE prints ADD COLUMN sheet TEXT NOT NULL DEFAULT ''",
     "ALTER TABLE prints ADD COLUMN reprint_of INTEGER NOT NULL DEFAULT 0",
     "CREATE INDEX prints_by_record ON prints (workbook, record)"},
};
static_assert(kSchemaVersion == 2, "one step a version");
const char* const kColumns =
    "id, time, destination, workbook, sheet, record, reprint_of, outcome, reason, form";

QString formJson(const FormContent& form) {
    QJsonArray texts;
    QJsonArray checks;
    for (const QString& text : form.texts) {
        texts.append(text);
    }
    for (const CheckValue check : form.checks) {
        checks.append(int(check));
    }
    return QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("texts"), texts}, {QStringLiteral("checks"), checks}})
            .toJson(QJsonDocument::Compact));
}

FormContent formFromJson(const QString& json) {
    const QJsonObject object = QJsonDocument::fromJson(json.toUtf8()).object();
    const QJsonArray texts = object.value(QStringLiteral("texts")).toArray();
    const QJsonArray checks = object.value(QStringLiteral("checks")).toArray();
    FormContent form;
    for (int i = 0; i < kFieldCount && i < texts.size(); ++i) {
        form.texts[std::size_t(i)] = texts.at(i).toString();
    }
    for (int i = 0; i < kTickCount && i < checks.size(); ++i) {
        const int value = checks.at(i).toInt();
        form.checks[std::size_t(i)] = value == int(CheckValue::Ticked)   ? CheckValue::Ticked
                                      : value == int(CheckValue::Greyed) ? CheckValue::Greyed
                                                                         : CheckValue::Clear;
    }
    return form;
}

JournalOutcome outcomeFrom(int value);

// A text to bind: a null QString would bind as NULL, which equals nothing.
QVariant text(const QString& value) {
    return QVariant(value.isNull() ? QStringLiteral("") : value);
}

// The entry a query selecting kColumns is on.
JournalEntry entryAt(const QSqlQuery& query) {
    JournalEntry entry;
    entry.id = query.value(0).toLongLong();
    entry.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
    entry.destination = query.value(2).toString();
    entry.workbook = query.value(3).toString();
    entry.sheet = query.value(4).toString();
    entry.record = query.value(5).toInt();
    entry.reprintOf = query.value(6).toLongLong();
    entry.outcome = outcomeFrom(query.value(7).toInt());
    entry.reason = query.value(8).toString();
    entry.form = formFromJson(query.value(9).toString());
    return entry;
}

JournalOutcome outcomeFrom(int value) {
    return value == int(JournalOutcome::Failed)    ? JournalOutcome::Failed
           : value == int(JournalOutcome::Stopped) ? JournalOutcome::Stopped
                                                   : JournalOutcome::Sent;
}

}  // namespace

QString OutcomeText(JournalOutcome outcome) {
    switch (outcome) {
        case JournalOutcome::Failed:
            return QStringLiteral("未能打印");
        case JournalOutcome::Stopped:
            return QStringLiteral("已停止");
        case JournalOutcome::Sent:
            break;
    }
    return QStringLiteral("已发送");
}

QString SourceText(const JournalEntry& entry) {
    const QString source =
        entry.record <= 0
            ? QStringLiteral("手工填写")
            : QStringLiteral("%1 第 %2 个").arg(QFileInfo(entry.workbook).fileName()).arg(entry.record);
    return entry.reprintOf > 0 ? source + QStringLiteral("（重新打印第 %1 条）").arg(entry.reprintOf)
                               : source;
}

QString JournalTotalText(const std::vector<JournalEntry>& entries) {
    int sent = 0;
    Money total;
    for (const JournalEntry& entry : entries) {
        if (entry.outcome == JournalOutcome::Sent) {
            ++sent;
            total += ReadAmount(entry.form.text(Field::Amount)).money;
        }
    }
    QString text = QStringLiteral("已发送 %1 个汇款单，合计 %2").arg(sent).arg(total.text());
    if (const int other = int(entries.size()) - sent; other > 0) {
        text += QStringLiteral("；%1 个未能打印或已停止").arg(other);
    }
    return text;
}

PrintJournal::PrintJournal(QString path)
    : path_(std::move(path)),
      connection_(QStringLiteral("velmora-journal-%1").arg(reinterpret_cast<quintptr>(this))) {}

PrintJournal::~PrintJournal() {
    if (QSqlDatabase::contains(connection_)) {
        QSqlDatabase::database(connection_, false).close();
        QSqlDatabase::removeDatabase(connection_);
    }
}

QString PrintJournal::defaultPath() {
    return QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
           QStringLiteral("/Velmora/journal.sqlite");
}

QString PrintJournal::takeTrouble() {
    if (told_ || trouble_.isEmpty()) {
        return {};
    }
    told_ = true;
    return trouble_;
}

bool PrintJournal::fail(const QString& reason) {
    trouble_ = QStringLiteral("打印记录“%1”%2").arg(QDir::toNativeSeparators(path_), reason);
    return false;
}

bool PrintJournal::open() {
    if (open_) {
        return true;
    }
    // The folder and the file are the user's alone, tightened at every open and never reached through a
    // link, before SQLite opens the file: no one else can then plant one there.
    const QString folder = QFileInfo(path_).absolutePath();
    const PrivateCheck folderCheck = PreparePrivateFolder(folder);
    const QString shownFolder = QDir::toNativeSeparators(folder);
    switch (folderCheck.state) {
        case PrivateState::Ok:
            break;
        case PrivateState::Link:
            return fail(QStringLiteral("所在的文件夹“%1”是一个符号链接，未作使用。").arg(shownFolder));
        case PrivateState::Foreign:
            return fail(QStringLiteral("所在的文件夹“%1”属于另一个用户，未作使用。").arg(shownFolder));
        case PrivateState::NotKind:
            return fail(QStringLiteral("所在的文件夹无法建立：“%1”不是一个文件夹。").arg(shownFolder));
        case PrivateState::Failed:
            return fail(QStringLiteral("所在的文件夹无法建立：%1。").arg(folderCheck.detail));
    }
    const PrivateCheck fileCheck = PreparePrivateFile(path_);
    switch (fileCheck.state) {
        case PrivateState::Ok:
            break;
        case PrivateState::Link:
            return fail(QStringLiteral("是一个符号链接，未作使用，也未作改动。"));
        case PrivateState::Foreign:
            return fail(QStringLiteral("属于另一个用户，未作使用，也未作改动。"));
        case PrivateState::NotKind:
            return fail(QStringLiteral("不是一个普通文件，未作改动。"));
        case PrivateState::Failed:
            return fail(QStringLiteral("无法建立：%1。").arg(fileCheck.detail));
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        return fail(QStringLiteral("无法打开：没有安装 Qt 的 SQLite 驱动。"));
    }
    QSqlDatabase db = QSqlDatabase::contains(connection_)
                          ? QSqlDatabase::database(connection_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=%1").arg(kBusyMilliseconds));
    if (!db.open()) {
        return fail(QStringLiteral("无法打开：%1。").arg(db.lastError().text()));
    }
    if (!setUpSchema()) {
        db.close();
        return false;
    }
    open_ = true;
    trouble_.clear();
    return true;
}

bool PrintJournal::setUpSchema() {
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    const auto version = [&query]() -> std::optional<int> {
        if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
            return std::nullopt;
        }
        const int value = query.value(0).toInt();
        // Done with, so that it holds no read lock: a write lock wanted while this connection reads
        // would fail at once instead of waiting.
        query.finish();
        return value;
    };
    std::optional<int> found = version();
    if (found && *found < kSchemaVersion) {
        // A file just created (version 0, no tables), here or by another program's run at the same
        // moment, or one of an earlier version: the schema is set up under a write lock taken before
        // anything is read, so that one run sets it up and every other finds it done.
        if (!query.exec(QStringLiteral("BEGIN IMMEDIATE"))) {
            return fail(QStringLiteral("无法建立：%1。").arg(query.lastError().text()));
        }
        found = version();
        if (found == 0 && (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) ||
                           !query.next() || query.value(0).toInt() != 0)) {
            query.exec(QStringLiteral("ROLLBACK"));
            return fail(QStringLiteral("不是 Velmora 的打印记录，未作改动。"));
        }
        query.finish();
        bool done = found.has_value();
        for (int step = found.value_or(kSchemaVersion); done && step < kSchemaVersion; ++step) {
            for (const char* statement : kSchemaSteps[std::size_t(step)]) {
                done = done && query.exec(QString::fromLatin1(statement));
            }
        }
        done = done && query.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        const QString error = query.lastError().text();
        if (!done || !query.exec(QStringLiteral("COMMIT"))) {
            const QString why = done ? query.lastError().text() : error;
            query.exec(QStringLiteral("ROLLBACK"));
            return fail(QStringLiteral("无法建立：%1。").arg(why));
        }
        found = kSchemaVersion;
    }
    if (!found) {
        return fail(QStringLiteral("已损坏，无法读取（%1），未作改动。").arg(query.lastError().text()));
    }
    if (*found > kSchemaVersion) {
        return fail(QStringLiteral("由较新版本的 Velmora 建立（版本 %1），未作改动。").arg(*found));
    }
    return true;
}

bool PrintJournal::record(JournalEntry entry) {
    if (!open()) {
        return false;
    }
    if (!entry.time.isValid()) {
        entry.time = QDateTime::currentDateTime();
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral(
        "INSERT INTO prints (time, day, destination, workbook, sheet, record, reprint_of, payee, postcode, "
        "amount, outcome, reason, form) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    for (const QVariant& value :
         {QVariant(entry.time.toMSecsSinceEpoch()), QVariant(entry.time.date().toString(kDayFormat)),
          text(entry.destination), text(entry.workbook), text(entry.sheet), QVariant(entry.record),
          QVariant(entry.reprintOf), text(entry.form.text(Field::PayeeName)),
          text(entry.form.text(Field::PayeePostcode)), text(entry.form.text(Field::Amount)),
          QVariant(int(entry.outcome)), text(entry.reason), QVariant(formJson(entry.form))}) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        return fail(QStringLiteral("无法写入：%1。").arg(query.lastError().text()));
    }
    trouble_.clear();
    return true;
}

std::vector<QDate> PrintJournal::days() {
    std::vector<QDate> days;
    if (!open()) {
        return days;
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    if (!query.exec(QStringLiteral("SELECT DISTINCT day FROM prints ORDER BY day DESC"))) {
        fail(QStringLiteral("无法读取：%1。").arg(query.lastError().text()));
        return days;
    }
    while (query.next()) {
        days.push_back(QDate::fromString(query.value(0).toString(), kDayFormat));
    }
    return days;
}

std::vector<JournalEntry> PrintJournal::entriesOn(QDate day) {
    std::vector<JournalEntry> entries;
    if (!open()) {
        return entries;
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(QStringLiteral("SELECT %1 FROM prints WHERE day = ? ORDER BY id").arg(kColumns));
    query.addBindValue(day.toString(kDayFormat));
    if (!query.exec()) {
        fail(QStringLiteral("无法读取：%1。").arg(query.lastError().text()));
        return entries;
    }
    while (query.next()) {
        entries.push_back(entryAt(query));
    }
    return entries;
}

std::vector<FormContent> PrintJournal::recentRemitters(int limit) {
    std::vector<FormContent> remitters;
    if (!open()) {
        return remitters;
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    // Looked for among the latest forms sent only, so that the list costs little however long the
    // journal grows.
    query.prepare(QStringLiteral("SELECT form FROM prints WHERE outcome = ? ORDER BY id DESC LIMIT 1000"));
    query.addBindValue(int(JournalOutcome::Sent));
    if (!query.exec()) {
        fail(QStringLiteral("无法读取：%1。").arg(query.lastError().text()));
        return remitters;
    }
    QStringList names;
    while (query.next() && int(remitters.size()) < limit) {
        const FormContent form = formFromJson(query.value(0).toString());
        const QString name = form.text(Field::RemitterName).trimmed();
        if (name.isEmpty() || names.contains(name)) {
            continue;
        }
        names << name;
        FormContent remitter;
        for (const Field field : {Field::RemitterName, Field::RemitterAddress, Field::RemitterPostcode}) {
            remitter.text(field) = form.text(field);
        }
        remitters.push_back(remitter);
    }
    return remitters;
}

std::optional<JournalEntry> PrintJournal::sentBefore(const QString& workbook, const QString& sheet,
                                                     int record, const FormContent& form) {
    if (!open()) {
        return std::nullopt;
    }
    QSqlQuery query(QSqlDatabase::database(connection_, false));
    query.prepare(
        QStringLiteral("SELECT %1 FROM prints WHERE workbook = ? AND sheet = ? COLLATE NOCASE AND record = ? "
                       "AND outcome = ? AND payee = ? AND postcode = ? AND amount = ? "
                       "ORDER BY id DESC LIMIT 1")
            .arg(kColumns));
    for (const QVariant& value : {text(workbook), text(sheet), QVariant(record),
                                  QVariant(int(JournalOutcome::Sent)), text(form.text(Field::PayeeName)),
                                  text(form.text(Field::PayeePostcode)), text(form.text(Field::Amount))}) {
        query.addBindValue(value);
    }
    if (!query.exec()) {
        fail(QStringLiteral("无法读取：%1。").arg(query.lastError().text()));
        return std::nullopt;
    }
    if (!query.next()) {
        return std::nullopt;
    }
    return entryAt(query);
}

}  // namespace velmora
