#pragma once

#include <QCoreApplication>
#include <QEvent>

namespace velmora::test {

// Lets Qt carry out what it deferred: posted events, deletions of closed windows, the program's end.
inline void settle() {
    QCoreApplication::sendPostedEvents(nullptr, 0);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

}  // namespace velmora::test
