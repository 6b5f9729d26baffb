// The DirectX setup launcher: which program, the locked menu while it runs,
// and what the menu looks like afterwards.
#include <initializer_list>
#include <tuple>

#include "platform/app.h"
#include "test_support.h"

namespace {


class DirectX : public FakeMachine {
protected:
    void Start(bool installed) {
        InsertDisc('Q', "QUENDRIL1");
        fake::AddFile("Q:\\Directx8.1b\\DX81jpn.exe", "9x");
        fake::AddFile("Q:\\Directx8.1b\\DX81NTjpn.exe", "NT");
        if (installed) fake::RegSetString("Software\\Maker\\ソフト表", "InstPath", "D:\\Game\\");
        AnswerCdDialogOk();
        menu_.Create();
    }
    // '1' per enabled control: btnStart1, btnStart2, btnDelete, edtInst, btnS,
    // btnInstDirectX, btnExit, and the repair buttons btnInstPathChg, btnInstInfoDel.
    std::string Enabled() {
        std::string flags;
        for (const platform::Control* c : std::initializer_list<const platform::Control*>{
                 &menu_.btnStart1, &menu_.btnStart2, &menu_.btnDelete, &menu_.edtInst, &menu_.btnS,
                 &menu_.btnInstDirectX, &menu_.btnExit, &menu_.btnInstPathChg, &menu_.btnInstInfoDel})
            flags += c->Enabled() ? '1' : '0';
        return flags;
    }
    void ExpectOnlyBox(Msg id) {
        ASSERT_EQ(BoxIds(), std::vector<Msg>{id});
        const fake::ShownBox& b = fake::Boxes()[0];
        EXPECT_EQ(std::tie(b.owner, b.caption), std::make_tuple(&menu_, std::string("『ソフト表』　起動ユーティリティ")));
    }
    TfrmInstMain menu_;
};

TEST_F(DirectX, MissingSetupEndsTheUtilityAfterItsMessage) {
    Start(true);
    fake::RemoveFile("Q:\\Directx8.1b\\DX81NTjpn.exe");
    EXPECT_THROW(menu_.btnInstDirectX.Click(), fake::ProcessExit);
    ExpectOnlyBox(Msg::DirectXMissing);
    EXPECT_TRUE(fake::StartedProcesses().empty());
}

struct LockRow {
    bool installed, folderRowEnabled, win9x;
    const char* after;
};
class DirectXLock : public DirectX, public ::testing::WithParamInterface<LockRow> {};

// The setup of the running Windows family, started by its path alone.
TEST_P(DirectXLock, LocksTheMenuWhileTheSetupRunsThenRestoresItsState) {
    Start(GetParam().installed);
    fake::SetWin9x(GetParam().win9x);
    menu_.edtInst.SetEnabled(GetParam().folderRowEnabled);
    menu_.btnS.SetEnabled(GetParam().folderRowEnabled);
    std::vector<std::string> during;
    fake::SetProcessPolls(3);
    for (int i = 0; i < 2; ++i) fake::OnProcessMessages([&] { during.push_back(Enabled()); });
    menu_.btnInstDirectX.Click();
    ASSERT_EQ(fake::StartedProcesses().size(), 1u);
    EXPECT_EQ(fake::StartedProcesses()[0].application + "|" + fake::StartedProcesses()[0].commandLine,
              GetParam().win9x ? "|Q:\\Directx8.1b\\DX81jpn.exe" : "|Q:\\Directx8.1b\\DX81NTjpn.exe");
    EXPECT_TRUE(fake::Boxes().empty());
    EXPECT_EQ(during, (std::vector<std::string>{"000000011", "000000011"}));
    EXPECT_EQ(Enabled(), GetParam().after);
}

INSTANTIATE_TEST_SUITE_P(States, DirectXLock,
                         ::testing::Values(LockRow{false, true, true, "110111111"},    // both install buttons back
                                           LockRow{false, false, false, "110001111"},  // the folder row as it was
                                           LockRow{true, true, false, "101111111"},    // start and remove back
                                           LockRow{true, false, true, "101001111"}));

TEST_F(DirectX, StartFailureWarnsAndUnlocks) {
    Start(true);
    fake::FailNextStart();
    menu_.btnInstDirectX.Click();
    ExpectOnlyBox(Msg::DirectXStartFailed);
    EXPECT_EQ(Enabled(), "101111111");
}

TEST_F(DirectX, RecordRemovedDuringTheWaitUnlocksBothInstallButtons) {
    Start(true);
    fake::SetProcessPolls(2);
    fake::OnProcessMessages([&] { menu_.btnInstInfoDel.Click(); });  // Yes, then OK
    menu_.btnInstDirectX.Click();
    EXPECT_TRUE(InstConfig.NeedInstall);
    EXPECT_EQ(Enabled(), "110111111");
}

TEST_F(DirectX, ClosingTheMenuDuringTheWaitStopsWaitingAndTouchesNothing) {
    Start(true);
    fake::SetProcessPolls(1000000);  // waited on to the end, the fake would fail
    fake::OnProcessMessages([&] { menu_.Close(); });
    menu_.btnInstDirectX.Click();
    EXPECT_TRUE(platform::app::Terminated());
    EXPECT_EQ(Enabled(), "000000011");
    EXPECT_TRUE(fake::Boxes().empty());
}

}  // namespace
