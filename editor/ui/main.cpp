// Tomewright, the editor: builds book projects of HTML pages and compiles them into
// book programs. "tomewright [PROJECT.ebp]" opens the project named on the command
// line.
#include "frm_Main.h"
#include "u_WebEngineProtocol.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char* argv[]) {
    // The page schemes must be known to the engine before the application exists.
    RegisterProtocolSchemes();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Brevant"));
    QApplication::setWindowIcon(QIcon(QStringLiteral(":/icons/main/tomewright.svg")));
    StartTomewright(QApplication::arguments());
    return app.exec();
}
