// Test helpers on the real option key (HKCU\Software\Orbweave\Zeride) and on child processes.
#pragma once
#include "settings/settings.h"
#include <gtest/gtest.h>
#include <windows.h>
#include <string>
#include <vector>

struct StoredValue {
    std::string name;
    DWORD type;
    std::vector<unsigned char> data;
};

// What the key held before a test: restored afterwards, so tests never leak into each other.
struct KeySnapshot {
    bool existed;
    std::vector<StoredValue> values;
};

bool optionKeyExists();
void deleteOptionKey();
KeySnapshot snapshotOptionKey();
void restoreOptionKey(const KeySnapshot& snapshot);
// Creates the key if needed and stores one value of any type.
void putValue(const char* name, DWORD type, const void* data, DWORD size);
void putDword(const char* name, DWORD value);
void deleteValue(const char* name);
// Reads one value with its type; false when it is missing.
bool readValue(const char* name, StoredValue& out);
size_t optionValueCount();

// A file next to this test program (the probe, for instance).
std::string besideTestProgram(const char* fileName);
// Runs a command line to its end; returns its exit code and what it printed.
DWORD runProcess(const std::string& commandLine, std::string* output = nullptr);
// Starts a process without waiting; the handle must be closed by the caller.
HANDLE startProcess(const std::string& commandLine, HANDLE outputPipe = nullptr);
// The probe's "load" in a fresh process: the thirteen fields as text.
std::string loadInFreshProcess();

// Every test on the key starts with no key and leaves the key as it found it.
class OptionKeyTest : public ::testing::Test {
  protected:
    void SetUp() override {
        saved = snapshotOptionKey();
        deleteOptionKey();
    }
    void TearDown() override { restoreOptionKey(saved); }
    KeySnapshot saved;
};
