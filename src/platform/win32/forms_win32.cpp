// The forms toolkit realised as Win32 windows: one window class per form,
// one child window per row of the control table (id = 100 + row).
#include "platform/win32/wintext.h"

#include <commctrl.h>
#include <imm.h>
#include <uxtheme.h>

#include <algorithm>
#include <vector>

#include "platform/app.h"
#include "platform/forms.h"

namespace platform {

namespace {

constexpr int kFirstControlId = 100;
// A form's own message n is the window message WM_USER + n. IsDialogMessage
// sends DM_GETDEFID (WM_USER) and DM_SETDEFID (WM_USER + 1), which must not
// reach the form's handlers: its own messages start well above them.
constexpr UINT kFirstFormMessage = WM_USER + kFirstOwnMessage;
constexpr UINT kLastFormMessage = WM_USER + kLastOwnMessage;
static_assert(kFirstOwnMessage > 1 && kLastFormMessage < WM_APP, "a form's own messages are private to its class");
constexpr int kComboItemHeight = 12;
constexpr int kComboDropItems = 8;

HFONT SharedFont() {
    static HFONT font = CreateFontW(-12, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, SHIFTJIS_CHARSET,
                                    OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                    DEFAULT_PITCH | FF_DONTCARE, L"ＭＳ Ｐゴシック");
    return font;
}

bool IsContainer(ControlKind kind) { return kind == ControlKind::GroupBox || kind == ControlKind::Panel; }

// A group box whose caption has a colour of its own paints itself: the
// button class takes its text colour from the theme, and Wine's unthemed
// group box ignores the colour set in WM_CTLCOLORSTATIC, so the caption came
// out black. The frame is drawn as the button class draws it: an etched edge
// through the middle of the caption line, broken by the caption.
LRESULT CALLBACK ColouredGroupBoxProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR,
                                      DWORD_PTR colour) {
    if (message != WM_PAINT) return DefSubclassProc(hwnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    HGDIOBJ oldFont = SelectObject(dc, SharedFont());
    TEXTMETRICW tm;
    GetTextMetricsW(dc, &tm);
    RECT rc;
    GetClientRect(hwnd, &rc);
    RECT frame = rc;
    frame.top += tm.tmHeight / 2 - 1;
    DrawEdge(dc, &frame, EDGE_ETCHED, BF_RECT);

    const int length = GetWindowTextLengthW(hwnd);
    if (length > 0) {
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        text.resize(static_cast<std::size_t>(GetWindowTextW(hwnd, &text[0], length + 1)));
        SIZE extent;
        GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
        RECT label = {rc.left + 8, rc.top, rc.left + 10 + extent.cx, rc.top + tm.tmHeight + 1};
        if (label.right > rc.right - 8) label.right = rc.right - 8;
        FillRect(dc, &label, GetSysColorBrush(COLOR_BTNFACE));
        SetBkMode(dc, TRANSPARENT);
        SetTextColor(dc, IsWindowEnabled(hwnd) ? static_cast<COLORREF>(colour) : GetSysColor(COLOR_GRAYTEXT));
        RECT textRect = {label.left + 1, label.top, label.right - 1, label.bottom};
        DrawTextW(dc, text.c_str(), static_cast<int>(text.size()), &textRect, DT_LEFT | DT_SINGLELINE | DT_NOCLIP);
    }
    SelectObject(dc, oldFont);
    EndPaint(hwnd, &ps);
    return 0;
}

// A raised bevel: light edge at the top and left, shadow at the bottom and
// right, as a borderless notice window frames itself.
LRESULT CALLBACK RaisedBevelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam, UINT_PTR, DWORD_PTR) {
    if (message != WM_PAINT) return DefSubclassProc(hwnd, message, wParam, lParam);
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd, &ps);
    RECT rc;
    GetClientRect(hwnd, &rc);
    // The bevel lies under the whole of a notice that is painted once and
    // then not again while its work runs; it paints the face itself so that
    // nothing of the window that was there before shows through.
    FillRect(dc, &rc, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &rc, BDR_RAISEDINNER, BF_RECT);
    EndPaint(hwnd, &ps);
    return 0;
}

class Win32Form;
std::vector<Win32Form*>& LiveForms() {
    static std::vector<Win32Form*> forms;
    return forms;
}

