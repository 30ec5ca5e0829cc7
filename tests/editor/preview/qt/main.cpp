// GUI tests of the engine binding: the schemes are registered before the application
// object exists, as the editor does at start-up.
#include "u_WebEngineProtocol.h"

#include <QApplication>

#include <gtest/gtest.h>

int main(int argc, char** argv) {
    RegisterProtocolSchemes();
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
