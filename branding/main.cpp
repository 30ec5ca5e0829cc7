// Inkstamp, the branding tool: one window that opens a compiled book, lets the user
// change its brandable variables and its icon, and writes them back.
#include "frm_Main.h"

#include <QApplication>

int main(int argc, char* argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName("Inkstamp");
    QApplication::setOrganizationName("Brevant");
    TfrmMain frmMain;
    frmMain.show();
    // A book named on the command line is opened at once.
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() > 1)
        QMetaObject::invokeMethod(
            &frmMain,
            [&frmMain, name = arguments[1].toStdString()] { frmMain.OpenBookFromCommandLine(name); },
            Qt::QueuedConnection);
    return app.exec();
}
