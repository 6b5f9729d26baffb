// Named mutex behaviour both backends share (within one process).
#include <chrono>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "platform/mutex.h"

namespace {

using namespace platform;

std::string UniqueName(const char* prefix) {
    std::random_device random;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(prefix) + std::to_string(ticks % 1000000000) + "-" + std::to_string(random() % 100000);
}

TEST(MutexContract, UnknownNameDoesNotExist) { EXPECT_FALSE(MutexExists(UniqueName("TazuContractNone-"))); }

TEST(MutexContract, CreatedMutexExistsUntilReleased) {
    const std::string name = UniqueName("TazuContractOwn-");
    const MutexHandle handle = CreateOwnedMutex(name);
    ASSERT_NE(handle, 0u);
    EXPECT_TRUE(MutexExists(name));
    EXPECT_TRUE(MutexExists(name));  // testing holds nothing
    ReleaseOwnedMutex(handle);
    EXPECT_FALSE(MutexExists(name));
}

TEST(MutexContract, NamesAreCaseSensitive) {
    const std::string name = UniqueName("TazuContractCase-");
    const MutexHandle handle = CreateOwnedMutex(name);
    ASSERT_NE(handle, 0u);
    std::string lower = name;
    for (char& c : lower) c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    EXPECT_FALSE(MutexExists(lower));
    ReleaseOwnedMutex(handle);
}

TEST(MutexContract, TwoNamesAreIndependent) {
    const std::string first = UniqueName("TazuContractA-");
    const std::string second = UniqueName("TazuContractB-");
    const MutexHandle handle = CreateOwnedMutex(first);
    ASSERT_NE(handle, 0u);
    EXPECT_FALSE(MutexExists(second));
    ReleaseOwnedMutex(handle);
}

TEST(MutexContract, ReleasingNoneIsIgnored) { ReleaseOwnedMutex(0); }

}  // namespace