class Win32Form final : public FormImpl {
public:
    explicit Win32Form(Form& form) : form_(form) {}
    ~Win32Form() override { Unrealize(); }
    Win32Form(const Win32Form&) = delete;
    Win32Form& operator=(const Win32Form&) = delete;

    void Realize() override;
    void Unrealize() override;
    void FormChanged(Change what) override;
    void ControlChanged(int index, Change what) override;
    void PullControl(int index) override;
    void Show() override;
    void Hide() override;
    void RunModal() override;
    void PostToSelf(int message) override {
        PostMessageW(hwnd_, message == kCloseMessage ? WM_CLOSE : WM_USER + static_cast<UINT>(message), 0, 0);
    }
    void Repaint() override;
    void FocusControl(int index) override {
        if (hwnd_ && index >= 0 && index < static_cast<int>(controls_.size()) && controls_[index] &&
            IsWindowVisible(controls_[index]) && IsWindowEnabled(controls_[index])) {
            SetFocus(controls_[index]);
            lastFocus_ = controls_[index];
        }
    }
    void BringToFront() override {
        if (hwnd_) SetForegroundWindow(hwnd_);
    }
    int OuterWidth() const override { return OuterRect().right - OuterRect().left; }
    int OuterHeight() const override { return OuterRect().bottom - OuterRect().top; }
    bool CaptionFits(int index, const std::string& text) const override;

    const Form* Owner() const { return &form_; }
    HWND Window() const { return hwnd_; }
    void FlushPending();
    // Enter on a focused push button presses that button, as in a dialog.
    bool PressFocusedButton();

private:
    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnCommand(int id, int code, HWND control);

    const ControlDef& Row(int row) const { return form_.Def().controls[row]; }
    int RowCount() const { return static_cast<int>(form_.Def().controlCount); }
    int RowOf(HWND control) const;
    int ParentRow(int row) const;
    void AppendInTabOrder(int parentRow, std::vector<int>& order) const;
    DWORD Style() const;
    DWORD ExStyle() const;
    RECT OuterRect() const;
    bool EffectiveVisible(int row);
    bool EffectiveEnabled(int row);
    POINT Origin(int row);
    void CreateControl(int row);
    void FinishControl(int row, HWND control);
    void ApplyVisible(int row);
    void ApplyEnabled(int row);
    void ApplyBounds(int row);
    void PushCaption(int row);
    void PushProgress(int row);
    void PushItems(int row);
    void MoveFocusFrom(HWND control);
    void Click(int row);

    Form& form_;
    HWND hwnd_ = nullptr;
    std::vector<HWND> controls_;
    std::vector<char> pendingCaption_;
    std::vector<char> pendingProgress_;
    bool pending_ = false;
    HWND lastFocus_ = nullptr;
    int defaultId_ = 0;
};

DWORD Win32Form::Style() const {
    const FormDef& def = form_.Def();
    if (def.border == BorderStyle::None) return WS_POPUP | WS_CLIPSIBLINGS;
    DWORD style = WS_CAPTION | WS_CLIPSIBLINGS;
    style |= def.border == BorderStyle::Dialog ? WS_POPUP : WS_OVERLAPPED;
    if (def.systemMenu) style |= WS_SYSMENU;
    if (def.minimizeBox) style |= WS_MINIMIZEBOX;
    return style;
}

DWORD Win32Form::ExStyle() const {
    // Captioned windows always get the window edge; with it here the outer
    // size computed before the window exists is the one it will have.
    if (form_.Def().border == BorderStyle::None) return WS_EX_CONTROLPARENT;
    DWORD exStyle = WS_EX_WINDOWEDGE | WS_EX_CONTROLPARENT;
    if (form_.Def().border == BorderStyle::Dialog) exStyle |= WS_EX_DLGMODALFRAME;
    return exStyle;
}

RECT Win32Form::OuterRect() const {
    if (hwnd_) {
        RECT window;
        GetWindowRect(hwnd_, &window);
        return window;
    }
    RECT rect = {0, 0, form_.Def().clientWidth, form_.Def().clientHeight};
    AdjustWindowRectEx(&rect, Style(), FALSE, ExStyle());
    return rect;
}

int Win32Form::RowOf(HWND control) const {
    for (std::size_t i = 0; i < controls_.size(); ++i)
        if (controls_[i] == control && control) return static_cast<int>(i);
    return -1;
}

