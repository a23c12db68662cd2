// Shows the main window filled in with one sample remittance, as an operator sees it, and saves a
// picture of it: the screenshot of the README.
//
//   QT_QPA_PLATFORM=offscreen velmora-screenshot docs/main_window.png

#include <QApplication>
#include <QCheckBox>
#include <QImage>
#include <QLineEdit>
#include <QPixmap>
#include <QScrollBar>
#include <cstdio>

#include "main_window.h"
#include "startup.h"
#include "window_registry.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s main_window.png\n", argv[0]);
        return 2;
    }
    velmora::PrepareApplication();
    velmora::MainWindow* window = velmora::ShowMainWindow();
    window->setBoxText(0, QStringLiteral("张明华"));
    window->setBoxText(4, QStringLiteral("100037"));
    window->setBoxText(2, QStringLiteral("北京市西城区百万庄大街22号院3号楼2单元501室"));
    window->setBoxText(1, QStringLiteral("李秀英"));
    window->setBoxText(5, QStringLiteral("510610"));
    window->setBoxText(3, QStringLiteral("广州市天河区天河北路233号"));
    window->setBoxText(7, QStringLiteral("13812345678"));
    window->setBoxText(6, QStringLiteral("1280.5"));
    window->setBoxText(8, QStringLiteral("生日快乐，注意身体！"));
    for (const int i : {3, 6, 8}) {
        window->Chk(i)->setChecked(true);
    }
    window->Num(1)->setText(QStringLiteral(" 1"));
    window->normaliseFields();
    QApplication::processEvents();
    const bool saved = window->grab().save(QString::fromLocal8Bit(argv[1]));
    velmora::WindowRegistry::instance().destroyAll();
    if (!saved) {
        std::fprintf(stderr, "cannot write %s\n", argv[1]);
        return 1;
    }
    return 0;
}
