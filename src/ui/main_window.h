#pragma once

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

#include "form.h"
#include "form_check.h"
#include "print_run.h"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;
class QStringListModel;

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

    // The commands, by the index of their button C1(index).
    enum class Command {
        Print = 0,      // "打  印"
        Exit = 1,       // "退  出"
        Preview = 2,    // "打印预览"
        Calibrate = 3,  // "打印机校准"
        Import = 4,     // "导入批量数据"
        Help = 5,       // "帮助/版权"
        PrintAll = 6,   // "全部打印"
        Journal = 7,    // "打印记录"
        Clear = 8,      // "清空汇款单"
    };
    // Runs the command of button C1(index).
    void command(int index);

    // The batch in use: the batch window when it holds a batch handed over, else nullptr.
    BatchWindow* batch() const;
    // The record count Num(1) shows.
    int recordCount() const;

    // Back to one record when the batch is discarded: the navigator at record 1 of 1, and the payee
    // boxes emptied, so that no payee of a discarded batch stays printable.
    void discardBatch();

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
    // The records "全部打印" prints from the batch: all of them when nothing is wrong, else what the
    // operator chooses in the one question; none when the operator prints nothing.
    std::vector<int> recordsToPrint(BatchWindow& batch, int count);
    // Prints the records one document each, shown in turn, with the progress window and its stop.
    void runRecords(BatchWindow* batch, const std::vector<int>& records);
    // The record shown, when its payee boxes no longer hold what its grid row holds; else 0.
    int editedRecord(BatchWindow& batch, int count) const;
    void showAbout();
    void showJournal();
    // "清空汇款单": empties the boxes kept from form to form and the ticks, and the payee boxes when
    // no batch is in use (a batch record keeps its data).
    void clearForm();
    // Offers the remitters of the latest forms sent as completions of the remitter's name; choosing
    // one fills the remitter's name, address and postcode. Nothing is filled unasked.
    void offerRemitters();
    void fillRemitter(const QString& name);
    // Shows the boxes whose text the form cannot print in red, and those worth a look in another
    // colour, with the reasons as tooltips.
    void markProblems();

    std::unique_ptr<Ui::MainWindowForm> ui_;
    std::array<QWidget*, kBoxCount> txt_{};
    std::array<QCheckBox*, kBoxCount> chk_{};
    std::array<QPushButton*, kButtonCount> c1_{};
    bool amountFocusedByClick_ = false;  // the amount box has just been focused by a mouse press
    QStringListModel* remitterNames_ = nullptr;
    std::vector<FormContent> remitters_;  // offered, with their addresses and postcodes
};

// Ends the program at once: every window destroyed without its close handling, then the event loop
// left. Runs from the event loop, after the handler that asked for it has returned.
void EndProgram();

}  // namespace velmora
