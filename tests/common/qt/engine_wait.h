// Waiting in GUI tests: letting events run until a condition holds, and running a
// script in a page for its result. Shared by the tests of every program with an HTML
// view.
#pragma once

#include <QDeadlineTimer>
#include <QEventLoop>
#include <QTimer>
#include <QVariant>
#include <QWebEnginePage>
#include <QWebEngineScript>
#include <QWebEngineView>

#include <memory>
#include <utility>

// Lets events run until Condition holds or TimeoutMs passed; returns Condition.
template <class F>
bool WaitFor(F Condition, int TimeoutMs = 20000) {
    QDeadlineTimer deadline(TimeoutMs);
    while (!Condition() && !deadline.hasExpired()) {
        QEventLoop loop;
        QTimer::singleShot(20, &loop, &QEventLoop::quit);
        loop.exec();
    }
    return Condition();
}

// Runs script in the page and waits for its result.
inline QVariant RunScript(QWebEngineView& View, const QString& Code) {
    auto state = std::make_shared<std::pair<bool, QVariant>>(false, QVariant());
    View.page()->runJavaScript(Code, QWebEngineScript::ApplicationWorld, [state](const QVariant& v) {
        state->first = true;
        state->second = v;
    });
    WaitFor([&] { return state->first; });
    return state->second;
}
