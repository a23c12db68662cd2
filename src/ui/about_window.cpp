#include "about_window.h"

#include <QPushButton>

#include "help_file.h"
#include "ui_rightform.h"

namespace velmora {

AboutWindow::AboutWindow(QWidget* parent) : QWidget(parent), ui_(std::make_unique<Ui::Rightform>()) {
    ui_->setupUi(this);
    setObjectName(QString::fromUtf8(kWindowName));
    // A fixed dialog frame with a close box only; the window never shows in the task bar (its owner,
    // the main window, stands for it there).
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint |
                   Qt::MSWindowsFixedSizeDialogHint);
    setFixedSize(size());
    ui_->lblVersion->setText(
        QStringLiteral("Velmora 邮政汇款单打印  版本 %1").arg(QStringLiteral(VELMORA_VERSION)));
    connect(ui_->Command1, &QPushButton::clicked, this, &QWidget::close);
    connect(ui_->Command2, &QPushButton::clicked, this, [this] {
        hide();
        OpenHelpFile(nullptr);
    });
    ui_->Command1->setFocus();
}

AboutWindow::~AboutWindow() = default;

QPushButton* AboutWindow::Command1() const {
    return ui_->Command1;
}

QPushButton* AboutWindow::Command2() const {
    return ui_->Command2;
}

}  // namespace velmora