int Win32Form::ParentRow(int row) const {
    const char* parent = Row(row).parent;
    if (!parent) return -1;
    const int index = form_.RowIndex(parent);
    return index >= 0 && IsContainer(Row(index).kind) ? index : -1;
}

// Child order is tab order: the tab stops of a parent by their tab number,
// then its other rows in table order; a container's rows follow it.
void Win32Form::AppendInTabOrder(int parentRow, std::vector<int>& order) const {
    std::vector<int> rows;
    for (int i = 0; i < RowCount(); ++i)
        if (ParentRow(i) == parentRow) rows.push_back(i);
    std::stable_sort(rows.begin(), rows.end(), [this](int a, int b) {
        const int ta = Row(a).tab < 0 ? 0x7FFFFFFF : Row(a).tab;
        const int tb = Row(b).tab < 0 ? 0x7FFFFFFF : Row(b).tab;
        return ta < tb;
    });
    for (int row : rows) {
        order.push_back(row);
        if (IsContainer(Row(row).kind)) AppendInTabOrder(row, order);
    }
}

bool Win32Form::EffectiveVisible(int row) {
    for (; row >= 0; row = ParentRow(row))
        if (!form_.StateOf(row).visible) return false;
    return true;
}

bool Win32Form::EffectiveEnabled(int row) {
    for (; row >= 0; row = ParentRow(row))
        if (!form_.StateOf(row).enabled) return false;
    return true;
}

POINT Win32Form::Origin(int row) {
    POINT origin = {0, 0};
    for (int parent = ParentRow(row); parent >= 0; parent = ParentRow(parent)) {
        origin.x += form_.StateOf(parent).left;
        origin.y += form_.StateOf(parent).top;
    }
    return origin;
}

