// The installer test's hands inside Wine: holds the saver's file the way Windows does while it
// is in use, and reads and answers the installer's windows. Usage: installtool COMMAND ARGS...
//   hold open FILE SECONDS   opened for reading, sharing neither writing nor deleting (a
//                            scanner or a viewer); prints "held", ends after SECONDS
//   hold image FILE SECONDS  mapped as a program image, as the running saver or the Screen
//                            Saver settings' preview holds it
//   box TITLE SECONDS        the text of a message box titled TITLE, once one is up
//   answer TITLE ID          presses button ID (IDRETRY 4, IDCANCEL 2, ...) of that message box
//   next TITLE               presses the Next button of the wizard window titled TITLE
//   cancel TITLE             presses its Cancel button
//   texts TITLE              every text of that wizard window, one line each
//   forget FILE              queues FILE's deletion at the next restart, as an uninstaller
//                            does with a file in use
//   run COMMANDLINE          runs COMMANDLINE exactly as written, waits, ends with its exit code
//   windows                  every top-level window: class, title, visible, owned
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

// NOTE: a message box has the caption of the window it belongs to, which owns it; its text is
// the static control 0xFFFF.
constexpr int messageTextId = 0xFFFF;

struct WindowSearch {
    const char* title;
    bool messageBox; // a message box, else the wizard window of the same title
    HWND found;
};

BOOL CALLBACK visitTopLevel(HWND window, LPARAM param) {
    WindowSearch& search = *reinterpret_cast<WindowSearch*>(param);
    char title[256] = {}, className[64] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, className, sizeof className);
    const bool box = GetWindow(window, GW_OWNER) != nullptr;
    // NOTE: the wizard's last page adds a space to its caption.
    const size_t length = std::strlen(search.title);
    const bool titled = !std::strncmp(title, search.title, length) &&
                        title[length + std::strspn(title + length, " ")] == '\0';
    if (!std::strcmp(className, "#32770") && titled && box == search.messageBox &&
        IsWindowVisible(window)) {
        search.found = window;
        return FALSE;
    }
    return TRUE;
}

HWND findWindow(const char* title, bool messageBox, DWORD seconds) {
    for (const DWORD until = GetTickCount() + 1000 * seconds;; Sleep(100)) {
        WindowSearch search = {title, messageBox, nullptr};
        EnumWindows(visitTopLevel, reinterpret_cast<LPARAM>(&search));
        if (search.found || GetTickCount() >= until)
            return search.found;
    }
}

int hold(const char* how, const char* path, DWORD seconds) {
    if (!std::strcmp(how, "open")) {
        HANDLE file =
            CreateFileA(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
        if (file == INVALID_HANDLE_VALUE)
            return 1;
    } else if (!std::strcmp(how, "image")) {
        if (!LoadLibraryExA(path, nullptr, DONT_RESOLVE_DLL_REFERENCES))
            return 1;
    } else {
        return 2;
    }
    std::printf("held\n");
    std::fflush(stdout);
    Sleep(1000 * seconds);
    return 0; // the handle or the image goes with the process
}

BOOL CALLBACK printWindow(HWND window, LPARAM) {
    char title[256] = {}, className[64] = {};
    GetWindowTextA(window, title, sizeof title);
    GetClassNameA(window, className, sizeof className);
    std::printf("%s \"%s\" visible=%d owner=%d\n", className, title,
                IsWindowVisible(window) ? 1 : 0, GetWindow(window, GW_OWNER) ? 1 : 0);
    return TRUE;
}

// NOTE: GetWindowText does not read an edit box of another process; WM_GETTEXT does.
BOOL CALLBACK printText(HWND window, LPARAM) {
    char text[512] = {};
    DWORD_PTR length = 0;
    if (IsWindowVisible(window) &&
        SendMessageTimeoutA(window, WM_GETTEXT, sizeof text, reinterpret_cast<LPARAM>(text),
                            SMTO_ABORTIFHUNG, 5000, &length) &&
        length > 0)
        std::printf("%s\n", text);
    return TRUE;
}

// The button's click as the dialog gets it; posted, so a box that closes cannot block the tool.
int press(HWND dialog, int id) {
    HWND button = GetDlgItem(dialog, id);
    if (!button || !IsWindowEnabled(button))
        return 1;
    return PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                        reinterpret_cast<LPARAM>(button))
               ? 0
               : 1;
}

// NOTE: an uninstaller finds "_?=DIR" (run in place and wait) only unquoted at the end of its
// command line, and Wine quotes an argument with spaces: the line goes to CreateProcess as is.
int run(char* commandLine) {
    STARTUPINFOA startup = {};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process = {};
    if (!CreateProcessA(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr,
                        &startup, &process))
        return 255;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 255;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    return static_cast<int>(code);
}

} // namespace

int main(int argc, char** argv) {
    const char* command = argc >= 2 ? argv[1] : "";
    auto is = [&](const char* name, int args) {
        return !std::strcmp(command, name) && argc == args + 2;
    };
    if (is("hold", 3))
        return hold(argv[2], argv[3], std::strtoul(argv[4], nullptr, 10));
    if (is("box", 2)) {
        HWND box = findWindow(argv[2], true, std::strtoul(argv[3], nullptr, 10));
        char text[1024] = {};
        if (!box || !GetDlgItemTextA(box, messageTextId, text, sizeof text))
            return 1;
        std::printf("%s\n", text);
        return 0;
    }
    if (is("answer", 2) || is("next", 1) || is("cancel", 1)) {
        HWND dialog = findWindow(argv[2], is("answer", 2), 0);
        const int id = is("answer", 2) ? std::atoi(argv[3]) : is("next", 1) ? IDOK : IDCANCEL;
        return dialog ? press(dialog, id) : 1;
    }
    if (is("forget", 1))
        return MoveFileExA(argv[2], nullptr, MOVEFILE_DELAY_UNTIL_REBOOT) ? 0 : 1;
    if (is("run", 1))
        return run(argv[2]);
    if (is("windows", 0))
        return !EnumWindows(printWindow, 0);
    if (is("texts", 1)) {
        HWND wizard = findWindow(argv[2], false, 0);
        if (!wizard)
            return 1;
        printText(wizard, 0);
        EnumChildWindows(wizard, printText, 0);
        return 0;
    }
    std::fprintf(stderr, "usage: installtool hold open|image FILE SECONDS | box TITLE SECONDS |"
                         " answer TITLE ID | next TITLE | cancel TITLE | texts TITLE | forget FILE "
                         "| run COMMANDLINE |"
                         " windows\n");
    return 2;
}
