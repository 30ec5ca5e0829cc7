#include "qt_app.h"

// Registered at start-up; GoogleTest owns and deletes it.
static ::testing::Environment* const qtEnvironment =
    ::testing::AddGlobalTestEnvironment(new QtTestEnvironment);
