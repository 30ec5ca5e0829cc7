#include "u_EditorServices.h"

const char* const SWindowNotAvailable = "This window is not available yet.";

TEditorWindowTable& EditorWindows() {
    static TEditorWindowTable table;
    return table;
}

TEditorWindowRegistration::TEditorWindowRegistration(const std::function<void(TEditorWindowTable&)>& Register) {
    Register(EditorWindows());
}
