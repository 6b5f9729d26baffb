// The portable half of the forms toolkit: control state, handler binding and
// dispatch, modal results, centring. Backends only realise what changes.
#include "platform/forms.h"

#include <cassert>
#include <cstring>
#include <exception>

#include "platform/app.h"

namespace platform {

int CenteredOffset(int referenceSize, int ownSize) { return (referenceSize - ownSize) / 2; }

// ---- Control ---------------------------------------------------------------

Control::Control(Form& form, const char* name) : form_(form), index_(form.RowIndex(name)) {
    assert(index_ >= 0 && "control has no row in its form's table");
    form.Register(*this);
}

const ControlDef& Control::Def() const { return form_.Def().controls[index_]; }
ControlState& Control::State() const { return form_.StateOf(index_); }
void Control::Changed(Change what) const {
    if (form_.Created()) form_.Impl().ControlChanged(index_, what);
}

std::string Control::Caption() const { return State().caption; }
void Control::SetCaption(const std::string& text) {
    if (Def().kind == ControlKind::Edit && form_.Created()) form_.Impl().PullControl(index_);
    if (State().caption == text) return;
    State().caption = text;
    Changed(Change::Caption);
}
bool Control::Visible() const { return State().visible; }
void Control::SetVisible(bool visible) {
    if (State().visible == visible) return;
    State().visible = visible;
    Changed(Change::Visible);
}
bool Control::Enabled() const { return State().enabled; }
void Control::SetEnabled(bool enabled) {
    if (State().enabled == enabled) return;
    State().enabled = enabled;
    Changed(Change::Enabled);
}
int Control::Left() const { return State().left; }
int Control::Top() const { return State().top; }
bool Control::CaptionFits(const std::string& text) const { return form_.Impl().CaptionFits(index_, text); }
int Control::Width() const { return State().width; }
int Control::Height() const { return State().height; }
void Control::SetBounds(int left, int top, int width, int height) {
    ControlState& s = State();
    if (s.left == left && s.top == top && s.width == width && s.height == height) return;
    s.left = left;
    s.top = top;
    s.width = width;
    s.height = height;
    Changed(Change::Bounds);
}
void Control::Click() { form_.DispatchClick(*this); }
void Control::SetFocus() {
    if (form_.Created()) form_.Impl().FocusControl(index_);
}

std::string Edit::Text() const {
    if (Owner().Created()) Owner().Impl().PullControl(Index());
    return State().caption;
}

void ComboList::Clear() {
    ControlState& s = State();
    if (s.items.empty() && s.itemIndex == -1) return;
    s.items.clear();
    s.itemIndex = -1;
    Changed(Change::Items);
}
void ComboList::AddItem(const std::string& text) {
    State().items.push_back(text);
    Changed(Change::Items);
}
int ComboList::ItemCount() const { return static_cast<int>(State().items.size()); }
std::string ComboList::Item(int i) const {
    return i >= 0 && i < ItemCount() ? State().items[static_cast<std::size_t>(i)] : std::string();
}
int ComboList::ItemIndex() const {
    if (Owner().Created()) Owner().Impl().PullControl(Index());
    return State().itemIndex;
}
void ComboList::SetItemIndex(int i) {
    if (i < -1 || i >= ItemCount()) i = -1;
    if (Owner().Created()) Owner().Impl().PullControl(Index());
    if (State().itemIndex == i) return;
    State().itemIndex = i;
    Changed(Change::ItemIndex);
}
std::string ComboList::Text() const { return Item(ItemIndex()); }

void ProgressBar::SetRange(int min, int max) {
    ControlState& s = State();
    if (s.min == min && s.max == max) return;
    s.min = min;
    s.max = max;
    Changed(Change::Progress);
}
void ProgressBar::SetPosition(int position) {
    ControlState& s = State();
    if (position < s.min) position = s.min;
    if (position > s.max) position = s.max;
    if (s.position == position) return;
    s.position = position;
    Changed(Change::Progress);
}
int ProgressBar::Position() const { return State().position; }
int ProgressBar::Max() const { return State().max; }

// ---- Form ------------------------------------------------------------------

Form::Form(const FormDef& def) : def_(def), states_(def.controlCount), caption_(def.caption ? def.caption : "") {
    for (std::size_t i = 0; i < def.controlCount; ++i) {
        const ControlDef& c = def.controls[i];
        ControlState& s = states_[i];
        s.caption = c.caption ? c.caption : "";
        s.left = c.left;
        s.top = c.top;
        s.width = c.width;
        s.height = c.height;
    }
    impl_ = CreateFormImpl(*this);
}

Form::~Form() {
    // Destroy() runs FormDestroy, a virtual of the derived class; by now the
    // derived part is gone, so only the windows are taken down here.
    if (created_) {
        impl_->Unrealize();
        created_ = false;
    }
}

int Form::RowIndex(const char* name) const {
    for (std::size_t i = 0; i < def_.controlCount; ++i)
        if (std::strcmp(def_.controls[i].name, name) == 0) return static_cast<int>(i);
    return -1;
}

void Form::Register(Control& control) { controls_.push_back(&control); }

void Form::Bind(const char* handlerName, Handler handler) { handlers_[handlerName] = std::move(handler); }

void Form::Create() {
    assert(!created_);
    if (!app::MainForm()) app::SetMainForm(this);
    impl_->Realize();
    created_ = true;
    FormCreate();
}

void Form::Destroy() {
    if (!created_) return;
    FormDestroy();
    impl_->Unrealize();
    created_ = false;
    visible_ = false;
    if (app::MainForm() == this) app::SetMainForm(nullptr);
}

namespace {
std::function<bool(const FormDef&)>& FormFilter() {
    static std::function<bool(const FormDef&)> filter;
    return filter;
}
bool MayShow(const FormDef& def) { return !FormFilter() || FormFilter()(def); }
}  // namespace

void SetFormFilter(std::function<bool(const FormDef&)> mayShow) { FormFilter() = std::move(mayShow); }

void Form::Show() {
    FormShow();
    if (visible_) return;
    visible_ = true;
    if (MayShow(def_)) impl_->Show();
}

void Form::Hide() {
    if (!visible_) return;
    visible_ = false;
    impl_->Hide();
}

int Form::ShowModal() {
    assert(!inModal_);
    modalResult_ = mrNone;
    inModal_ = true;
    FormShow();
    visible_ = true;
    if (MayShow(def_)) impl_->Show();
    struct Leave {
        Form& f;
        ~Leave() { f.inModal_ = false; f.Hide(); }
    } leave{*this};
    impl_->RunModal();
    return modalResult_;
}

void Form::SetModalResult(int result) { modalResult_ = result; }

void Form::Close() {
    if (inModal_) {
        SetModalResult(mrCancel);
    } else if (app::MainForm() == this) {
        Hide();
        app::Terminate();
    } else {
        Hide();
    }
}

void Form::Repaint() { impl_->Repaint(); }
void Form::BringToFront() {
    if (created_ && MayShow(def_)) impl_->BringToFront();
}
void Form::PostToSelf(int message) { impl_->PostToSelf(message); }

void Form::SetCaption(const std::string& caption) {
    if (caption_ == caption) return;
    caption_ = caption;
    if (created_) impl_->FormChanged(Change::Caption);
}

int Form::OuterWidth() const { return impl_->OuterWidth(); }
int Form::OuterHeight() const { return impl_->OuterHeight(); }

void Form::SetPosition(int left, int top) {
    if (left_ == left && top_ == top) return;
    left_ = left;
    top_ = top;
    if (created_) impl_->FormChanged(Change::Bounds);
}

void Form::CenterOnScreen() {
    const app::Size screen = app::ScreenSize();
    SetPosition(CenteredOffset(screen.width, OuterWidth()), CenteredOffset(screen.height, OuterHeight()));
}

void Form::CenterOver(const Form& reference) {
    SetPosition(reference.Left() + CenteredOffset(reference.OuterWidth(), OuterWidth()),
                reference.Top() + CenteredOffset(reference.OuterHeight(), OuterHeight()));
}

// An error that escapes a command ends that command only: it is shown in the
// application's error box and the message loop goes on.
void Form::DispatchClick(Control& sender) {
    const char* name = sender.Def().onClick;
    if (!name) return;
    auto it = handlers_.find(name);
    assert(it != handlers_.end() && "table names a handler the form never bound");
    if (it == handlers_.end()) return;
    try {
        it->second(sender);
    } catch (const std::exception& e) {
        app::ShowError(e.what());
    }
}

void Form::DispatchPrivateMessage(int message) {
    if (message == kCloseMessage) {
        Close();
        return;
    }
    try {
        OnMessage(message);
    } catch (const std::exception& e) {
        app::ShowError(e.what());
    }
}

}  // namespace platform
