// The fake forms backend: forms are their portable state plus an event log;
// modal loops and message pumps run what the test scheduled.
#include <algorithm>
#include <deque>
#include <map>
#include <stdexcept>

#include "fake.h"
#include "platform/app.h"
#include "platform/sjis.h"

namespace fake {
namespace {

struct Posted {
    platform::Form* form;
    int message;
};

struct FormsState {
    std::map<std::string, std::deque<std::function<void(platform::Form&)>>> onModal;
    std::deque<std::function<void()>> onPump;
    std::deque<Posted> posted;
    std::vector<std::string> events;
    std::map<std::string, Shown> shown;
    std::vector<platform::Form*> live;  // created forms, in the order made
};
FormsState& F() {
    static FormsState s;
    return s;
}

std::string Name(const platform::Form& f) { return f.Def().name; }

void DeliverPosted() {
    while (!F().posted.empty()) {
        const Posted p = F().posted.front();
        F().posted.pop_front();
        p.form->DispatchPrivateMessage(p.message);
    }
}

class FakeFormImpl : public platform::FormImpl {
public:
    explicit FakeFormImpl(platform::Form& form) : form_(form) {}
    ~FakeFormImpl() override { Forget(); }

    void Realize() override {
        Log("create");
        F().live.push_back(&form_);
    }
    void Unrealize() override {
        Log("destroy");
        Forget();
    }
    void FormChanged(platform::Change) override {}
    void ControlChanged(int index, platform::Change what) override {
        const platform::ControlDef& def = form_.Def().controls[index];
        const platform::ControlState& s = form_.StateOf(index);
        if (what == platform::Change::Progress)
            F().events.push_back("progress " + Name(form_) + "." + def.name + "=" + std::to_string(s.position));
        else if (what == platform::Change::Caption)
            F().events.push_back("caption " + Name(form_) + "." + def.name + "=" + s.caption);
    }
    void PullControl(int) override {}
    void Show() override {
        Log("show");
        F().shown[Name(form_)] = Shown{form_.Caption(), form_.Left(), form_.Top()};
    }
    void Hide() override { Log("hide"); }
    void RunModal() override {
        Log("modal");
        auto& queue = F().onModal[Name(form_)];
        while (form_.ModalResultValue() == platform::mrNone) {
            DeliverPosted();
            if (form_.ModalResultValue() != platform::mrNone) break;
            if (queue.empty()) throw std::logic_error("modal form left open: " + Name(form_));
            auto action = std::move(queue.front());
            queue.pop_front();
            action(form_);
        }
    }
    void PostToSelf(int message) override {
        // Windows delivers no other number to the form: the form would wait
        // for its message for ever.
        if (message != platform::kCloseMessage &&
            (message < platform::kFirstOwnMessage || message > platform::kLastOwnMessage))
            throw std::logic_error("message " + std::to_string(message) + " posted to " + Name(form_) +
                                   " would never arrive");
        F().posted.push_back(Posted{&form_, message});
    }
    void Repaint() override {
        form_.DispatchFlush();
        Log("repaint");
    }
    void FocusControl(int index) override {
        F().events.push_back("focus " + Name(form_) + "." + form_.Def().controls[index].name);
    }
    void BringToFront() override { Log("front"); }
    int OuterWidth() const override { return form_.Def().clientWidth + kFrameWidth; }
    int OuterHeight() const override { return form_.Def().clientHeight + kFrameHeight; }
    bool CaptionFits(int index, const std::string& text) const override {
        int width = 0;
        for (std::size_t i = 0; i < text.size(); ++i) {
            const bool dbcs = sjis::IsLeadByte(static_cast<unsigned char>(text[i])) && i + 1 < text.size();
            width += dbcs ? kDoubleByteWidth : kSingleByteWidth;
            if (dbcs) ++i;
        }
        const bool sunken = form_.Def().controls[index].kind == platform::ControlKind::Panel;
        return width <= form_.StateOf(index).width - (sunken ? 2 : 0);
    }

private:
    void Log(const char* what) { F().events.push_back(std::string(what) + " " + Name(form_)); }
    void Forget() {
        for (auto it = F().posted.begin(); it != F().posted.end();)
            it = it->form == &form_ ? F().posted.erase(it) : it + 1;
        auto& live = F().live;
        live.erase(std::remove(live.begin(), live.end(), &form_), live.end());
    }
    platform::Form& form_;
};

}  // namespace

void ResetForms() { F() = FormsState(); }

void RunProcessMessages() {
    DeliverPosted();
    // Every round shows what the forms changed, as a flush of the real
    // backend does now and then.
    for (platform::Form* form : std::vector<platform::Form*>(F().live)) form->DispatchFlush();
    if (!F().onPump.empty()) {
        auto action = std::move(F().onPump.front());
        F().onPump.pop_front();
        action();
    }
}

void OnModal(const std::string& formName, std::function<void(platform::Form&)> action) {
    F().onModal[formName].push_back(std::move(action));
}
void OnProcessMessages(std::function<void()> action) { F().onPump.push_back(std::move(action)); }
std::vector<std::string>& Events() { return F().events; }
Shown LastShown(const std::string& formName) { return F().shown[formName]; }

void MoveByUser(platform::Form& form, int left, int top) {
    if (!form.Created() || !form.Visible()) throw std::logic_error("no window to drag: " + Name(form));
    form.NoteMoved(left, top);
}

}  // namespace fake

namespace platform {
std::unique_ptr<FormImpl> CreateFormImpl(Form& form) { return std::make_unique<fake::FakeFormImpl>(form); }
}  // namespace platform
