#include <QApplication>

#include "app/fonts.h"
#include "platform/services.h"

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    velmora::installSongFontSubstitutions();
    velmora::installDefaultServices();
    return 0;
}
