// Tomewright, the editor: builds book projects of HTML pages and compiles them into
// book programs. "tomewright [PROJECT.ebp]" opens the project named on the command
// line.
#include "frm_Main.h"
#include "u_Version.h"
#include "u_WebEngineProtocol.h"

#include <QApplication>
#include <QIcon>

namespace {
const char* const Usage =
    "Usage: tomewright [PROJECT.ebp]\n"
    "\n"
    "The editor of the Quarvel authoring kit: builds a book project of HTML pages and\n"
    "compiles it into a book program. A PROJECT.ebp that exists is opened at the start.\n"
    "\n"
    "Options:\n"
    "  --version   show the program's version\n"
    "  --help      show this text\n";
} // namespace

int main(int argc, char* argv[]) {
    if (AnswerHelpOrVersion(argc, argv, "tomewright", Usage))
        return 0;
    // The page schemes must be known to the engine before the application exists.
    RegisterProtocolSchemes();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brevant"));
    // The desktop entry's name: the desktop matches the windows to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brevant.Tomewright"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/main/tomewright.svg")));
    StartTomewright(QApplication::arguments());
    return app.exec();
}