void Win32Form::Realize() {
    if (hwnd_) return;
    const FormDef& def = form_.Def();
    HINSTANCE instance = GetModuleHandleW(nullptr);
    const std::wstring className = win32::Widen(def.name);
    WNDCLASSEXW wc = {};
    wc.cbSize = sizeof wc;
    if (!GetClassInfoExW(instance, className.c_str(), &wc)) {
        wc.cbSize = sizeof wc;
        wc.lpfnWndProc = WindowProc;
        wc.hInstance = instance;
        wc.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(1));
        wc.hCursor = LoadCursorW(nullptr, MAKEINTRESOURCEW(32512));  // IDC_ARROW
        wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
        wc.lpszClassName = className.c_str();
        RegisterClassExW(&wc);
    }

    const RECT outer = OuterRect();
    CreateWindowExW(ExStyle(), className.c_str(), win32::Widen(form_.Caption()).c_str(), Style(), form_.Left(),
                    form_.Top(), outer.right - outer.left, outer.bottom - outer.top, win32::ApplicationWindow(),
                    nullptr, instance, this);  // WM_NCCREATE stores hwnd_
    if (!hwnd_) return;
    SendMessageW(hwnd_, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont()), FALSE);

    // Should the frame come out different from the computed one, grow or
    // shrink the window until the client area is exact.
    RECT client;
    GetClientRect(hwnd_, &client);
    if (client.right != def.clientWidth || client.bottom != def.clientHeight) {
        RECT window;
        GetWindowRect(hwnd_, &window);
        SetWindowPos(hwnd_, nullptr, 0, 0, window.right - window.left + def.clientWidth - client.right,
                     window.bottom - window.top + def.clientHeight - client.bottom,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }

    const std::size_t count = def.controlCount;
    controls_.assign(count, nullptr);
    pendingCaption_.assign(count, 0);
    pendingProgress_.assign(count, 0);
    pending_ = false;
    defaultId_ = 0;
    std::vector<int> order;
    AppendInTabOrder(-1, order);
    for (int row : order) CreateControl(row);
    // Frames go to the bottom of the z-order so the controls laid out inside
    // them paint over them; they take no focus, so tab order is unchanged.
    for (int row : order)
        if (IsContainer(Row(row).kind) || Row(row).kind == ControlKind::Bevel)
            SetWindowPos(controls_[row], HWND_BOTTOM, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    LiveForms().push_back(this);
}

namespace {

// The window class, styles and creation height of a control of the table.
struct ControlWindow {
    const wchar_t* className = WC_STATICW;
    DWORD style = WS_CHILD | WS_CLIPSIBLINGS | WS_GROUP;
    DWORD exStyle = 0;
    bool hasText = true;
    int height = 0;
};

ControlWindow WindowFor(const ControlDef& def, int tableHeight) {
    ControlWindow w;
    w.height = tableHeight;
    switch (def.kind) {
    case ControlKind::Button:
        w.className = WC_BUTTONW;
        w.style |= (def.flags & kDefaultButton) ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
        break;
    case ControlKind::Label:
        // A left-aligned label clips rather than wraps: a caption a little
        // wider than its box under another font must not lose its tail to a
        // hidden second line.
        w.style |= def.align == Align::Center ? SS_CENTER : def.align == Align::Right ? SS_RIGHT : SS_LEFTNOWORDWRAP;
        break;
    case ControlKind::Edit:
        w.className = WC_EDITW;
        w.style |= ES_LEFT | ES_AUTOHSCROLL;
        w.exStyle |= WS_EX_CLIENTEDGE;
        break;
    case ControlKind::ComboList:
        w.className = WC_COMBOBOXW;
        w.style |= CBS_DROPDOWNLIST | WS_VSCROLL;
        w.height += kComboItemHeight * kComboDropItems + 2;  // the drop-down part
        w.hasText = false;
        break;
    case ControlKind::ProgressBar:
        w.className = PROGRESS_CLASSW;
        w.hasText = false;
        break;
    case ControlKind::Panel:
        w.style |= SS_SUNKEN | SS_CENTERIMAGE |
                   (def.align == Align::Left ? SS_LEFT : def.align == Align::Right ? SS_RIGHT : SS_CENTER);
        break;
    case ControlKind::StatusBar:
        w.className = STATUSCLASSNAMEW;
        // Placed at its table rectangle like every other control: left to
        // itself a status bar docks and picks its own height from the font
        // (20 px under Wine instead of the laid-out 19).
        w.style &= ~static_cast<DWORD>(WS_CLIPSIBLINGS | WS_GROUP);
        w.style |= CCS_NOPARENTALIGN | CCS_NORESIZE;
        if (!(def.flags & kNoSizeGrip)) w.style |= SBARS_SIZEGRIP;
        w.hasText = false;
        break;
    case ControlKind::GroupBox:
        w.className = WC_BUTTONW;
        w.style |= BS_GROUPBOX;
        break;
    case ControlKind::Bevel:
        w.style |= (def.flags & kRaised) ? SS_LEFT : SS_ETCHEDFRAME;
        w.hasText = false;
        break;
    }
    if (def.tab >= 0 && def.kind != ControlKind::GroupBox && def.kind != ControlKind::Panel &&
        def.kind != ControlKind::Label && def.kind != ControlKind::Bevel && def.kind != ControlKind::StatusBar)
        w.style |= WS_TABSTOP;
    return w;
}

}  // namespace

void Win32Form::CreateControl(int row) {
    const ControlDef& def = Row(row);
    const ControlState& state = form_.StateOf(row);
    ControlWindow w = WindowFor(def, state.height);
    if (def.kind == ControlKind::Button && (def.flags & kDefaultButton)) defaultId_ = kFirstControlId + row;
    if (EffectiveVisible(row)) w.style |= WS_VISIBLE;
    if (!EffectiveEnabled(row)) w.style |= WS_DISABLED;

    const POINT origin = Origin(row);
    HWND control = CreateWindowExW(w.exStyle, w.className, w.hasText ? win32::Widen(state.caption).c_str() : L"",
                                   w.style, origin.x + state.left, origin.y + state.top, state.width, w.height, hwnd_,
                                   reinterpret_cast<HMENU>(static_cast<INT_PTR>(kFirstControlId + row)),
                                   GetModuleHandleW(nullptr), nullptr);
    controls_[row] = control;
    if (!control) return;
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(SharedFont()), FALSE);
    FinishControl(row, control);
}

