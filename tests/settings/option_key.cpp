#include "tests/settings/option_key.h"

namespace {
constexpr const char* parentPath = "Software\\Orbweave";
}

bool optionKeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void deleteOptionKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, parentPath); // fails harmlessly when it has other keys
}

KeySnapshot snapshotOptionKey() {
    KeySnapshot snapshot = {false, {}};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return snapshot;
    snapshot.existed = true;
    for (DWORD index = 0;; ++index) {
        char name[256];
        DWORD nameSize = sizeof name, type = 0, dataSize = 0;
        if (RegEnumValueA(key, index, name, &nameSize, nullptr, &type, nullptr, &dataSize) !=
            ERROR_SUCCESS)
            break;
        StoredValue v{name, type, std::vector<unsigned char>(dataSize)};
        RegQueryValueExA(key, name, nullptr, nullptr, v.data.data(), &dataSize);
        v.data.resize(dataSize);
        snapshot.values.push_back(v);
    }
    RegCloseKey(key);
    return snapshot;
}

void restoreOptionKey(const KeySnapshot& snapshot) {
    deleteOptionKey();
    if (!snapshot.existed)
        return;
    HKEY key;
    RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr, &key,
                    nullptr);
    for (const StoredValue& v : snapshot.values)
        RegSetValueExA(key, v.name.c_str(), 0, v.type, v.data.data(), DWORD(v.data.size()));
    RegCloseKey(key);
}

void putValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, 0, KEY_WRITE, nullptr,
                              &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size),
              ERROR_SUCCESS);
    RegCloseKey(key);
}

void putDword(const char* name, DWORD value) {
    putValue(name, REG_DWORD, &value, sizeof value);
}

void deleteValue(const char* name) {
    HKEY key;
    ASSERT_EQ(RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_WRITE, &key), ERROR_SUCCESS);
    EXPECT_EQ(RegDeleteValueA(key, name), ERROR_SUCCESS);
    RegCloseKey(key);
}

bool readValue(const char* name, StoredValue& out) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool found = RegQueryValueExA(key, name, nullptr, &out.type, nullptr, &size) == ERROR_SUCCESS;
    if (found) {
        out.name = name;
        out.data.resize(size);
        found = RegQueryValueExA(key, name, nullptr, &out.type, out.data.data(), &size) ==
                ERROR_SUCCESS;
    }
    RegCloseKey(key);
    return found;
}

size_t optionValueCount() {
    KeySnapshot s = snapshotOptionKey();
    return s.values.size();
}

std::string besideTestProgram(const char* fileName) {
    char path[MAX_PATH];
    DWORD n = GetModuleFileNameA(nullptr, path, sizeof path);
    std::string s(path, n);
    return s.substr(0, s.find_last_of("\\/") + 1) + fileName;
}

HANDLE startProcess(const std::string& commandLine, HANDLE outputPipe) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (outputPipe) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = outputPipe;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
        si.hStdInput = GetStdHandle(STD_INPUT_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, outputPipe != nullptr, 0, nullptr,
                        nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

DWORD runProcess(const std::string& commandLine, std::string* output) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (output)
        CreatePipe(&readEnd, &writeEnd, &sa, 0);
    HANDLE process = startProcess(commandLine, writeEnd);
    if (writeEnd)
        CloseHandle(writeEnd); // the child holds the only write end now
    if (!process) {
        ADD_FAILURE() << "cannot start " << commandLine;
        if (readEnd)
            CloseHandle(readEnd);
        return DWORD(-1);
    }
    if (output) {
        output->clear();
        char buffer[512];
        DWORD got;
        while (ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
            output->append(buffer, got);
        CloseHandle(readEnd);
        while (!output->empty() && (output->back() == '\n' || output->back() == '\r'))
            output->pop_back();
    }
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    return code;
}

std::string loadInFreshProcess() {
    std::string out;
    EXPECT_EQ(runProcess("\"" + besideTestProgram("settings_probe.exe") + "\" load", &out), 0u);
    return out;
}
