// What every window of the reader shares: a window object bound to its HWND (its
// messages reach Handle), the interface font, controls made in one call, the modal
// loop of the reader's own dialogs, and where messages for the reader go (a message
// box, or standard error when the program runs with "--batch").
#pragma once

#include <windows.h>

#include <string>

class TWindow {
public:
    TWindow() = default;
    virtual ~TWindow();
    TWindow(const TWindow&) = delete;
    TWindow& operator=(const TWindow&) = delete;

    HWND Window() const noexcept { return FWindow; }

protected:
    // Creates the window of the class ClassName (registered on first use) bound to this object.
    bool CreateBound(const wchar_t* ClassName, DWORD ExStyle, DWORD Style, const std::string& Caption, int X,
                     int Y, int Width, int Height, HWND Owner, HMENU Menu = nullptr);
    // The window's messages; the default is DefWindowProc's answer.
    virtual LRESULT Handle(UINT Message, WPARAM W, LPARAM L);
    // After WM_NCDESTROY: the window is gone.
    virtual void Destroyed() {}

    HWND FWindow = nullptr;

private:
    static LRESULT CALLBACK Procedure(HWND Window, UINT Message, WPARAM W, LPARAM L);
};

// The interface font of the desktop (the message font).
HFONT UiFont();
// A child control with the interface font.
HWND MakeControl(HWND Parent, const wchar_t* ClassName, const std::string& Text, DWORD Style, int X, int Y,
                 int Width, int Height, int Id, DWORD ExStyle = 0);
// The window's text as UTF-8.
std::string WindowText(HWND Window);
// The height Text takes when wrapped at Width in the interface font.
int TextHeight(HWND Window, const std::string& Text, int Width);
// Centres Window over Owner (over the desktop's work area without one).
void CenterWindow(HWND Window, HWND Owner);

// Runs messages until Done is set or Window is gone, with Owner disabled meanwhile.
// Dialog keys (Tab, Enter, Escape) go to Window. A WM_QUIT met on the way ends the
// loop and is posted again for the loop outside.
void RunModalLoop(HWND Window, HWND Owner, const bool& Done);

// Batch mode: messages for the reader go to standard error, never into a window.
void SetBatchMode(bool Batch);
bool BatchMode();
// Writes Text and a line break on the program's standard error (the inherited handle,
// else the console of the parent process).
void WriteStdErr(const std::string& Text);
// A message for the reader: a message box with Title (standard error in batch mode).
void ShowError(HWND Owner, const std::string& Title, const std::string& Text);
void ShowInformation(HWND Owner, const std::string& Title, const std::string& Text);