// What a control of each kind needs once its window is there.
void Win32Form::FinishControl(int row, HWND control) {
    const ControlDef& def = Row(row);
    switch (def.kind) {
    case ControlKind::ComboList: {
        SendMessageW(control, CB_SETITEMHEIGHT, 0, kComboItemHeight);
        // The closed box takes its height from the font; fit the selection
        // field so the box is as high as the table lays it out. Under Wine
        // CB_GETITEMHEIGHT(-1) answers 2 more than CB_SETITEMHEIGHT(-1) was
        // given, so set a known field height, measure, and correct once.
        SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), kComboItemHeight);
        RECT closed;
        GetWindowRect(control, &closed);
        const int field = kComboItemHeight + form_.StateOf(row).height - (closed.bottom - closed.top);
        if (field > 0) SendMessageW(control, CB_SETITEMHEIGHT, static_cast<WPARAM>(-1), field);
        PushItems(row);
        break;
    }
    case ControlKind::ProgressBar:
        PushProgress(row);
        break;
    case ControlKind::StatusBar: {
        int right = -1;  // one part reaching the right end
        SendMessageW(control, SB_SETPARTS, 1, reinterpret_cast<LPARAM>(&right));
        PushCaption(row);
        break;
    }
    case ControlKind::GroupBox:
        if (def.color != kDefaultColor) SetWindowSubclass(control, ColouredGroupBoxProc, 0, def.color);
        break;
    case ControlKind::Bevel:
        if (def.flags & kRaised) SetWindowSubclass(control, RaisedBevelProc, 0, 0);
        break;
    default:
        break;
    }
}

// Measured in the font every control is given, on a device context kept for
// it: a copy asks after every chunk. Before the window is made, the client
// area is the table's width, less a sunken panel's edge of a pixel a side.
bool Win32Form::CaptionFits(int index, const std::string& text) const {
    static const HDC dc = [] {
        const HDC memory = CreateCompatibleDC(nullptr);
        SelectObject(memory, SharedFont());
        return memory;
    }();
    const std::wstring wide = win32::Widen(text);
    SIZE extent{};
    if (!GetTextExtentPoint32W(dc, wide.c_str(), static_cast<int>(wide.size()), &extent)) return true;
    int width = form_.StateOf(index).width - (Row(index).kind == ControlKind::Panel ? 2 : 0);
    RECT client;
    if (hwnd_ && controls_[index] && GetClientRect(controls_[index], &client)) width = client.right;
    return extent.cx <= width;
}

void Win32Form::Unrealize() {
    auto& live = LiveForms();
    live.erase(std::remove(live.begin(), live.end(), this), live.end());
    if (hwnd_) DestroyWindow(hwnd_);  // WM_NCDESTROY clears hwnd_
    hwnd_ = nullptr;
    lastFocus_ = nullptr;
    controls_.clear();
    pendingCaption_.clear();
    pendingProgress_.clear();
    pending_ = false;
}

