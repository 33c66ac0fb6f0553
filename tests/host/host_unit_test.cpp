// The host's pure parts and its dismissal rules, in process under Wine: the rules run on a
// plain window whose procedure is the default handler, with a scripted password verifier.
#include "host/host.h"
#include <gtest/gtest.h>

namespace {

TEST(ParseDecimal, ReadsDigitsUpToTheFirstOtherCharacterAndWraps) {
    EXPECT_EQ(parseDecimal("1234"), 1234u);
    EXPECT_EQ(parseDecimal("12ab"), 12u);
    EXPECT_EQ(parseDecimal(""), 0u);
    EXPECT_EQ(parseDecimal(" 12"), 0u); // no skipping of blanks
    EXPECT_EQ(parseDecimal("-5"), 0u);  // no sign
    EXPECT_EQ(parseDecimal("007"), 7u);
    EXPECT_EQ(parseDecimal("4294967295"), 4294967295u);
    EXPECT_EQ(parseDecimal("4294967296"), 0u); // modulo 2^32
    EXPECT_EQ(parseDecimal("4294967306"), 10u);
    EXPECT_EQ(parseDecimal("99999999999999999999"), 1661992959u);
}

TEST(CommandTail, CutsTheProgramNameQuotedOrNotAndTheBlanksAfterIt) {
    EXPECT_STREQ(commandTail("\"C:\\Program Files\\clack moor.scr\" /s"), "/s");
    EXPECT_STREQ(commandTail("\"C:\\a b\\c s.scr\"/p 12"), "/p 12");
    EXPECT_STREQ(commandTail("\"C:\\unterminated quote.scr /s"), "");
    EXPECT_STREQ(commandTail("\"\""), "");
    EXPECT_STREQ(commandTail("clackmoor.scr /c:123"), "/c:123");
    EXPECT_STREQ(commandTail("clackmoor.scr \t\x01 /p 5 "), "/p 5 ");
    EXPECT_STREQ(commandTail("clackmoor.scr"), "");
    EXPECT_STREQ(commandTail(""), "");
    EXPECT_STREQ(commandTail(" /s"), "/s"); // no program name at all
}

// The rows of the mode table that show nothing and give -1.
TEST(DispatchMode, RejectedTailsGiveMinusOneAtOnce) {
    HINSTANCE self = GetModuleHandleA(nullptr);
    for (const char* tail : {"/x", "/?", "/1", "x", "/\ts", "\ts", "\x80", "/p", "/p 0", "-l",
                             "/p99999999", "/l 4294967295", "/a 5", "/a"}) {
        EXPECT_EQ(dispatchMode(self, tail), -1) << '"' << tail << '"';
    }
    EXPECT_EQ(hostState.instance, self);
    EXPECT_FALSE(hostState.win9xFamily); // Wine reports an NT version unless told otherwise
    EXPECT_FALSE(hostState.previewMode);
}

TEST(DispatchMode, APreviewHandleIsNotReadAfterAColon) {
    HWND window = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ASSERT_NE(window, nullptr);
    char tail[32];
    snprintf(tail, sizeof tail, "/p:%lu",
             static_cast<unsigned long>(reinterpret_cast<uintptr_t>(window)));
    EXPECT_EQ(dispatchMode(GetModuleHandleA(nullptr), tail), -1);
    EXPECT_FALSE(hostState.previewMode);
    DestroyWindow(window);
}

TEST(TicksBetween, SurvivesTheTickCounterWrapping) {
    EXPECT_EQ(ticksBetween(5, 205), 200u);
    EXPECT_EQ(ticksBetween(0xFFFFFFF0u, 0x10u), 0x20u);
    EXPECT_EQ(ticksBetween(0xFFFFFFFFu, 0u), 1u);
}

TEST(CursorTravel, AddsBothAxesWhicheverTheDirection) {
    EXPECT_EQ(cursorTravel({500, 400}, {503, 401}), 4u);
    EXPECT_EQ(cursorTravel({500, 400}, {497, 399}), 4u);
    EXPECT_EQ(cursorTravel({500, 400}, {504, 401}), 5u);
    EXPECT_EQ(cursorTravel({-10, -20}, {10, 20}), 60u);
    EXPECT_EQ(cursorTravel({0, 0}, {0, 0}), 0u);
}

// The scripted verifier and what it saw.
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

class DefaultHandler : public ::testing::Test {
  protected:
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
        drainCloses();
    }
    void TearDown() override {
        if (IsWindow(window)) {
            DestroyWindow(window);
        }
        hostState = HostState{};
    }
    // How many closes the rules posted; they are taken off the queue.
    int drainCloses() {
        int closes = 0;
        MSG message;
        while (PeekMessageA(&message, window, WM_CLOSE, WM_CLOSE, PM_REMOVE)) {
            ++closes;
        }
        return closes;
    }
    void useVerifier(BOOL answer) {
        hostState.win9xFamily = true;
        hostState.password.passwordVerifier = scriptedVerifier;
        script.answer = answer;
    }
    LRESULT send(UINT message, WPARAM wParam = 0, LPARAM lParam = 0) {
        return saverDefaultHandler(window, message, wParam, lParam);
    }
    HWND window = nullptr;
};

