#include "frm_Splash.h"

#include <QGuiApplication>
#include <QKeyEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>

TfrmSplash::TfrmSplash(const QPixmap& Picture, int IntervalSeconds, bool CloseOnClick, QWidget* Parent)
    : QWidget(Parent, Qt::SplashScreen | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint),
      FPicture(Picture),
      FIntervalMs(1000 * std::clamp(IntervalSeconds, 1, 60)),
      FCloseOnClick(CloseOnClick) {
    setObjectName("frmSplash");
    setAttribute(Qt::WA_DeleteOnClose);
    // No title bar shows it: the title names the window for screen readers.
    setWindowTitle("Splash");
    QSize size = FPicture.size();
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        const QRect area = screen->availableGeometry();
        size = size.boundedTo(area.size() * 0.9);
        setFixedSize(size);
        move(area.center() - QPoint(size.width() / 2, size.height() / 2));
    } else {
        setFixedSize(size);
    }
    if (FCloseOnClick)
        setCursor(Qt::PointingHandCursor);
    QTimer::singleShot(FIntervalMs, this, &QWidget::close);
}

void TfrmSplash::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), FPicture);
}

void TfrmSplash::mousePressEvent(QMouseEvent*) {
    if (FCloseOnClick)
        close();
}

void TfrmSplash::keyPressEvent(QKeyEvent* Event) {
    // Escape always ends the wait, whatever the book says about clicks.
    if (Event->key() == Qt::Key_Escape || (FCloseOnClick && Event->key() == Qt::Key_Space))
        close();
}

void TfrmSplash::closeEvent(QCloseEvent* Event) {
    QWidget::closeEvent(Event);
    if (!FFinished) {
        FFinished = true;
        emit Finished();
    }
}
