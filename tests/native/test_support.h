// Shared set-up for the behaviour tests: a fresh fake machine per test.
#pragma once
#include <gtest/gtest.h>

#include <algorithm>

#include "fake.h"
#include "install/report.h"
#include "shell/instconfig.h"
#include "shell/instmain.h"

// The message each box shown so far was, in order; a box no message chose
// reads as platform::kUntaggedBox.
inline Msg IdOf(const fake::ShownBox& box) { return static_cast<Msg>(box.tag); }
inline void PrintTo(Msg id, std::ostream* os) { *os << "Msg " << static_cast<int>(id); }
inline std::vector<Msg> BoxIds() {
    std::vector<Msg> ids;
    for (const fake::ShownBox& b : fake::Boxes()) ids.push_back(IdOf(b));
    return ids;
}
inline bool Shown(Msg id) {
    const std::vector<Msg> ids = BoxIds();
    return std::find(ids.begin(), ids.end(), id) != ids.end();
}
inline Msg LastBoxId() {
    return fake::Boxes().empty() ? static_cast<Msg>(platform::kUntaggedBox) : IdOf(fake::Boxes().back());
}

class FakeMachine : public ::testing::Test {
protected:
    void SetUp() override {
        fake::Reset();
        InstConfig.~TInstConfig();
        new (&InstConfig) TInstConfig();
    }
    // The utility started again on the machine as it is now: a fresh menu
    // and configuration, the disc dialog answered with OK.
    void RestartUtility();
    void TearDown() override {
        // A run that ended the process on the spot leaves its menu behind.
        delete frmInstMain;
        frmInstMain = nullptr;
        InstConfig.~TInstConfig();
        new (&InstConfig) TInstConfig();
    }
};

#include "install/tzcdrom.h"

// A game disc: Setup.inf with every required key.
inline const char* const kBasicSetupInf =
    "[Setting]\r\n"
    "GameTitle=ソフト表\r\n"
    "DefInstPath=Game\r\n"
    "ProgramFolder=Maker\\Game\r\n"
    "RegKey=Maker\r\n"
    "ShortcutIcon=game.ico\r\n";

inline void InsertDisc(char letter, const std::string& label, const char* setupInf = kBasicSetupInf) {
    fake::SetDrive(letter, fake::Drive{true, label});
    const std::string root = std::string(1, letter) + ":\\";
    fake::AddDirectory(root);
    if (setupInf) fake::AddFile(root + "Setup.inf", setupInf);
    // The utility itself is on the disc, and may be copied from there.
    fake::AddFile(root + "TazuStart.exe", "MZ utility");
}

// Answers the next showing of the CD-ROM dialog with OK on the item it
// preselected, or with Cancel.
inline void AnswerCdDialogOk() {
    fake::OnModal("TfrmCdRom", [](platform::Form& f) { static_cast<TfrmCdRom&>(f).btnOK.Click(); });
}
inline void AnswerCdDialogCancel() {
    fake::OnModal("TfrmCdRom", [](platform::Form& f) { static_cast<TfrmCdRom&>(f).btnCancel.Click(); });
}

inline void FakeMachine::RestartUtility() {
    delete frmInstMain;
    InstConfig.~TInstConfig();
    new (&InstConfig) TInstConfig();
    AnswerCdDialogOk();
    frmInstMain = new TfrmInstMain;
    frmInstMain->Create();
}
