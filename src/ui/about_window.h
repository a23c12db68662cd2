#pragma once

#include <QWidget>
#include <memory>

class QLabel;
class QPushButton;

namespace Ui {
class Rightform;
}

namespace velmora {

// The help and about window Rightform: who makes the program and which version runs, the OK button
// that unloads the window and the Help button that hides it and opens the help file.
class AboutWindow : public QWidget {
    Q_OBJECT
public:
    static constexpr const char* kWindowName = "Rightform";

    explicit AboutWindow(QWidget* parent = nullptr);
    ~AboutWindow() override;

    QPushButton* Command1() const;  // "确　　　定"
    QPushButton* Command2() const;  // "帮　　　助"

private:
    std::unique_ptr<Ui::Rightform> ui_;
};

}  // namespace velmora
