#pragma once

#include <QWidget>
#include <memory>

class QLineEdit;
class QPushButton;

namespace Ui {
class CollateForm;
}

namespace velmora {

// "输入打印边距": the operator enters the two distances measured on the calibration sheet; OK checks
// both against 0 to 30 mm and stores them as "X" and "Y" of section "Collate". Shown without
// blocking by the printer calibration, which fills the boxes; the dialog never reads the store.
class CollateDialog : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "CollateForm";

    CollateDialog();
    ~CollateDialog() override;

    QLineEdit* Txy(int index) const;
    // The printer calibrated: OK stores the distances as its own ("" for the default pair, used by
    // every printer without a pair of its own and when printing to a file).
    void setPrinter(const QString& printer);
    QString printer() const { return printer_; }
    QPushButton* Command1() const;
    QPushButton* Command2() const;

private Q_SLOTS:
    void onCommand1Clicked();
    void onCommand2Clicked();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    std::unique_ptr<Ui::CollateForm> ui_;
    QString printer_;
};

}  // namespace velmora
