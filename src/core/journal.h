#pragma once

#include <QByteArray>
#include <QDate>
#include <QDateTime>
#include <QString>
#include <optional>
#include <vector>

#include "form.h"

namespace velmora {

// How a form's print run ended.
enum class JournalOutcome {
    Sent,     // the printer or the file took the whole document
    Failed,   // the document could not be started or finished
    Stopped,  // the operator stopped the batch before this form
};

// "已发送", "未能打印", "已停止".
QString OutcomeText(JournalOutcome outcome);

// One form sent, or not, to a printer or a file.
struct JournalEntry {
    qint64 id = 0;  // given by the journal
    QDateTime time;
    QString destination;   // the printer's name, or the file written
    QString workbook;      // the workbook the record came from; "" for a form typed by hand
    QString sheet;         // and its worksheet
    int record = 0;        // its record number; 0 for a form typed by hand
    qint64 reprintOf = 0;  // the entry this one printed again; 0 for a first print
    FormContent form;      // as it printed: checked, its amount normalised
    JournalOutcome outcome = JournalOutcome::Sent;
    QString reason;  // why it failed or stopped
};

// Where an entry's form came from: "手工填写", or "payees.xlsx 第 3 个", and for a reprint
// "（重新打印第 12 条）".
QString SourceText(const JournalEntry& entry);

// What the entries shown add up to: "已发送 20 个汇款单，合计 ￥25,680.50" and, when some were not
// sent, "；2 个未能打印或已停止".
QString JournalTotalText(const std::vector<JournalEntry>& entries);

// Every form printed, in a SQLite file readable by its user only, in a folder readable by its user
// only: both are created so, tightened at every open, and refused when either is a symbolic link or
// another user's. The file carries a schema version, set up by whichever run comes first when several
// start on a journal not yet there. A file that is damaged, is no journal, or was written by a newer
// version is reported and left untouched, never overwritten. A journal that cannot be opened or
// written never stops printing; trouble() says why.
class PrintJournal {
public:
    explicit PrintJournal(QString path);
    ~PrintJournal();
    PrintJournal(const PrintJournal&) = delete;
    PrintJournal& operator=(const PrintJournal&) = delete;

    // The user's journal: "Velmora/journal.sqlite" in the user's data folder.
    static QString defaultPath();
    const QString& path() const { return path_; }

    // Records one entry (its id and, when unset, its time filled in); false when it was not recorded.
    bool record(JournalEntry entry);
    // The days that have entries, the latest first.
    std::vector<QDate> days();
    // A day's entries in the order they were recorded.
    std::vector<JournalEntry> entriesOn(QDate day);
    // The remitters of the latest forms sent, the latest first, each name once: the remitter's name,
    // address and postcode as they printed.
    std::vector<FormContent> recentRemitters(int limit);
    // The latest entry that sent this record of this worksheet with this payee, postcode and amount
    // (the form as it prints); nothing when there is none or the journal cannot be read.
    std::optional<JournalEntry> sentBefore(const QString& workbook, const QString& sheet, int record,
                                           const FormContent& form);

    // Why the journal could not be opened, read or written the last time; "" when it could.
    const QString& trouble() const { return trouble_; }
    // The trouble, the first time there is any; "" afterwards, so that the operator is told once.
    QString takeTrouble();

private:
    bool open();
    // Creates the tables in a file without any, or brings those of an earlier version up to date,
    // under a write lock. False with the trouble set when it cannot.
    bool setUpSchema();
    bool fail(const QString& reason);

    QString path_;
    QString connection_;
    bool open_ = false;
    bool told_ = false;
    QString trouble_;
};

}  // namespace velmora
