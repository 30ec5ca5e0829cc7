// One QApplication for the whole test program, created before the first test.
#pragma once

#include <QApplication>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <string>

class QtTestEnvironment : public ::testing::Environment {
public:
    void SetUp() override {
        static int argc = 1;
        static char name[] = "tests_common_qt";
        static char* argv[] = {name, nullptr};
        if (!QApplication::instance())
            FApp = new QApplication(argc, argv);
    }
    void TearDown() override {
        delete FApp;
        FApp = nullptr;
    }

private:
    QApplication* FApp = nullptr;
};

// Lets pending events (layout, show, focus) run.
inline void ProcessEvents(int rounds = 3) {
    for (int i = 0; i < rounds; ++i)
        QApplication::processEvents();
}
