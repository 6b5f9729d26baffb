// Registry behaviour both backends share: keys below HKEY_CURRENT_USER.
#include <chrono>
#include <random>
#include <string>

#include <gtest/gtest.h>

#include "contract/contract_support.h"
#include "platform/registry.h"

namespace {

using platform::RegKey;

std::string UniqueName(const char* prefix) {
    std::random_device random;
    const auto ticks = std::chrono::steady_clock::now().time_since_epoch().count();
    return std::string(prefix) + std::to_string(ticks % 1000000000) + "-" + std::to_string(random() % 100000);
}

// Each test works below its own key and removes it afterwards.
class RegistryContract : public testing::Test {
protected:
    void SetUp() override {
        name_ = UniqueName("TazuContract-");
        base_ = "Software\\" + name_;
        key_ = RegKey::OpenOrCreate(base_);
        ASSERT_NE(key_, nullptr);
    }
    void TearDown() override {
        key_.reset();
        if (auto software = RegKey::OpenOrCreate("Software")) software->DeleteSubkeyTree(name_);
    }
    std::string name_;
    std::string base_;
    std::unique_ptr<RegKey> key_;
};

TEST_F(RegistryContract, WrittenStringReadsBack) {
    ASSERT_TRUE(key_->WriteString("InstPath", "C:\\Program Files\\ゲーム\\"));
    EXPECT_EQ(key_->ReadString("InstPath"), std::optional<std::string>("C:\\Program Files\\ゲーム\\"));
}

TEST_F(RegistryContract, EmptyStringIsPresentNotMissing) {
    ASSERT_TRUE(key_->WriteString("InstPath", ""));
    EXPECT_EQ(key_->ReadString("InstPath"), std::optional<std::string>(""));
}

TEST_F(RegistryContract, MissingValueIsNullopt) { EXPECT_EQ(key_->ReadString("InstPath"), std::nullopt); }

// The marker of a running installation goes and is gone; deleting it again
// is no failure.
TEST_F(RegistryContract, DeletedValueIsMissingAndDeletingItAgainSucceeds) {
    ASSERT_TRUE(key_->WriteString("Installing", "C:\\Game\\"));
    ASSERT_TRUE(key_->WriteString("InstPath", "C:\\Game\\"));
    EXPECT_TRUE(key_->Flush());  // on the disk before the record is written
    EXPECT_TRUE(key_->DeleteValue("INSTALLING"));
    EXPECT_EQ(key_->ReadString("Installing"), std::nullopt);
    EXPECT_EQ(key_->ReadString("InstPath"), std::optional<std::string>("C:\\Game\\"));
    EXPECT_TRUE(key_->DeleteValue("Installing"));
}

TEST_F(RegistryContract, WriteReplacesTheValue) {
    ASSERT_TRUE(key_->WriteString("InstPath", "C:\\Old\\"));
    ASSERT_TRUE(key_->WriteString("InstPath", "D:\\New\\"));
    EXPECT_EQ(key_->ReadString("InstPath"), std::optional<std::string>("D:\\New\\"));
}

TEST_F(RegistryContract, NamesIgnoreLetterCase) {
    ASSERT_TRUE(key_->WriteString("InstPath", "C:\\Game\\"));
    EXPECT_EQ(key_->ReadString("INSTPATH"), std::optional<std::string>("C:\\Game\\"));
    ASSERT_NE(RegKey::OpenOrCreate(base_ + "\\Maker\\Game"), nullptr);
    auto again = RegKey::OpenOrCreate(base_ + "\\MAKER");
    ASSERT_NE(again, nullptr);
    EXPECT_TRUE(again->HasSubkeys());
}

TEST_F(RegistryContract, OpenOrCreateCreatesEveryLevel) {
    auto deep = RegKey::OpenOrCreate(base_ + "\\A\\B\\C");
    ASSERT_NE(deep, nullptr);
    ASSERT_TRUE(deep->WriteString("V", "1"));
    EXPECT_TRUE(key_->HasSubkeys());
    EXPECT_TRUE(RegKey::OpenOrCreate(base_ + "\\A\\B")->HasSubkeys());
    EXPECT_EQ(RegKey::OpenOrCreate(base_ + "\\A\\B\\C")->ReadString("V"), std::optional<std::string>("1"));
}

// Values and subkeys are told apart: a key whose only content is a value
// (or a subkey) has values (or none).
TEST_F(RegistryContract, ValuesAndSubkeysAreToldApart) {
    EXPECT_EQ(key_->HasValues(), std::optional<bool>(false));
    ASSERT_NE(RegKey::OpenOrCreate(base_ + "\\Game"), nullptr);
    EXPECT_EQ(key_->HasValues(), std::optional<bool>(false));
    ASSERT_TRUE(key_->DeleteSubkeyTree("Game"));
    ASSERT_TRUE(key_->WriteDword("SharedSerial", 7));
    EXPECT_FALSE(key_->HasSubkeys());
    EXPECT_EQ(key_->HasValues(), std::optional<bool>(true));
    ASSERT_TRUE(key_->DeleteValue("SharedSerial"));
    ASSERT_TRUE(key_->WriteString("", "default"));
    EXPECT_EQ(key_->HasValues(), std::optional<bool>(true));
    EXPECT_TRUE(key_->Flush());
}

TEST_F(RegistryContract, DeleteSubkeyTreeRemovesNestedKeys) {
    auto deep = RegKey::OpenOrCreate(base_ + "\\Maker\\Game\\Sub");
    ASSERT_NE(deep, nullptr);
    ASSERT_TRUE(deep->WriteString("InstPath", "C:\\Game\\"));
    deep.reset();
    EXPECT_TRUE(key_->DeleteSubkeyTree("Maker"));
    EXPECT_FALSE(key_->HasSubkeys());
    // Opening again creates a fresh, empty key: nothing survived below it.
    EXPECT_EQ(RegKey::OpenOrCreate(base_ + "\\Maker\\Game\\Sub")->ReadString("InstPath"), std::nullopt);
}

TEST_F(RegistryContract, DeleteSubkeyTreeLeavesSiblings) {
    ASSERT_NE(RegKey::OpenOrCreate(base_ + "\\One"), nullptr);
    ASSERT_NE(RegKey::OpenOrCreate(base_ + "\\Two"), nullptr);
    EXPECT_TRUE(key_->DeleteSubkeyTree("One"));
    EXPECT_TRUE(key_->HasSubkeys());
    EXPECT_TRUE(key_->DeleteSubkeyTree("Two"));
    EXPECT_FALSE(key_->HasSubkeys());
}

// The list of programs reads sizes and flags as numbers: a DWORD reads back
// as one and is no string, and either kind of value replaces the other.
TEST_F(RegistryContract, DwordIsANumberAndReplacesAString) {
    ASSERT_TRUE(key_->WriteString("EstimatedSize", "12"));
    ASSERT_TRUE(key_->WriteDword("EstimatedSize", 4000000000u));
    EXPECT_EQ(contract::ReadDword(base_, "ESTIMATEDSIZE"), std::optional<std::uint32_t>(4000000000u));
    EXPECT_EQ(key_->ReadString("EstimatedSize"), std::nullopt);
    ASSERT_TRUE(key_->WriteString("EstimatedSize", "x"));
    EXPECT_EQ(contract::ReadDword(base_, "EstimatedSize"), std::nullopt);
    EXPECT_EQ(contract::ReadDword(base_, "NoRepair"), std::nullopt);
}

// Asking for a subkey tells whether it is there, in any letter case, and
// makes nothing.
TEST_F(RegistryContract, HasSubkeyTellsWithoutCreating) {
    EXPECT_EQ(key_->HasSubkey("Entry"), std::optional<bool>(false));
    EXPECT_FALSE(key_->HasSubkeys());
    ASSERT_NE(RegKey::OpenOrCreate(base_ + "\\Entry\\Deeper"), nullptr);
    EXPECT_EQ(key_->HasSubkey("ENTRY"), std::optional<bool>(true));
    EXPECT_EQ(key_->HasSubkey("Deeper"), std::optional<bool>(false));
    EXPECT_EQ(key_->HasSubkey(""), std::optional<bool>(false));
    ASSERT_TRUE(key_->DeleteSubkeyTree("Entry"));
    EXPECT_EQ(key_->HasSubkey("Entry"), std::optional<bool>(false));
}

// A value is there whatever its type, in any letter case, even empty; a
// missing one is told as missing, not as unknown.
TEST_F(RegistryContract, HasValueTellsMissingFromThere) {
    EXPECT_EQ(key_->HasValue("InstPath"), std::optional<bool>(false));
    ASSERT_TRUE(key_->WriteString("InstPath", ""));
    ASSERT_TRUE(key_->WriteDword("Size", 1));
    EXPECT_EQ(key_->HasValue("INSTPATH"), std::optional<bool>(true));
    EXPECT_EQ(key_->HasValue("Size"), std::optional<bool>(true));
    ASSERT_TRUE(key_->DeleteValue("InstPath"));
    EXPECT_EQ(key_->HasValue("InstPath"), std::optional<bool>(false));
}

TEST_F(RegistryContract, DeleteMissingSubkeyFails) { EXPECT_FALSE(key_->DeleteSubkeyTree("NoSuchKey")); }

TEST_F(RegistryContract, DeleteSubkeyTreeKeepsValuesOfTheKeyItself) {
    ASSERT_TRUE(key_->WriteString("Keep", "yes"));
    ASSERT_NE(RegKey::OpenOrCreate(base_ + "\\Gone"), nullptr);
    EXPECT_TRUE(key_->DeleteSubkeyTree("Gone"));
    EXPECT_EQ(key_->ReadString("Keep"), std::optional<std::string>("yes"));
}

}  // namespace
