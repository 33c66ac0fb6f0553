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

bool optionKeyExists();
void deleteOptionKey();
// Creates the key if needed and stores one value of any type.
void putValue(const char* name, DWORD type, const void* data, DWORD size);
void putDword(const char* name, DWORD value);
// Reads one value with its type; false when it is missing.
bool readValue(const char* name, StoredValue& out);
size_t optionValueCount();
// A file next to this test program (the probe, for instance).
std::string besideTestProgram(const char* fileName);
// Starts a command line without waiting; its standard output goes to `output` when given.
HANDLE startProcess(const std::string& commandLine, HANDLE output = nullptr);

// Every test on the key starts without one and removes it at the end (the tree's Wine prefix
// is the tests' own).
class OptionKeyTest : public ::testing::Test {
  protected:
    void SetUp() override { deleteOptionKey(); }
    void TearDown() override { deleteOptionKey(); }
};
