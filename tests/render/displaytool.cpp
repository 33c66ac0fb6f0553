// displaytool: what the display tests ask of Windows beside the saver.
//   power HWND 0|1       tells the window the console display went off (0) or on (1), as the
//                        system's power-setting notice does: the record lives in the
//                        window's own process, so it is written there first
//   mode W H             switches the display to W x H for now, as a game would (not stored)
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>

struct DisplayStateNotice {
    GUID setting;
    DWORD dataLength;
    DWORD state;
};

static int sendDisplayState(HWND window, DWORD state) {
    const DisplayStateNotice notice = {
        {0x6fe69556, 0x704a, 0x47a0, {0x8f, 0x24, 0xc2, 0x8d, 0x93, 0x6f, 0xda, 0x47}},
        sizeof(DWORD),
        state};
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_VM_OPERATION | PROCESS_VM_WRITE, FALSE, pid);
    if (process == nullptr)
        return 1;
    void* remote = VirtualAllocEx(process, nullptr, sizeof notice, MEM_COMMIT, PAGE_READWRITE);
    if (remote == nullptr || !WriteProcessMemory(process, remote, &notice, sizeof notice, nullptr))
        return 1;
    DWORD_PTR answer = 0;
    const bool sent =
        SendMessageTimeoutA(window, WM_POWERBROADCAST, 0x8013 /* setting change */,
                            reinterpret_cast<LPARAM>(remote), SMTO_NORMAL, 5000, &answer) != 0;
    std::printf("%lu\n", static_cast<unsigned long>(answer));
    return sent ? 0 : 1;
}

int main(int argc, char** argv) {
    if (argc == 4 && std::strcmp(argv[1], "power") == 0) {
        HWND window = reinterpret_cast<HWND>(std::strtoull(argv[2], nullptr, 10));
        return sendDisplayState(window, static_cast<DWORD>(std::strtoul(argv[3], nullptr, 10)));
    }
    if (argc == 4 && std::strcmp(argv[1], "mode") == 0) {
        DEVMODEA mode = {};
        mode.dmSize = sizeof mode;
        mode.dmPelsWidth = std::strtoul(argv[2], nullptr, 10);
        mode.dmPelsHeight = std::strtoul(argv[3], nullptr, 10);
        mode.dmFields = DM_PELSWIDTH | DM_PELSHEIGHT;
        return ChangeDisplaySettingsA(&mode, CDS_FULLSCREEN) == DISP_CHANGE_SUCCESSFUL ? 0 : 1;
    }
    std::fprintf(stderr, "usage: displaytool power HWND 0|1 | mode W H\n");
    return 2;
}
