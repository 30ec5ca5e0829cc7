// Mouse clicks and key presses for the small windows' tests, delivered as the
// application would deliver them.
#pragma once

#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPointer>
#include <QTimer>
#include <QWidget>

inline void ClickWidget(QWidget* Widget, QPoint Pos = QPoint(-1, -1)) {
    if (Pos == QPoint(-1, -1))
        Pos = Widget->rect().center();
    const QPointF global = Widget->mapToGlobal(QPointF(Pos));
    QMouseEvent press(QEvent::MouseButtonPress, QPointF(Pos), global, Qt::LeftButton, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(Widget, &press);
    QMouseEvent release(QEvent::MouseButtonRelease, QPointF(Pos), global, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QApplication::sendEvent(Widget, &release);
}

inline void PressKey(QWidget* Widget, int Key) {
    QKeyEvent press(QEvent::KeyPress, Key, Qt::NoModifier);
    QApplication::sendEvent(Widget, &press);
    QKeyEvent release(QEvent::KeyRelease, Key, Qt::NoModifier);
    QApplication::sendEvent(Widget, &release);
}

// True once the object is gone. Objects released with deleteLater from the test's own
// code (outside any event loop) go when deferred deletions are sent.
template <class T>
bool Gone(const QPointer<T>& Object) {
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return Object.isNull();
}

// Runs Act on the first modal window of class T once it is shown (checked every 50 ms
// while the modal loop runs), then stops watching.
template <class T, class F>
void WhenModalShown(F Act) {
    auto* timer = new QTimer(QCoreApplication::instance());
    QObject::connect(timer, &QTimer::timeout, [timer, Act] {
        for (QWidget* widget : QApplication::topLevelWidgets())
            if (auto* window = qobject_cast<T*>(widget); window && window->isVisible() && window->isModal()) {
                timer->stop();
                timer->deleteLater();
                Act(window);
                return;
            }
    });
    timer->start(50);
}
