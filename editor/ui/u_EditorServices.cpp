#include "u_EditorServices.h"

TEditorWindowTable& EditorWindows() {
    static TEditorWindowTable table;
    return table;
}

TEditorWindowRegistration::TEditorWindowRegistration(const std::function<void(TEditorWindowTable&)>& Register) {
    Register(EditorWindows());
}