void Win32Form::FormChanged(Change what) {
    if (!hwnd_) return;
    if (what == Change::Caption) {
        SetWindowTextW(hwnd_, win32::Widen(form_.Caption()).c_str());
    } else if (what == Change::Bounds) {
        SetWindowPos(hwnd_, nullptr, form_.Left(), form_.Top(), 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void Win32Form::ControlChanged(int index, Change what) {
    if (!hwnd_ || index < 0 || index >= static_cast<int>(controls_.size()) || !controls_[index]) return;
    switch (what) {
    case Change::Caption:
        // Under Wine SetWindowText costs about 0.1 ms even for the same text;
        // the copy loop changes labels and the size panel after every chunk,
        // so they catch up with the flushes.
        if (Row(index).kind == ControlKind::Label || Row(index).kind == ControlKind::Panel) {
            pendingCaption_[index] = 1;
            pending_ = true;
        } else {
            PushCaption(index);
        }
        break;
    case Change::Progress:
        // A themed progress bar repaints at once on every new position (about
        // 10 ms under Wine); positions are pushed with the flushes.
        pendingProgress_[index] = 1;
        pending_ = true;
        break;
    case Change::Visible: ApplyVisible(index); break;
    case Change::Enabled: ApplyEnabled(index); break;
    case Change::Bounds: ApplyBounds(index); break;
    case Change::Items: PushItems(index); break;
    case Change::ItemIndex:
        SendMessageW(controls_[index], CB_SETCURSEL, static_cast<WPARAM>(form_.StateOf(index).itemIndex), 0);
        break;
    }
}

void Win32Form::PullControl(int index) {
    if (!hwnd_ || index < 0 || index >= static_cast<int>(controls_.size()) || !controls_[index]) return;
    HWND control = controls_[index];
    ControlState& state = form_.StateOf(index);
    if (Row(index).kind == ControlKind::Edit) {
        const int length = GetWindowTextLengthW(control);
        std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
        const int got = GetWindowTextW(control, text.data(), length + 1);
        state.caption = win32::Narrow(text.c_str(), got);
    } else if (Row(index).kind == ControlKind::ComboList) {
        const LRESULT selected = SendMessageW(control, CB_GETCURSEL, 0, 0);
        state.itemIndex = selected == CB_ERR ? -1 : static_cast<int>(selected);
    }
}

void Win32Form::PushCaption(int row) {
    pendingCaption_[row] = 0;
    const ControlDef& def = Row(row);
    const std::wstring text = win32::Widen(form_.StateOf(row).caption);
    if (def.kind == ControlKind::StatusBar) {
        // Tabs in a status bar part: one centres the text, two right-align it.
        const std::wstring prefix = def.align == Align::Right ? L"\t\t" : def.align == Align::Center ? L"\t" : L"";
        SendMessageW(controls_[row], SB_SETTEXTW, 0, reinterpret_cast<LPARAM>((prefix + text).c_str()));
    } else if (def.kind != ControlKind::ComboList && def.kind != ControlKind::ProgressBar &&
               def.kind != ControlKind::Bevel) {
        SetWindowTextW(controls_[row], text.c_str());
    }
}

void Win32Form::PushProgress(int row) {
    pendingProgress_[row] = 0;
    const ControlState& state = form_.StateOf(row);
    HWND bar = controls_[row];
    const LRESULT low = SendMessageW(bar, PBM_GETRANGE, TRUE, 0);
    const LRESULT high = SendMessageW(bar, PBM_GETRANGE, FALSE, 0);
    if (low != state.min || high != state.max) SendMessageW(bar, PBM_SETRANGE32, state.min, state.max);
    SendMessageW(bar, PBM_SETPOS, static_cast<WPARAM>(state.position), 0);
}

void Win32Form::PushItems(int row) {
    const ControlState& state = form_.StateOf(row);
    HWND combo = controls_[row];
    const LRESULT count = SendMessageW(combo, CB_GETCOUNT, 0, 0);
    // AddItem reports each new item; append just that one.
    if (count >= 0 && static_cast<std::size_t>(count) + 1 == state.items.size()) {
        SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Widen(state.items.back()).c_str()));
    } else {
        SendMessageW(combo, CB_RESETCONTENT, 0, 0);
        for (const std::string& item : state.items)
            SendMessageW(combo, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(win32::Widen(item).c_str()));
    }
    SendMessageW(combo, CB_SETCURSEL, static_cast<WPARAM>(state.itemIndex), 0);
}

void Win32Form::MoveFocusFrom(HWND control) {
    if (GetFocus() != control) return;
    HWND next = GetNextDlgTabItem(hwnd_, control, FALSE);
    SetFocus(next && next != control ? next : hwnd_);
}

void Win32Form::ApplyVisible(int row) {
    HWND control = controls_[row];
    const bool visible = EffectiveVisible(row);
    if (!visible) MoveFocusFrom(control);
    ShowWindow(control, visible ? SW_SHOWNA : SW_HIDE);
    if (IsContainer(Row(row).kind))
        for (int i = 0; i < RowCount(); ++i)
            if (ParentRow(i) == row && controls_[i]) ApplyVisible(i);
}

void Win32Form::ApplyEnabled(int row) {
    HWND control = controls_[row];
    const bool enabled = EffectiveEnabled(row);
    if (!enabled) MoveFocusFrom(control);
    EnableWindow(control, enabled);
    if (IsContainer(Row(row).kind))
        for (int i = 0; i < RowCount(); ++i)
            if (ParentRow(i) == row && controls_[i]) ApplyEnabled(i);
}

void Win32Form::ApplyBounds(int row) {
    const ControlDef& def = Row(row);
    const ControlState& state = form_.StateOf(row);
    const POINT origin = Origin(row);
    int height = state.height;
    if (def.kind == ControlKind::ComboList) height += kComboItemHeight * kComboDropItems + 2;
    SetWindowPos(controls_[row], nullptr, origin.x + state.left, origin.y + state.top, state.width, height,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    if (IsContainer(def.kind))
        for (int i = 0; i < RowCount(); ++i)
            if (ParentRow(i) == row && controls_[i]) ApplyBounds(i);
}

void Win32Form::FlushPending() {
    if (!hwnd_) return;
    form_.DispatchFlush();
    if (!pending_) return;
    pending_ = false;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        if (pendingCaption_[i]) PushCaption(static_cast<int>(i));
        if (pendingProgress_[i]) PushProgress(static_cast<int>(i));
    }
}

void Win32Form::Show() {
    if (!hwnd_) return;
    FlushPending();
    ShowWindow(hwnd_, SW_SHOW);
    UpdateWindow(hwnd_);
}

void Win32Form::Hide() {
    if (hwnd_) ShowWindow(hwnd_, SW_HIDE);
}

void Win32Form::Repaint() {
    if (!hwnd_) return;
    FlushPending();
    RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN | RDW_UPDATENOW);
}

