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

#include "form_check.h"

namespace velmora {

namespace {

constexpr int kSchemaVersion = 1;
constexpr auto kDayFormat = "yyyy-MM-dd";

const char* const kCreateTable =
    "CREATE TABLE prints (id INTEGER PRIMARY KEY, time INTEGER NOT NULL, day TEXT NOT NULL, "
    "destination TEXT NOT NULL, workbook TEXT NOT NULL, record INTEGER NOT NULL, payee TEXT NOT NULL, "
    "postcode TEXT NOT NULL, amount TEXT NOT NULL, outcome INTEGER NOT NULL, reason TEXT NOT NULL, "
    "form TEXT NOT NULL)";
const char* const kCreateIndex = "CREATE INDEX prints_by_day ON prints (day)";
const char* const kColumns = "id, time, destination, workbook, record, outcome, reason, form";

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

JournalOutcome outcomeFrom(int value) {
    return value == int(JournalOutcome::Failed)    ? JournalOutcome::Failed
           : value == int(JournalOutcome::Stopped) ? JournalOutcome::Stopped
                                                   : JournalOutcome::Sent;
}

// A CSV field: quoted where needed, and a text Excel would take for a formula made plain text.
QByteArray csvField(QString text) {
    if (!text.isEmpty() && QStringLiteral("=+-@").contains(text.front())) {
        text.prepend(QLatin1Char('\''));
    }
    QByteArray field = text.toUtf8();
    if (field.contains(',') || field.contains('"') || field.contains('\n') || field.contains('\r')) {
        field.replace("\"", "\"\"");
        field = '"' + field + '"';
    }
    return field;
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
    if (entry.record <= 0) {
        return QStringLiteral("手工填写");
    }
    return QStringLiteral("%1 第 %2 个").arg(QFileInfo(entry.workbook).fileName()).arg(entry.record);
}

QString JournalTotalText(const std::vector<JournalEntry>& entries) {
    int sent = 0;
    qint64 fen = 0;
    for (const JournalEntry& entry : entries) {
        if (entry.outcome == JournalOutcome::Sent) {
            ++sent;
            fen += AmountInFen(entry.form.text(Field::Amount)).value_or(0);
        }
    }
    QString text = QStringLiteral("已发送 %1 个汇款单，合计 %2").arg(sent).arg(MoneyText(fen));
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
    const QFileInfo file(path_);
    if (!file.exists()) {
        // The folder and the file are created readable by their user only, before SQLite opens it.
        const QString folder = file.absolutePath();
        if (!QFileInfo(folder).isDir() &&
            (!QDir().mkpath(folder) ||
             !QFile::setPermissions(
                 folder, QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner))) {
            return fail(QStringLiteral("所在的文件夹无法建立。"));
        }
        QFile created(path_);
        if (!created.open(QIODevice::WriteOnly | QIODevice::NewOnly,
                          QFileDevice::ReadOwner | QFileDevice::WriteOwner)) {
            return fail(QStringLiteral("无法建立：%1。").arg(created.errorString()));
        }
    } else if (!file.isFile()) {
        return fail(QStringLiteral("不是一个普通文件，未作改动。"));
    }
    if (!QSqlDatabase::isDriverAvailable(QStringLiteral("QSQLITE"))) {
        return fail(QStringLiteral("无法打开：没有安装 Qt 的 SQLite 驱动。"));
    }
    QSqlDatabase db = QSqlDatabase::contains(connection_)
                          ? QSqlDatabase::database(connection_, false)
                          : QSqlDatabase::addDatabase(QStringLiteral("QSQLITE"), connection_);
    db.setDatabaseName(path_);
    db.setConnectOptions(QStringLiteral("QSQLITE_BUSY_TIMEOUT=2000"));
    if (!db.open()) {
        return fail(QStringLiteral("无法打开：%1。").arg(db.lastError().text()));
    }
    QSqlQuery query(db);
    if (!query.exec(QStringLiteral("PRAGMA user_version")) || !query.next()) {
        db.close();
        return fail(QStringLiteral("已损坏，无法读取（%1），未作改动。").arg(query.lastError().text()));
    }
    const int version = query.value(0).toInt();
    if (version > kSchemaVersion) {
        db.close();
        return fail(QStringLiteral("由较新版本的 Velmora 建立（版本 %1），未作改动。").arg(version));
    }
    if (version == 0) {
        // A file of no tables is the one just created (or an empty one); anything else is no journal.
        if (!query.exec(QStringLiteral("SELECT count(*) FROM sqlite_master")) || !query.next() ||
            query.value(0).toInt() != 0) {
            db.close();
            return fail(QStringLiteral("不是 Velmora 的打印记录，未作改动。"));
        }
        const bool created = db.transaction() && query.exec(QString::fromLatin1(kCreateTable)) &&
                             query.exec(QString::fromLatin1(kCreateIndex)) &&
                             query.exec(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion)) &&
                             db.commit();
        if (!created) {
            const QString error = query.lastError().text();
            db.rollback();
            db.close();
            return fail(QStringLiteral("无法建立：%1。").arg(error));
        }
    }
    open_ = true;
    trouble_.clear();
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
        "INSERT INTO prints (time, day, destination, workbook, record, payee, postcode, amount, outcome, "
        "reason, form) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"));
    // A null QString binds as NULL: texts are bound as texts, empty or not.
    const auto text = [](const QString& value) {
        return QVariant(value.isNull() ? QStringLiteral("") : value);
    };
    for (const QVariant& value :
         {QVariant(entry.time.toMSecsSinceEpoch()), QVariant(entry.time.date().toString(kDayFormat)),
          text(entry.destination), text(entry.workbook), QVariant(entry.record),
          text(entry.form.text(Field::PayeeName)), text(entry.form.text(Field::PayeePostcode)),
          text(entry.form.text(Field::Amount)), QVariant(int(entry.outcome)), text(entry.reason),
          QVariant(formJson(entry.form))}) {
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
        JournalEntry entry;
        entry.id = query.value(0).toLongLong();
        entry.time = QDateTime::fromMSecsSinceEpoch(query.value(1).toLongLong());
        entry.destination = query.value(2).toString();
        entry.workbook = query.value(3).toString();
        entry.record = query.value(4).toInt();
        entry.outcome = outcomeFrom(query.value(5).toInt());
        entry.reason = query.value(6).toString();
        entry.form = formFromJson(query.value(7).toString());
        entries.push_back(std::move(entry));
    }
    return entries;
}

QByteArray JournalCsv(const std::vector<JournalEntry>& entries) {
    QByteArray csv = "\xEF\xBB\xBF";
    csv += QStringLiteral("时间,打印机或文件,工作簿,记录,收款人,邮编,金额,结果,原因\r\n").toUtf8();
    for (const JournalEntry& entry : entries) {
        const QString amount = PlainAmount(entry.form.text(Field::Amount)).value_or(QString());
        const QStringList fields = {entry.time.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")),
                                    entry.destination,
                                    entry.workbook,
                                    entry.record > 0 ? QString::number(entry.record) : QString(),
                                    entry.form.text(Field::PayeeName),
                                    entry.form.text(Field::PayeePostcode),
                                    amount,
                                    OutcomeText(entry.outcome),
                                    entry.reason};
        for (qsizetype i = 0; i < fields.size(); ++i) {
            csv += (i > 0 ? "," : "") + csvField(fields[i]);
        }
        csv += "\r\n";
    }
    return csv;
}

}  // namespace velmora
