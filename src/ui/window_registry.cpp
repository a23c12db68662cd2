#include "window_registry.h"

#include <QGuiApplication>
#include <QScreen>

namespace velmora {

WindowRegistry& WindowRegistry::instance() {
    static WindowRegistry registry;
    return registry;
}

QWidget* WindowRegistry::find(const QString& name) const {
    const auto it = windows_.constFind(name);
    if (it == windows_.constEnd() || it->isNull()) {
        return nullptr;
    }
    QWidget* w = it->data();
    // Qt clears WA_DeleteOnClose when an accepted close schedules the deletion: from then on the
    // window counts as closed even though the object lives until the event loop deletes it.
    if (!w->testAttribute(Qt::WA_DeleteOnClose)) {
        return nullptr;
    }
    return w;
}

void WindowRegistry::adopt(const QString& name, QWidget* window) {
    if (window->objectName().isEmpty()) {
        window->setObjectName(name);
    }
    window->setAttribute(Qt::WA_DeleteOnClose, true);
    windows_.insert(name, window);
    centreOnScreen(window);
}

void WindowRegistry::destroyAll() {
    const auto all = windows_;
    windows_.clear();
    for (const QPointer<QWidget>& w : all) {
        delete w.data();
    }
}

void WindowRegistry::centreOnScreen(QWidget* window) {
    QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (!screen) {
        return;
    }
    const QRect area = screen->geometry();
    const QSize size = window->size();
    window->move(area.x() + (area.width() - size.width()) / 2,
                 area.y() + (area.height() - size.height()) / 2);
}

void WindowRegistry::showInFront(QWidget* window) {
    window->show();
    window->raise();
    window->activateWindow();
}

}  // namespace velmora