BOOL CALLBACK CollectEnabledWindow(HWND hwnd, LPARAM lParam) {
    auto* windows = reinterpret_cast<std::vector<HWND>*>(lParam);
    if (hwnd != windows->front() && IsWindowVisible(hwnd) && IsWindowEnabled(hwnd)) windows->push_back(hwnd);
    return TRUE;
}

void Win32Form::RunModal() {
    // The first entry is this form, which stays enabled.
    std::vector<HWND> disabled{hwnd_};
    EnumThreadWindows(GetCurrentThreadId(), CollectEnabledWindow, reinterpret_cast<LPARAM>(&disabled));
    for (std::size_t i = 1; i < disabled.size(); ++i) EnableWindow(disabled[i], FALSE);

    MSG msg;
    while (form_.ModalResultValue() == mrNone) {
        const BOOL got = GetMessageW(&msg, nullptr, 0, 0);
        if (got <= 0) {
            // The application is ending: leave WM_QUIT for the main loop.
            if (got == 0) PostQuitMessage(static_cast<int>(msg.wParam));
            form_.SetModalResult(mrCancel);
            break;
        }
        win32::DispatchOne(msg);
    }

    // Enable the others before this form hides, so activation returns to them.
    for (std::size_t i = 1; i < disabled.size(); ++i)
        if (IsWindow(disabled[i])) EnableWindow(disabled[i], TRUE);
    FlushPending();
}

bool Win32Form::PressFocusedButton() {
    const int row = RowOf(GetFocus());
    if (row < 0 || Row(row).kind != ControlKind::Button) return false;
    PostMessageW(hwnd_, WM_COMMAND, MAKEWPARAM(kFirstControlId + row, BN_CLICKED),
                 reinterpret_cast<LPARAM>(controls_[row]));
    return true;
}

void Win32Form::Click(int row) {
    for (Control* control : form_.Controls())
        if (control->Index() == row) {
            form_.DispatchClick(*control);  // may destroy this window
            return;
        }
}

void Win32Form::OnCommand(int id, int code, HWND control) {
    if (id == IDCANCEL && !control) {
        // Esc, sent by IsDialogMessage: the enabled, visible cancel button.
        for (int row = 0; row < RowCount(); ++row)
            if ((Row(row).flags & kCancelButton) && controls_[row] && IsWindowVisible(controls_[row]) &&
                IsWindowEnabled(controls_[row])) {
                Click(row);
                return;
            }
        return;
    }
    const int row = id - kFirstControlId;
    if (row < 0 || row >= static_cast<int>(controls_.size())) return;
    const ControlDef& def = Row(row);
    if (def.kind == ControlKind::Button && code == BN_CLICKED) {
        Click(row);
    } else if (def.kind == ControlKind::Edit && code == EN_SETFOCUS && (def.flags & kImeOpen)) {
        if (HIMC context = ImmGetContext(control)) {
            ImmSetOpenStatus(context, TRUE);
            ImmReleaseContext(control, context);
        }
    }
}

