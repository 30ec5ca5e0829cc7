// The balloon hints watch every event of the application while they are on: what that
// costs an ordinary event, and what making a balloon's text costs.
#include "u_Balloon.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPushButton>

#include <benchmark/benchmark.h>

namespace {

void BM_BalloonTextOf(benchmark::State& State) {
    const std::string hint = "Compile|Compiles the book into one stand-alone program./information";
    for (auto _ : State)
        benchmark::DoNotOptimize(BalloonTextOf(hint, biNone, "&Compile", "Quarvel"));
}
BENCHMARK(BM_BalloonTextOf);

// A mouse move delivered to a button, with the balloons off (0) or on (1).
void BM_MouseMoveDelivery(benchmark::State& State) {
    QPushButton button("Button");
    button.setToolTip("Button|Does something/i");
    BalloonTipsSystem().SetActive(State.range(0) != 0);
    QMouseEvent move(QEvent::MouseMove, QPointF(5, 5), QPointF(5, 5), Qt::NoButton, Qt::NoButton, Qt::NoModifier);
    for (auto _ : State)
        QApplication::sendEvent(&button, &move);
    BalloonTipsSystem().SetActive(false);
}
BENCHMARK(BM_MouseMoveDelivery)->Arg(0)->Arg(1);

// A hint request for a control whose balloon is made already (shown again each time).
void BM_ToolTipOfKnownControl(benchmark::State& State) {
    QPushButton button("Button");
    button.setToolTip("Button|Does something/i");
    button.resize(80, 24);
    BalloonTipsSystem().SetActive(true);
    BalloonTipsSystem().AttachBalloon(&button);
    for (auto _ : State) {
        BalloonTipsSystem().HideBalloon();
        QHelpEvent help(QEvent::ToolTip, QPoint(5, 5), QPoint(5, 5));
        QApplication::sendEvent(&button, &help);
    }
    BalloonTipsSystem().SetActive(false);
}
BENCHMARK(BM_ToolTipOfKnownControl);

} // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    // The offscreen platform's notes (no raise, no window masks) would drown the table.
    qInstallMessageHandler([](QtMsgType, const QMessageLogContext&, const QString&) {});
    QApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
