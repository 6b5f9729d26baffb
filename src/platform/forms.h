// Forms declared as data: a table of controls per form, realised as real
// windows by the win32 backend and as inspectable objects by the fakes.
#pragma once
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <unordered_map>
#include <vector>

namespace platform {

enum class ControlKind { Button, Label, Edit, ComboList, ProgressBar, Panel, StatusBar, GroupBox, Bevel };
enum class Align { Left, Center, Right };

// Control flags.
enum : unsigned {
    kDefaultButton = 1u << 0,  // Enter presses it
    kCancelButton = 1u << 1,   // Esc presses it
    kImeOpen = 1u << 2,        // edit opens the Japanese input method on focus
    kNoSizeGrip = 1u << 3,     // status bar without a size grip
    kRaised = 1u << 4,         // bevel drawn raised (default: etched)
};

constexpr unsigned kDefaultColor = 0xFFFFFFFFu;  // text colour: the system's
constexpr unsigned kBlue = 0x00FF0000u;          // 0x00BBGGRR

// One row of a form's control table, as a form designer lays it out.
struct ControlDef {
    const char* name;
    ControlKind kind;
    int left, top, width, height;  // pixels, relative to the parent's client area
    const char* caption;           // nullptr: none
    int tab;                       // tab order within the parent; -1: not a tab stop
    const char* onClick;           // handler name bound by the form; nullptr: none
    const char* parent = nullptr;  // a GroupBox or Panel row; nullptr: the form
    unsigned color = kDefaultColor;
    Align align = Align::Left;
    unsigned flags = 0;
};

enum class BorderStyle { Single, Dialog, None };

struct FormDef {
    const char* name;  // the class name, "TfrmInstMain"; also the window class
    const char* caption;
    int clientWidth, clientHeight;
    BorderStyle border;
    bool systemMenu;   // title-bar system menu and close box
    bool minimizeBox;
    const ControlDef* controls;
    std::size_t controlCount;
};

enum ModalResult : int { mrNone = 0, mrOK = 1, mrCancel = 2 };

// The messages a form may post to itself. kCloseMessage, delivered, acts as
// the close box (a modal form then returns mrCancel); a form's own messages,
// numbered from kFirstOwnMessage to kLastOwnMessage, go to its OnMessage.
// Posting any other number is a mistake: on Windows it never arrives.
constexpr int kCloseMessage = 0;
constexpr int kFirstOwnMessage = 100;
constexpr int kLastOwnMessage = 999;

class Form;

// What a control shows; the portable layer keeps it and tells the backend
// only about changes.
struct ControlState {
    std::string caption;  // button/label/group caption, edit text, status text
    bool visible = true;
    bool enabled = true;
    int left = 0, top = 0, width = 0, height = 0;
    int min = 0, max = 100, position = 0;  // progress bar
    std::vector<std::string> items;        // combo list
    int itemIndex = -1;
};

enum class Change { Caption, Visible, Enabled, Bounds, Progress, Items, ItemIndex };

class Control {
public:
    Control(Form& form, const char* name);  // binds to the row of that name
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;

    const ControlDef& Def() const;
    const char* Name() const { return Def().name; }
    Form& Owner() const { return form_; }
    int Index() const { return index_; }

    std::string Caption() const;
    void SetCaption(const std::string& text);
    bool Visible() const;
    void SetVisible(bool visible);
    bool Enabled() const;
    void SetEnabled(bool enabled);
    int Left() const;
    int Top() const;
    int Width() const;
    int Height() const;
    void SetBounds(int left, int top, int width, int height);

    // Gives it the keyboard focus (when it can take it).
    void SetFocus();
    // True when `text` on one line in the form's font is no wider than the
    // control's client area: a caption that is wider shows cut off.
    bool CaptionFits(const std::string& text) const;