TEST_F(DefaultHandler, InputAndNoticesPostACloseOfTheFullScreenSaver) {
    for (UINT input : {WM_KEYDOWN, WM_SYSKEYDOWN, WM_LBUTTONDOWN, WM_RBUTTONDOWN, WM_MBUTTONDOWN,
                       WM_POWERBROADCAST}) {
        send(input);
        EXPECT_EQ(drainCloses(), 1) << "message " << input;
    }
    send(WM_ACTIVATEAPP, FALSE);
    EXPECT_EQ(drainCloses(), 1);
    send(WM_ACTIVATEAPP, TRUE);
    EXPECT_EQ(drainCloses(), 0);
    send(WM_POWER, PWR_CRITICALRESUME);
    EXPECT_EQ(drainCloses(), 1);
    send(WM_POWER, PWR_SUSPENDRESUME);
    EXPECT_EQ(drainCloses(), 0);
    EXPECT_EQ(send(WM_SETCURSOR, reinterpret_cast<WPARAM>(window), HTCLIENT), 1);
    send(WM_KEYUP);
    send(WM_CHAR, 'a');
    EXPECT_EQ(drainCloses(), 0);
}

TEST_F(DefaultHandler, ThePreviewAndAnApprovedCloseIgnoreInput) {
    hostState.previewMode = true;
    send(WM_KEYDOWN);
    send(WM_LBUTTONDOWN);
    send(WM_ACTIVATEAPP, FALSE);
    EXPECT_EQ(drainCloses(), 0);
    hostState.previewMode = false;
    hostState.closeApproved = true;
    send(WM_KEYDOWN);
    EXPECT_EQ(drainCloses(), 0);
}

TEST_F(DefaultHandler, MouseTravelCountsFromTheSavedPointNotTheLastMove) {
    ASSERT_TRUE(SetCursorPos(500, 400));
    GetCursorPos(&hostState.savedCursorPos);
    ASSERT_EQ(hostState.savedCursorPos.x, 500);
    for (POINT jiggle : {POINT{502, 400}, POINT{498, 400}, POINT{500, 402}, POINT{501, 401},
                         POINT{499, 399}, POINT{503, 401}}) {
        SetCursorPos(jiggle.x, jiggle.y);
        send(WM_MOUSEMOVE, 0, MAKELPARAM(900, 900)); // the message's own point is ignored
    }
    EXPECT_EQ(drainCloses(), 0);
    SetCursorPos(503, 402);
    send(WM_MOUSEMOVE);
    EXPECT_EQ(drainCloses(), 1);
    EXPECT_EQ(hostState.savedCursorPos.x, 503); // a new reference point
    EXPECT_EQ(hostState.savedCursorPos.y, 402);
}

TEST_F(DefaultHandler, OffThe9xFamilyACloseDestroysTheWindowAtOnce) {
    send(WM_CLOSE);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(script.calls, 0);
}

TEST_F(DefaultHandler, AWrongPasswordKeepsTheSaverAndARightOneCloses) {
    useVerifier(FALSE);
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_TRUE(IsWindow(window));
    EXPECT_EQ(script.calls, 1);
    EXPECT_TRUE(script.sawAskingPassword);
    EXPECT_FALSE(hostState.askingPassword);
    EXPECT_FALSE(hostState.closeApproved);
    // A second request right after the prompt ended is the same gesture: no prompt.
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_EQ(script.calls, 1);
    hostState.password.lastPasswordAsk = GetTickCount() - 1000;
    script.answer = TRUE;
    send(WM_CLOSE);
    EXPECT_EQ(script.calls, 2);
    EXPECT_TRUE(hostState.closeApproved);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(DefaultHandler, WhileThePromptIsUpInputAndClosesAreRefused) {
    useVerifier(TRUE);
    hostState.askingPassword = true;
    send(WM_KEYDOWN);
    send(WM_LBUTTONDOWN);
    EXPECT_EQ(drainCloses(), 0);
    EXPECT_EQ(send(WM_CLOSE), 0);
    EXPECT_EQ(script.calls, 0);
    EXPECT_TRUE(IsWindow(window));
}

TEST_F(DefaultHandler, WithoutAVerifierThe9xFamilyClosesWithoutAPrompt) {
    hostState.win9xFamily = true;
    EXPECT_EQ(send(WM_APP), 1);
    send(WM_CLOSE);
    EXPECT_TRUE(hostState.closeApproved);
    EXPECT_FALSE(IsWindow(window));
}

TEST_F(DefaultHandler, TheAutoPlayQueryIsAnsweredInEveryStateOnlyWhenRegistered) {
    UINT query = RegisterWindowMessageA("QueryCancelAutoPlay");
    EXPECT_EQ(send(query), 0); // not registered: the platform's answer
    EXPECT_EQ(drainCloses(), 0);
    hostState.autoPlayQueryMessage = query;
    hostState.win9xFamily = true;
    EXPECT_EQ(send(query), 0);
    EXPECT_EQ(drainCloses(), 1);
    useVerifier(FALSE);
    hostState.previewMode = true;
    EXPECT_EQ(send(query), 1);
    EXPECT_EQ(drainCloses(), 1);
    EXPECT_EQ(script.calls, 0);
}

} // namespace
