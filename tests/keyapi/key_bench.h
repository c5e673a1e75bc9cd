// The test bench of the key library: a readers folder of the test's own (ReadersPath
// points to it while the bench lives) and key files made to order.
#pragma once
#include <windows.h>

#include <cstdint>
#include <map>
#include <memory>
#include <string>

#include "scoped.h"

// Fixture keys check their PIN with few iterations so tests stay fast; real keys
// default to kDefaultIterations.
const uint32_t kTestIterations = 2000;

struct KeyRecipe {
    std::string label = "Test key";
    std::string pin = "1234";      // "": no PIN
    std::string puk = "87654321";  // "": no PUK
    uint32_t capacity = 32000;
    uint8_t pinAttempts = 3, pukAttempts = 3;
    int pinLeft = -1, pukLeft = -1;  // -1: none used up
    bool formatted = true;
    uint8_t idByte = 0;              // 0: a random card id; else all eight bytes
    uint32_t iterations = kTestIterations;  // of the PIN seal
    std::map<uint32_t, std::string> apps;
};

// The bytes of a key file as keyctl and FormatCard make them.
std::string MakeKeyFile(const KeyRecipe& recipe);

class KeyBench {
public:
    KeyBench();
    ~KeyBench();
    KeyBench(const KeyBench&) = delete;
    KeyBench& operator=(const KeyBench&) = delete;

    const std::string& Root() const { return root_; }
    std::string Folder(const std::string& reader) const { return root_ + reader + "\\"; }
    std::string KeyPath(const std::string& reader) const { return Folder(reader) + "ostrel.key"; }
    void AddReader(const std::string& reader) const;
    // Adds the reader when missing and puts the key in; returns the file's bytes.
    std::string PutKey(const std::string& reader, const KeyRecipe& recipe = KeyRecipe()) const;

private:
    std::string root_;
    std::unique_ptr<ScopedRegValue> readersPath_;
};

std::string FileBytes(const std::string& path);
void WriteBytes(const std::string& path, const std::string& bytes);
void RemoveTree(const std::string& folder);
