// Catches message boxes of the calling thread: records caption, text and
// icon style, and closes each one at once with its first button.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

struct CaughtMessageBox {
    std::string caption;
    std::string text;
    bool exclamationIcon = false;  // the box shows IDI_EXCLAMATION
    int buttons = 0;               // push buttons in the box
};

class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    ~MessageBoxCatcher();
    MessageBoxCatcher(const MessageBoxCatcher&) = delete;
    MessageBoxCatcher& operator=(const MessageBoxCatcher&) = delete;

    std::vector<CaughtMessageBox> boxes;

private:
    static LRESULT CALLBACK Hook(int code, WPARAM wParam, LPARAM lParam);
    HHOOK m_hook;
};
