// pagelamp: the reader of compiled books.
#include "u_BookScheme.h"
#include "u_ReaderApp.h"
#include "u_ReaderCommandLine.h"
#include "u_ReaderPictures.h"
#include "u_Version.h"

#include <QApplication>
#include <QFileDialog>

#include <iostream>

int main(int argc, char** argv) {
    if (AnswerHelpOrVersion(argc, argv, "pagelamp", ReaderUsage))
        return 0;
    RegisterBookScheme();
    QApplication app(argc, argv);
    QApplication::setApplicationName("Pagelamp");
    QApplication::setOrganizationName("Brevant");
    // The desktop entry's name: the desktop matches the windows to its entry and icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.brevant.Pagelamp"));
    QApplication::setWindowIcon(ReaderIcon());
    QApplication::setQuitOnLastWindowClosed(false);

    std::vector<std::string> args;
    for (const QString& arg : QApplication::arguments().mid(1))
        args.push_back(arg.toStdString());
    TReaderArguments arguments = ParseReaderArguments(args);
    if (!arguments.Error.empty()) {
        std::cerr << "pagelamp: " << arguments.Error << "\n\n" << ReaderUsage;
        return 2;
    }
    if (arguments.Book.empty()) {
        if (arguments.Batch) {
            std::cerr << ReaderUsage;
            return 2;
        }
        const QString file =
            QFileDialog::getOpenFileName(nullptr, "Open Book", QString(), "Books (*.exe);;All files (*)");
        if (file.isEmpty())
            return 0;
        arguments.Book = file.toStdString();
    }
    TReaderApp reader(arguments);
    QObject::connect(&reader, &TReaderApp::Finished, &app, &QApplication::exit);
    const int status = reader.Start();
    if (status >= 0)
        return status;
    return QApplication::exec();
}
