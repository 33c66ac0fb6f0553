// The host's dismissal rules in process under Wine, with a scripted password verifier.
#include "host/host.h"

#include <gtest/gtest.h>

namespace {

struct VerifierScript {
    int calls;
    BOOL answer;
    bool sawAskingPassword;
};
VerifierScript script;

BOOL WINAPI scriptedVerifier(HWND) {
    ++script.calls;
    script.sawAskingPassword = hostState.askingPassword;
    return script.answer;
}

LRESULT CALLBACK defaultOnlyProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    return saverDefaultHandler(window, message, wParam, lParam);
}

// A fresh state and a plain window whose procedure is the default handler.
struct DefaultHandler : ::testing::Test {
    void SetUp() override {
        hostState = HostState{};
        script = VerifierScript{};
        WNDCLASSA rulesClass = {};
        rulesClass.lpfnWndProc = defaultOnlyProc;
        rulesClass.hInstance = GetModuleHandleA(nullptr);
        rulesClass.lpszClassName = "ClackmoorRulesTest";
        RegisterClassA(&rulesClass);
        window = CreateWindowExA(0, rulesClass.lpszClassName, "", WS_POPUP, 0, 0, 10, 10, nullptr,
                                 nullptr, rulesClass.hInstance, nullptr);
        ASSERT_NE(window, nullptr);
    }
    void TearDown() override { DestroyWindow(window); }
    int closes() { // the closes the rules posted, taken off the queue
        int n = 0;
        MSG message;
        while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE))
            ++n;
        return n;
    }
    LRESULT send(UINT message, WPARAM wParam = 0) {
        return saverDefaultHandler(window, message, wParam, 0);
    }
    HWND window = nullptr;
};

// Input and notices that close the full-screen saver; the preview and an approved close never.
TEST_F(DefaultHandler, InputAndNoticesThatClose) {
    const struct {
        UINT message;
        WPARAM wParam;
        int closes;
    } cases[] = {{WM_KEYDOWN, 0, 1},
                 {WM_SYSKEYDOWN, 0, 1},
                 {WM_LBUTTONDOWN, 0, 1},
                 {WM_RBUTTONDOWN, 0, 1},
                 {WM_MBUTTONDOWN, 0, 1},
                 {WM_POWERBROADCAST, 0, 1},
                 {WM_ACTIVATEAPP, FALSE, 1},
                 {WM_ACTIVATEAPP, TRUE, 0},
                 {WM_POWER, PWR_CRITICALRESUME, 1},
                 {WM_POWER, PWR_SUSPENDRESUME, 0},
                 {WM_KEYUP, 0, 0},
                 {WM_CHAR, 'a', 0}};
    for (int state = 0; state < 3; ++state) {
        hostState.previewMode = state == 1;
        hostState.closeApproved = state == 2;
        for (const auto& c : cases) {
            send(c.message, c.wParam);
            EXPECT_EQ(closes(), state == 0 ? c.closes : 0)
                << "message " << c.message << " state " << state;
        }
    }
}

// On 95/98/Me a close asks the verifier, never twice at once; a close within 200 ms after a
// prompt (the same gesture's tail) asks nothing.
TEST_F(DefaultHandler, PasswordPromptsAndTheirGracePeriod) {
    hostState.win9xFamily = true;
    hostState.password.passwordVerifier = scriptedVerifier;
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(script.calls, 1);
    EXPECT_TRUE(script.sawAskingPassword);
    EXPECT_FALSE(hostState.askingPassword);
    for (uint32_t ago : {0u, 100u, 150u}) {
        hostState.password.lastPasswordAsk = GetTickCount() - ago;
        EXPECT_EQ(send(WM_CLOSE), 0);
        EXPECT_EQ(script.calls, 1) << "a close " << ago << " ms after the prompt asked again";
    }
    hostState.askingPassword = true; // while a prompt is up: no input closes, no second prompt
    hostState.password.lastPasswordAsk = GetTickCount() - 1000;
    send(WM_KEYDOWN);
    EXPECT_EQ(closes(), 0);
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_EQ(script.calls, 1);
    hostState.askingPassword = false;
    script.answer = TRUE;
    send(WM_CLOSE);
    EXPECT_EQ(script.calls, 2);
    EXPECT_TRUE(hostState.closeApproved);
    EXPECT_FALSE(IsWindow(window));
}

} // namespace
