// Mouse and key input delivered as the window system delivers it (the entry points
// QtGui exports for test drivers), so that drags, shortcuts and application-wide event
// filters see real input.
#pragma once

#include <QPoint>
#include <QPointF>
#include <QString>
#include <QWidget>
#include <QWindow>

Q_GUI_EXPORT void qt_handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                      Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                      Qt::KeyboardModifiers mods, int timestamp);
Q_GUI_EXPORT void qt_handleKeyEvent(QWindow* window, QEvent::Type t, int k, Qt::KeyboardModifiers mods,
                                    const QString& text, bool autorep, ushort count);

// Increasing time stamps: no two clicks look like a double click.
inline int NextInputTime() {
    static int time = 100000;
    time += 1000;
    return time;
}

// A mouse event at a point of a widget (its coordinates).
inline void SendMouse(QWidget* Widget, QEvent::Type Type, const QPoint& Position, Qt::MouseButtons State,
                      Qt::MouseButton Button = Qt::NoButton, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QWindow* window = Widget->window()->windowHandle();
    const QPoint global = Widget->mapToGlobal(Position);
    const QPointF local = window->mapFromGlobal(global);
    qt_handleMouseEvent(window, local, global, State, Button, Type, Modifiers, NextInputTime());
}

// A key pressed and released in the widget's window (the focus widget receives it).
inline void SendKey(QWidget* Widget, int Key, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
    QWindow* window = Widget->window()->windowHandle();
    qt_handleKeyEvent(window, QEvent::KeyPress, Key, Modifiers, QString(), false, 1);
    qt_handleKeyEvent(window, QEvent::KeyRelease, Key, Modifiers, QString(), false, 1);
}
