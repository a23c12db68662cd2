#pragma once

#include <QWidget>
#include <array>
#include <memory>

#include "form.h"
#include "form_check.h"
#include "print_run.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace Ui {
class MainWindowForm;
}

namespace velmora {

class BatchWindow;

// The main window 主窗口: the picture of the blank remittance form with the entry boxes Txt(0..8) and
// check boxes Chk(0..8) over its fields, the record cursor NumScroll over a batch with the record
// number Num(0) and count Num(1), and the command buttons C1 from which every function starts.
class MainWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "主窗口";
    static constexpr int kBoxCount = 9;
    static constexpr int kButtonCount = 9;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Entry box i (0 to 8): a one-line box (EntryLineEdit) or, for 2, 3 and 8, a several-line box
    // (EntryTextEdit). nullptr outside 0 to 8.
    QWidget* Txt(int i) const;
    // The text of entry box i; line breaks of the several-line boxes are "\n".
    QString boxText(int i) const;
    // Sets the text of entry box i, whole (the operator's typing limit does not cut it).
    void setBoxText(int i, const QString& text);
    QCheckBox* Chk(int i) const;
    QScrollBar* NumScroll() const;
    // 0: the record number shown, 1: the record count.
    QLineEdit* Num(int i) const;
    // Command button i, or nullptr for an index without a button on this window.
    QPushButton* C1(int i) const;

    // The nine box texts and check values (0 clear, 1 ticked, 2 greyed): what a print run prints.
    FormContent formContent() const;

    // The field normalisation of box i, as when the operator leaves it: the spaced digits of the
    // postcodes (6 pixels) and the mobile number (2 pixels); the amount as "￥" and two decimals,
    // marked red with the reason as tooltip when the form's nine digit boxes cannot hold it.
    void normaliseField(int i);
    // normaliseField for boxes 4, 5, 6 and 7, in this order.
    void normaliseFields();

    // The record change: shows record `position` of the batch grid in the payee boxes. NumScroll
    // runs it whenever its position changes.
    void loadRecord(int position);

    // Runs the command of button C1(index).
    void command(int index);

    // The batch in use: the batch window when it holds a batch handed over, else nullptr.
    BatchWindow* batch() const;
    // What the form shown is: a record of the batch in use, or typed by hand.
    FormSource formSource() const;
    // The record count Num(1) shows.
    int recordCount() const;

    // The record cursor: the scroll bar's range and position, the record number and count shown, and
    // the payee boxes; set back without loading a record.
    struct RecordCursor {
        int maximum = 1;
        int pageStep = 1;
        int value = 1;
        QString number;
        QString count;
        std::array<QString, 4> payee;  // name, address, postcode, amount
    };
    RecordCursor recordCursor() const;
    void setRecordCursor(const RecordCursor& cursor);

protected:
    void paintEvent(QPaintEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void setUpBoxes();
    // The document of the form shown: record `position` of the batch in use, or a form typed by hand.
    DocumentInfo document(int position, bool numberedFile) const;
    // One print run of the form shown, asking for the printer when AskPrinter says so; the record's
    // mark in the batch window follows its outcome.
    PrintResult printForm(const DocumentInfo& info);
    void printShown();
    void printAll();
    void printRecords(BatchWindow& batch, int count);
    void showAbout();
    void showJournal();
    // "清空汇款单": empties the boxes kept from form to form and the ticks, and the payee boxes when
    // no batch is in use (a batch record keeps its data).
    void clearForm();
    // Keeps the remitter's boxes, the mobile number, the message and the ticks for the next start.
    void rememberCommonBoxes();
    // Whether the program may end: when a batch in use still has records not printed, the operator
    // is asked.
    bool mayLeave();
    // Shows in red, with the reason as tooltip, the boxes whose text the form cannot print.
    void markProblems();
    // While a batch is in use, an edit of a payee box is written to the record shown.
    void writeBack(int box);
    void tellNotPrinted(const PrintResult& result, const QString& what);

    std::unique_ptr<Ui::MainWindowForm> ui_;
    std::array<QWidget*, kBoxCount> txt_{};
    std::array<QCheckBox*, kBoxCount> chk_{};
    std::array<QPushButton*, kButtonCount> c1_{};
    bool amountFocusedByClick_ = false;  // the amount box has just been focused by a mouse press
    bool loadingRecord_ = false;         // the record change is filling the boxes
};

// Ends the program at once: every window destroyed without its close handling, then the event loop
// left. Runs from the event loop, after the handler that asked for it has returned.
void EndProgram();

}  // namespace velmora
