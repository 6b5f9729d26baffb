// The portable half of the forms toolkit: what reaches the backend, modal
// results, dispatch of clicks and private messages.
#include <algorithm>

#include "fake.h"
#include "platform/app.h"
#include "platform/forms.h"
#include "test_support.h"

namespace {

using platform::ControlKind;

const platform::ControlDef kRows[] = {
    {"lblText", ControlKind::Label, 8, 8, 100, 12, "start", -1, nullptr},
    {"pgbAll", ControlKind::ProgressBar, 8, 24, 100, 16, nullptr, -1, nullptr},
    {"cbList", ControlKind::ComboList, 8, 48, 100, 20, nullptr, 0, nullptr},
    {"btnGo", ControlKind::Button, 8, 80, 75, 25, "Go", 1, "btnGoClick"},
    {"btnFail", ControlKind::Button, 90, 80, 75, 25, "Fail", 2, "btnFailClick"},
};
const platform::FormDef kProbe = {"TfrmProbe", "Probe", 200, 120, platform::BorderStyle::Dialog, false, false,
                                  kRows, sizeof kRows / sizeof kRows[0]};

class TfrmProbe : public platform::Form {
public:
    TfrmProbe() : Form(kProbe) {
        Bind("btnGoClick", &TfrmProbe::btnGoClick);
        Bind("btnFailClick", &TfrmProbe::btnFailClick);
    }
    platform::Label lblText{*this, "lblText"};
    platform::ProgressBar pgbAll{*this, "pgbAll"};
    platform::ComboList cbList{*this, "cbList"};
    platform::Button btnGo{*this, "btnGo"};
    platform::Button btnFail{*this, "btnFail"};
    platform::Control* lastSender = nullptr;
    std::vector<int> messages;

private:
    void btnGoClick(platform::Control& sender) {
        lastSender = &sender;
        SetModalResult(platform::mrOK);
    }
    void btnFailClick(platform::Control&) { throw std::runtime_error("書き込めません。"); }
    void OnMessage(int message) override { messages.push_back(message); }
};

class Forms : public FakeMachine {
protected:
    int Count(const std::string& prefix) {
        return static_cast<int>(std::count_if(fake::Events().begin(), fake::Events().end(), [&](const std::string& e) {
            return e.compare(0, prefix.size(), prefix) == 0;
        }));
    }
};

TEST_F(Forms, UnchangedValuesNeverReachTheBackend) {
    TfrmProbe f;
    f.Create();
    f.lblText.SetCaption("start");  // as created
    f.lblText.SetCaption("コピー中");
    f.lblText.SetCaption("コピー中");
    f.pgbAll.SetPosition(10);
    f.pgbAll.SetPosition(10);
    f.pgbAll.SetPosition(11);
    EXPECT_EQ(Count("caption TfrmProbe.lblText"), 1);
    EXPECT_EQ(Count("progress TfrmProbe.pgbAll"), 2);
}

TEST_F(Forms, ProgressStaysWithinItsRange) {
    TfrmProbe f;
    f.Create();
    f.pgbAll.SetRange(0, 100);
    f.pgbAll.SetPosition(150);
    EXPECT_EQ(f.pgbAll.Position(), 100);
    f.pgbAll.SetPosition(-1);
    EXPECT_EQ(f.pgbAll.Position(), 0);
}

TEST_F(Forms, ComboSelectionOutsideTheItemsIsNone) {
    TfrmProbe f;
    f.Create();
    f.cbList.AddItem("Q: ドライブ");
    f.cbList.SetItemIndex(0);
    EXPECT_EQ(f.cbList.Text(), "Q: ドライブ");
    f.cbList.SetItemIndex(1);
    EXPECT_EQ(f.cbList.ItemIndex(), -1);
    EXPECT_EQ(f.cbList.Text(), "");
    f.cbList.Clear();
    EXPECT_EQ(f.cbList.ItemCount(), 0);
}

TEST_F(Forms, ClickRunsTheBoundHandlerWithTheSenderAndEndsTheModalLoop) {
    TfrmProbe f;
    f.Create();
    fake::OnModal("TfrmProbe", [](platform::Form& form) { static_cast<TfrmProbe&>(form).btnGo.Click(); });
    EXPECT_EQ(f.ShowModal(), platform::mrOK);
    EXPECT_EQ(f.lastSender, &f.btnGo);
    EXPECT_FALSE(f.Visible());
    EXPECT_FALSE(f.InModal());
}

TEST_F(Forms, ErrorInAHandlerIsReportedAndTheFormGoesOn) {
    platform::app::SetTitle("『ソフト表』　起動ユーティリティ");
    TfrmProbe f;
    f.Create();
    f.btnFail.Click();
    ASSERT_EQ(fake::Boxes().size(), 1u);
    EXPECT_EQ(fake::Boxes()[0].text, "書き込めません。");
    EXPECT_EQ(fake::Boxes()[0].caption, "『ソフト表』　起動ユーティリティ");
    EXPECT_EQ(fake::Boxes()[0].icon, platform::MbIcon::Error);
    EXPECT_EQ(fake::Boxes()[0].buttons, platform::MbButtons::Ok);
    f.btnGo.Click();
    EXPECT_EQ(f.lastSender, &f.btnGo);
}

TEST_F(Forms, PostedMessagesArriveAfterShowingInOrder) {
    TfrmProbe f;
    f.Create();
    f.PostToSelf(platform::kLastOwnMessage);
    f.PostToSelf(platform::kFirstOwnMessage);
    EXPECT_TRUE(f.messages.empty());  // never delivered synchronously
    platform::app::ProcessMessages();
    EXPECT_EQ(f.messages, (std::vector<int>{platform::kLastOwnMessage, platform::kFirstOwnMessage}));
}

// Windows never hands such a number to the form, whose work would then
// never start; the fake refuses it on the spot.
TEST_F(Forms, MessagesOutsideTheFormsOwnRangeAreRefused) {
    TfrmProbe f;
    f.Create();
    EXPECT_THROW(f.PostToSelf(platform::kFirstOwnMessage - 1), std::logic_error);
    EXPECT_THROW(f.PostToSelf(platform::kLastOwnMessage + 1), std::logic_error);
}

TEST_F(Forms, MessagesPostedToADestroyedFormAreDropped) {
    auto f = std::make_unique<TfrmProbe>();
    f->Create();
    f->PostToSelf(platform::kFirstOwnMessage);
    f->Destroy();
    f.reset();
    platform::app::ProcessMessages();  // must not touch the dead form
    SUCCEED();
}

TEST(Centring, TruncatesTowardZero) {
    struct Row {
        int reference, own, expected;
    };
    const Row rows[] = {{1024, 400, 312}, {1024, 401, 311}, {1023, 400, 311}, {300, 400, -50}, {300, 401, -50},
                        {0, 3, -1}};
    for (const Row& r : rows) EXPECT_EQ(platform::CenteredOffset(r.reference, r.own), r.expected);
}

TEST_F(Forms, CentringOverAnotherFormUsesItsPosition) {
    TfrmProbe probe;
    probe.Create();
    struct Menu : platform::Form {
        Menu() : Form(kInstMainForm) {}
    } menu;  // a form of the menu's size, without its start-up
    menu.Create();
    menu.SetPosition(101, 51);
    probe.CenterOver(menu);
    EXPECT_EQ(probe.Left(), 101 + (400 - 206) / 2);
    EXPECT_EQ(probe.Top(), 51 + (264 - 145) / 2);
}

}  // namespace
