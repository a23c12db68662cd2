#pragma once

#include <QHash>
#include <QPointer>
#include <QString>
#include <QWidget>

namespace velmora {

// The single instance of each window, reached by the window's name (its objectName).
// A reference creates and loads a window that does not exist; hiding keeps it with its contents;
// closing destroys it, and the next reference creates it afresh with its design-time values.
//
// A window class W takes part by declaring `static constexpr const char* kWindowName` (UTF-8) and a
// constructor callable with no arguments. It is centred on the screen when it loads.
class WindowRegistry {
public:
    static WindowRegistry& instance();

    // The window, created and loaded first when it is not loaded.
    template <class W>
    W* window() {
        const QString name = QString::fromUtf8(W::kWindowName);
        if (QWidget* existing = find(name)) {
            return static_cast<W*>(existing);
        }
        W* created = new W();
        adopt(name, created);
        return created;
    }

    // The window when it is loaded, else nullptr; never creates one.
    template <class W>
    W* loaded() const {
        return static_cast<W*>(find(QString::fromUtf8(W::kWindowName)));
    }

    bool isLoaded(const QString& name) const { return find(name) != nullptr; }

    // Destroys every loaded window at once, without their close handling (the program's end).
    void destroyAll();

    // Moves a window to the centre of its screen: left = (screen width - width) / 2, likewise top.
    static void centreOnScreen(QWidget* window);
    // Shows a window without blocking, in front of the others and active.
    static void showInFront(QWidget* window);

private:
    QWidget* find(const QString& name) const;
    void adopt(const QString& name, QWidget* window);

    QHash<QString, QPointer<QWidget>> windows_;
};

}  // namespace velmora