LRESULT Win32Form::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
    case WM_COMMAND:
        OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case DM_GETDEFID:
        return defaultId_ ? MAKELRESULT(defaultId_, DC_HASDEFID) : 0;
    case WM_CTLCOLORSTATIC: {
        const int row = RowOf(reinterpret_cast<HWND>(lParam));
        if (row >= 0 && Row(row).color != kDefaultColor) {
            HDC dc = reinterpret_cast<HDC>(wParam);
            SetTextColor(dc, Row(row).color);
            SetBkColor(dc, GetSysColor(COLOR_BTNFACE));
            return reinterpret_cast<LRESULT>(GetSysColorBrush(COLOR_BTNFACE));
        }
        break;
    }
    case WM_CLOSE:
        form_.Close();
        return 0;
    case WM_WINDOWPOSCHANGED:
        // The user drags the window by its title bar without the toolkit
        // knowing; a form centred over this one later must find it where it
        // is. A minimised window reports a parking place, not a position.
        if (!IsIconic(hwnd_)) {
            const RECT outer = OuterRect();
            form_.NoteMoved(outer.left, outer.top);
        }
        break;  // DefWindowProc goes on to send WM_MOVE and WM_SIZE
    case WM_SYSCOMMAND:
        // The forms are owned by the application window; minimising the
        // main form minimises that, so the task-bar button restores them all.
        if ((wParam & 0xFFF0) == SC_MINIMIZE && app::MainForm() == &form_ && win32::ApplicationWindow()) {
            win32::MinimizeApplication();
            return 0;
        }
        break;
    case WM_ACTIVATE:
        // A plain window loses its focused control when it is deactivated;
        // keep it, and give the first tab stop the focus on first activation.
        if (LOWORD(wParam) == WA_INACTIVE) {
            HWND focus = GetFocus();
            if (focus && IsChild(hwnd_, focus)) lastFocus_ = focus;
        } else if (!HIWORD(wParam)) {
            HWND focus = lastFocus_ && IsWindow(lastFocus_) && IsWindowVisible(lastFocus_) &&
                                 IsWindowEnabled(lastFocus_)
                             ? lastFocus_
                             : GetNextDlgTabItem(hwnd_, nullptr, FALSE);
            SetFocus(focus ? focus : hwnd_);
        }
        return 0;
    default:
        if (message >= kFirstFormMessage && message <= kLastFormMessage) {
            form_.DispatchPrivateMessage(static_cast<int>(message - WM_USER));
            return 0;
        }
        break;
    }
    return DefWindowProcW(hwnd_, message, wParam, lParam);
}

LRESULT CALLBACK Win32Form::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    auto* self = reinterpret_cast<Win32Form*>(GetWindowLongPtrW(hwnd, GWLP_USERDATA));
    if (message == WM_NCCREATE) {
        self = static_cast<Win32Form*>(reinterpret_cast<CREATESTRUCTW*>(lParam)->lpCreateParams);
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(self));
        self->hwnd_ = hwnd;
    }
    if (!self) return DefWindowProcW(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(hwnd, GWLP_USERDATA, 0);
        self->hwnd_ = nullptr;
        return DefWindowProcW(hwnd, message, wParam, lParam);
    }
    return self->Handle(message, wParam, lParam);
}

Win32Form* FindByWindow(HWND hwnd) {
    if (!hwnd) return nullptr;
    for (Win32Form* form : LiveForms())
        if (form->Window() == hwnd) return form;
    return nullptr;
}

}  // namespace

std::unique_ptr<FormImpl> CreateFormImpl(Form& form) { return std::make_unique<Win32Form>(form); }

namespace win32 {

HWND WindowOf(const Form* form) {
    if (!form) return nullptr;
    for (Win32Form* live : LiveForms())
        if (live->Owner() == form) return live->Window();
    return nullptr;
}

bool IsFormWindow(HWND hwnd) { return FindByWindow(hwnd) != nullptr; }

void FlushAllForms() {
    for (Win32Form* form : LiveForms()) form->FlushPending();
}

void DispatchOne(MSG& msg) {
    if (msg.hwnd) {
        HWND root = GetAncestor(msg.hwnd, GA_ROOT);
        if (Win32Form* form = FindByWindow(root)) {
            if (msg.message == WM_KEYDOWN && msg.wParam == VK_RETURN && form->PressFocusedButton()) return;
            if (IsDialogMessageW(root, &msg)) return;
        }
    }
    TranslateMessage(&msg);
    DispatchMessageW(&msg);
}

}  // namespace win32
}  // namespace platform
