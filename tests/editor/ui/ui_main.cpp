// Start of every GUI test program of the editor's windows: the schemes are registered
// before the application object exists (as the editor does), the program folder is the
// build's program folder (the shipped data), and the settings go to a file of the test
// run's own, never to the user's.
#include "u_ProgramFolder.h"
#include "u_Registry.h"
#include "u_WebEngineProtocol.h"

#include <QApplication>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstring>
#include <memory>

int main(int argc, char** argv) {
    // Listing the tests (test discovery) needs no display and no engine.
    bool listing = false;
    for (int i = 1; i < argc; ++i)
        listing = listing || std::strcmp(argv[i], "--gtest_list_tests") == 0;
    RegisterProtocolSchemes();
    SetProgramFolder(std::string(QUARVEL_BIN_DIR) + "/");
    std::unique_ptr<QApplication> app;
    std::unique_ptr<QTemporaryDir> settings;
    if (!listing) {
        app = std::make_unique<QApplication>(argc, argv);
        settings = std::make_unique<QTemporaryDir>();
        SetRegistryFileName(settings->filePath(QStringLiteral("Quarvel.conf")).toStdString());
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
