// Inkstamp, the branding tool: one window that opens a compiled book, lets the user
// change its brandable variables and its icon, and writes them back.
#include "frm_Main.h"
#include "u_Version.h"

#include <QApplication>
#include <QIcon>

namespace {
const char* const Usage =
    "Usage: inkstamp [BOOK]\n"
    "\n"
    "Opens a book compiled by the Quarvel authoring kit (or, without BOOK, an empty window\n"
    "whose \"Open eBook\" button asks for one), shows its title, icon and the variables its\n"
    "author left brandable, and writes new values and a new icon back into the book\n"
    "(Update).\n"
    "\n"
    "Options:\n"
    "  --version   show the program's version\n"
    "  --help      show this text\n";
} // namespace

int main(int argc, char* argv[]) {
    if (AnswerHelpOrVersion(argc, argv, "inkstamp", Usage))
        return 0;
    QApplication app(argc, argv);
    QApplication::setApplicationName("Inkstamp");
    QApplication::setOrganizationName("Brevant");
    // The desktop entry's name: the desktop matches the windows to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brevant.Inkstamp"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/inkstamp.svg")));
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