    // As if the user clicked it: runs the bound handler with this control as
    // the sender; an error escaping the handler goes to the error report.
    void Click();

protected:
    ControlState& State() const;
    void Changed(Change what) const;

private:
    Form& form_;
    int index_;
};

class Button : public Control { public: using Control::Control; };
class Label : public Control { public: using Control::Control; };
class GroupBox : public Control { public: using Control::Control; };
class Panel : public Control { public: using Control::Control; };
class Bevel : public Control { public: using Control::Control; };
class StatusBar : public Control { public: using Control::Control; };

class Edit : public Control {
public:
    using Control::Control;
    std::string Text() const;  // what the user typed
    void SetText(const std::string& text) { SetCaption(text); }
};

class ComboList : public Control {
public:
    using Control::Control;
    void Clear();
    void AddItem(const std::string& text);
    int ItemCount() const;
    std::string Item(int i) const;
    int ItemIndex() const;  // -1: none
    void SetItemIndex(int i);
    std::string Text() const;  // the selected item, empty for none
};

class ProgressBar : public Control {
public:
    using Control::Control;
    void SetRange(int min, int max);
    void SetPosition(int position);
    int Position() const;
    int Max() const;
};

// Backend of one form: real windows or the fakes' records.
class FormImpl {
public:
    virtual ~FormImpl() = default;
    virtual void Realize() = 0;     // create the window and its controls
    virtual void Unrealize() = 0;   // destroy them
    virtual void FormChanged(Change what) = 0;                // caption, visible, bounds
    virtual void ControlChanged(int index, Change what) = 0;  // state already updated
    virtual void PullControl(int index) = 0;  // copy what the user changed into the state
    virtual void Show() = 0;
    virtual void Hide() = 0;
    virtual void RunModal() = 0;  // returns once the form's modal result is set
    virtual void PostToSelf(int message) = 0;
    virtual void Repaint() = 0;
    virtual void FocusControl(int index) = 0;
    virtual void BringToFront() = 0;  // above the other programs' windows, active
    virtual int OuterWidth() const = 0;
    virtual int OuterHeight() const = 0;
    virtual bool CaptionFits(int index, const std::string& text) const = 0;
};
std::unique_ptr<FormImpl> CreateFormImpl(Form& form);  // defined by each backend

class Form {
public:
    explicit Form(const FormDef& def);
    virtual ~Form();
    Form(const Form&) = delete;
    Form& operator=(const Form&) = delete;

    // Creates the window with its controls (hidden), then runs FormCreate.
    void Create();
    // Runs FormDestroy and destroys the window. The destructor does it too.
    void Destroy();
    bool Created() const { return created_; }

    void Show();       // modeless; runs FormShow first
    void Hide();
    int ShowModal();   // runs FormShow, waits for a modal result, hides; returns it
    void SetModalResult(int result);
    int ModalResultValue() const { return modalResult_; }
    bool InModal() const { return inModal_; }
    // The close box: a modal form answers mrCancel; the main form ends the
    // application; any other form hides.
    void Close();
    void Repaint();                 // paint now, without processing messages
    void BringToFront();
    void PostToSelf(int message);   // delivered later (see kCloseMessage)
    void PostClose() { PostToSelf(kCloseMessage); }

    const std::string& Caption() const { return caption_; }
    void SetCaption(const std::string& caption);
    bool Visible() const { return visible_; }
    // Outer position, where the window is now: a move by the user counts.
    int Left() const { return left_; }
    int Top() const { return top_; }
    int OuterWidth() const;
    int OuterHeight() const;
    void SetPosition(int left, int top);
    // left = (reference width - own width) / 2, top likewise, outer sizes.
    void CenterOnScreen();
    void CenterOver(const Form& reference);

    const FormDef& Def() const { return def_; }
    const std::vector<Control*>& Controls() const { return controls_; }
    ControlState& StateOf(int index) { return states_[static_cast<std::size_t>(index)]; }
    int RowIndex(const char* name) const;  // -1 when the table has no such row
    bool HasHandler(const char* name) const { return handlers_.count(name) != 0; }
    FormImpl& Impl() { return *impl_; }

    // Backends call these.
    void DispatchClick(Control& sender);
    void DispatchPrivateMessage(int message);
    // The deferred control updates are about to reach the screen.
    void DispatchFlush() { OnFlush(); }
    void Register(Control& control);
    // The window now stands at this outer position, whoever moved it.
    void NoteMoved(int left, int top) {
        left_ = left;
        top_ = top;
    }

protected:
    virtual void FormCreate() {}
    virtual void FormShow() {}
    virtual void FormDestroy() {}
    virtual void OnMessage(int /*message*/) {}
    // Runs just before deferred label and progress updates are shown: a
    // text worked out from figures that change faster than the screen (the
    // copy's sizes) is made here, once for each time it can be seen.
    virtual void OnFlush() {}

    using Handler = std::function<void(Control&)>;
    void Bind(const char* handlerName, Handler handler);
    template <class F>
    void Bind(const char* handlerName, void (F::*method)(Control&)) {
        F* self = static_cast<F*>(this);
        Bind(handlerName, [self, method](Control& sender) { (self->*method)(sender); });
    }

private:
    const FormDef& def_;
    std::vector<ControlState> states_;
    std::vector<Control*> controls_;
    std::unordered_map<std::string, Handler> handlers_;
    std::unique_ptr<FormImpl> impl_;
    std::string caption_;
    bool created_ = false;
    bool visible_ = false;
    bool inModal_ = false;
    int modalResult_ = mrNone;
    int left_ = 0, top_ = 0;
};

// Which forms may appear on the screen: a run without windows keeps some or
// all of them hidden while they work as usual. Empty: all may.
void SetFormFilter(std::function<bool(const FormDef&)> mayShow);

// Pure centring rule: (reference - own) / 2, truncating toward zero.
int CenteredOffset(int referenceSize, int ownSize);

}  // namespace platform
