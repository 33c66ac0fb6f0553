// Test helpers on the real option key (HKCU\Software\Orbweave\Zeride) and on child processes.
#pragma once
#include "settings/settings.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstring>
#include <string>
#include <vector>

struct StoredValue {
    std::string name;
    DWORD type;
    std::vector<unsigned char> data;
};

// Every value of the key; `existed` false when there is no key.
struct KeySnapshot {
    bool existed;
    std::vector<StoredValue> values;
};

inline KeySnapshot snapshotOptionKey() {
    KeySnapshot snapshot = {false, {}};
    HKEY key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, KEY_READ, &key) != ERROR_SUCCESS)
        return snapshot;
    snapshot.existed = true;
    char name[256];
    DWORD nameSize = sizeof name, type = 0, size = 0;
    for (DWORD i = 0; RegEnumValueA(key, i, name, &nameSize, nullptr, &type, nullptr, &size) ==
                      ERROR_SUCCESS;
         ++i, nameSize = sizeof name) {
        StoredValue v{name, type, std::vector<unsigned char>(size)};
        RegQueryValueExA(key, name, nullptr, nullptr, v.data.data(), &size);
        snapshot.values.push_back(v);
    }
    RegCloseKey(key);
    return snapshot;
}

inline void deleteOptionKey() {
    RegDeleteKeyA(HKEY_CURRENT_USER, settingsKeyPath);
    RegDeleteKeyA(HKEY_CURRENT_USER, "Software\\Orbweave"); // fails harmlessly when not empty
}

// Creates the key if needed and stores one value of any type.
inline void putValue(const char* name, DWORD type, const void* data, DWORD size) {
    HKEY key;
    ASSERT_EQ(RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, 0, KEY_WRITE,
                              nullptr, &key, nullptr),
              ERROR_SUCCESS);
    EXPECT_EQ(RegSetValueExA(key, name, 0, type, static_cast<const BYTE*>(data), size), 0);
    RegCloseKey(key);
}

inline void putDword(const char* name, DWORD value) {
    putValue(name, REG_DWORD, &value, sizeof value);
}

inline void restoreOptionKey(const KeySnapshot& snapshot) {
    deleteOptionKey();
    HKEY key;
    if (snapshot.existed && RegCreateKeyExA(HKEY_CURRENT_USER, settingsKeyPath, 0, nullptr, 0,
                                            KEY_WRITE, nullptr, &key, nullptr) == ERROR_SUCCESS)
        RegCloseKey(key);
    for (const StoredValue& v : snapshot.values)
        putValue(v.name.c_str(), v.type, v.data.data(), DWORD(v.data.size()));
}

// The key's thirteen values as "v1 v2 ..." when each is a 4-byte REG_DWORD; "absent" without
// a key, else the first value that is missing or of another form.
inline std::string storedRecord() {
    const KeySnapshot s = snapshotOptionKey();
    if (!s.existed)
        return "absent";
    std::string text;
    for (int i = 0; i < settingsFieldCount; ++i) {
        const char* name = settingsFields[i].valueName;
        const StoredValue* v = nullptr;
        for (const StoredValue& candidate : s.values)
            v = candidate.name == name ? &candidate : v;
        if (!v || v->type != REG_DWORD || v->data.size() != 4)
            return std::string("not a dword: ") + name;
        uint32_t n;
        std::memcpy(&n, v->data.data(), 4);
        text += (i ? " " : "") + std::to_string(n);
    }
    return text;
}

// A program next to this test program, quoted for a command line.
inline std::string besideTestProgram(const char* fileName) {
    char path[MAX_PATH];
    std::string s(path, GetModuleFileNameA(nullptr, path, sizeof path));
    return "\"" + s.substr(0, s.find_last_of("\\/") + 1) + fileName + "\"";
}

// Starts a command line; its standard output goes to `output` when given.
inline HANDLE startProcess(const std::string& commandLine, HANDLE output = nullptr) {
    STARTUPINFOA si = {};
    si.cb = sizeof si;
    if (output) {
        si.dwFlags = STARTF_USESTDHANDLES;
        si.hStdOutput = output;
        si.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    }
    PROCESS_INFORMATION pi = {};
    std::vector<char> line(commandLine.begin(), commandLine.end());
    line.push_back(0);
    if (!CreateProcessA(nullptr, line.data(), nullptr, nullptr, output != nullptr, 0, nullptr,
                        nullptr, &si, &pi))
        return nullptr;
    CloseHandle(pi.hThread);
    return pi.hProcess;
}

// Runs a command line to its end: its exit code, and what it printed (last line end cut off).
inline DWORD runProcess(const std::string& commandLine, std::string* output = nullptr) {
    SECURITY_ATTRIBUTES sa = {sizeof sa, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    CreatePipe(&readEnd, &writeEnd, &sa, 0);
    HANDLE process = startProcess(commandLine, writeEnd);
    CloseHandle(writeEnd); // the child holds the only write end now
    std::string text;
    char buffer[512];
    DWORD got;
    while (process && ReadFile(readEnd, buffer, sizeof buffer, &got, nullptr) && got)
        text.append(buffer, got);
    CloseHandle(readEnd);
    while (!text.empty() && (text.back() == '\n' || text.back() == '\r'))
        text.pop_back();
    if (output)
        *output = text;
    DWORD code = DWORD(-1);
    if (process) {
        WaitForSingleObject(process, INFINITE);
        GetExitCodeProcess(process, &code);
        CloseHandle(process);
    }
    return code;
}

// The probe's "load" in a fresh process: the thirteen fields as text.
inline std::string loadInFreshProcess() {
    std::string out;
    EXPECT_EQ(runProcess(besideTestProgram("settings_probe.exe") + " load", &out), 0u);
    return out;
}

// Every test on the key starts without one and leaves the key as it found it.
class OptionKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = snapshotOptionKey();
        deleteOptionKey();
    }
    void TearDown() override { restoreOptionKey(saved); }
    KeySnapshot saved;
};
