// The splash picture shown when a book starts or ends: a frameless window centred on
// the screen that closes after its interval or, when the book allows it, on a click.
#pragma once

#include <QPixmap>
#include <QWidget>

class TfrmSplash : public QWidget {
    Q_OBJECT
public:
    TfrmSplash(const QPixmap& Picture, int IntervalSeconds, bool CloseOnClick, QWidget* Parent = nullptr);
    int IntervalMs() const { return FIntervalMs; }

signals:
    // Once, when the splash has gone.
    void Finished();

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    QPixmap FPicture;
    int FIntervalMs;
    bool FCloseOnClick;
    bool FFinished = false;
};
