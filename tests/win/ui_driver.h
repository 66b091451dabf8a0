// Driving the main window the way a user does, and answering the modal dialogs and
// message boxes it opens, from a helper thread while the test thread waits in them.
#pragma once
#include <windows.h>

#include <atomic>
#include <functional>
#include <string>
#include <thread>
#include <vector>

// Handles every message waiting for the test thread, as the program's loop would.
void PumpMessages(HWND form);

// A window's text (a list's: its text field), and the entry a list has selected.
std::string ControlText(HWND control);
int SelectedIndex(HWND list);

// Opens the list and clicks the entry with that text, as the mouse does.
void PickEntry(HWND form, HWND list, const std::string& text);
// Keys pressed while the window has the focus, translated and dispatched by the loop.
void PressKey(HWND form, WPARAM key);
void TypeText(HWND form, HWND list, const std::string& digits);

// The window that holds the keyboard focus, taking a list's own text field as the list.
HWND FocusedControl(HWND form);

// The caption a menu item shows, with its access-key mark; "-" for a separator.
std::string MenuText(HMENU menu, int position);
// The command of a menu item, found by the caption the menu shows.
UINT MenuItemId(HWND form, const std::string& shownCaption);
void ChooseMenuItem(HWND form, const std::string& shownCaption);

// What a message box showed.
struct MessageBoxSeen {
    std::string caption;
    std::string text;
    bool hasIcon = false;
    bool ownerDisabled = false;  // the main window took no input while it was open
};

// What the file dialog offered when it opened.
struct FileDialogSeen {
    std::string title;
    std::string folder;
    std::string fileName;
    std::vector<std::string> filters;
    int filter = -1;
    bool readOnlyBoxShown = true;
    bool resizable = false;
};

// One dialog the helper thread waits for (by caption) and answers.
struct DialogStep {
    std::string caption;
    std::function<void(HWND dialog)> answer;
};

// Answers the given dialogs, in order, as they open on the test thread. Destroying it,
// once the command that opens them has returned, stops the waiting.
class DialogAnswerer {
public:
    explicit DialogAnswerer(std::vector<DialogStep> steps);
    ~DialogAnswerer();

private:
    void Run(std::vector<DialogStep> steps, DWORD thread);
    std::atomic<bool> stop_{false};
    std::thread thread_;
};

// Answers for file dialogs and message boxes.
std::function<void(HWND)> AcceptFile(const std::string& name, FileDialogSeen* seen = nullptr);
std::function<void(HWND)> CancelDialog(FileDialogSeen* seen = nullptr);
std::function<void(HWND)> CloseMessageBox(HWND form, MessageBoxSeen* seen);

// Saves what the window shows on screen as a 24-bit BMP.
bool SaveScreenshot(HWND window, const std::string& path);
