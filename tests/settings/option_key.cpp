#include "tests/settings/option_key.h"

bool optionKeyExists() {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    RegCloseKey(key);
    return true;
}

void deleteOptionKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Orbweave"); // fails harmlessly when not empty
}

void putValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, 0, KEY_ALL_ACCESS,
                              nullptr, &key, nullptr),
              0);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
}

void putDword(const char* name, DWORD value) {
    putValue(name, REG_DWORD, &value, sizeof value);
}

bool readValue(const char* name, StoredValue& out) {
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return false;
    DWORD size = 0;
    bool found = RegQueryValueExA(key, name, nullptr, &out.type, nullptr, &size) == 0;
    out.name = name;
    out.data.resize(size);
    found = found && RegQueryValueExA(key, name, nullptr, &out.type, out.data.data(), &size) == 0;
    RegCloseKey(key);
    return found;
}

size_t optionValueCount() {
    HKEY key;
    DWORD values = 0;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) == ERROR_SUCCESS) {
        RegQueryInfoKeyA(key, nullptr, nullptr, nullptr, nullptr, nullptr, nullptr, &values,
                         nullptr, nullptr, nullptr, nullptr);
        RegCloseKey(key);
    }
    return values;
}

std::string besideTestProgram(const char* fileName) {
    char path[MAX_PATH];
    std::string s(path, GetModuleFileNameA(nullptr, path, sizeof path));
    return s.substr(0, s.find_last_of("\\/") + 1) + fileName;
}

HANDLE startProcess(const std::string& commandLine, HANDLE output) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    si.dwFlags = output ? STARTF_USESTDHANDLES : 0;
    si.hStdOutput = output;
    si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}
