// The copy form's size panel as Windows draws it: its text measured in the
// panel's own font against the panel's client area.
#include <windows.h>

#include <cstdint>
#include <string>

#include <gtest/gtest.h>

#include "install/instcopyfile.h"
#include "install/transaction.h"
#include "platform/app.h"
#include "shell/instconfig.h"

namespace {

constexpr int kPanelRow = 8;  // pnlSize in the copy form's table

// Width of the panel's text in its font, and of its client area.
struct Measure {
    std::wstring text;
    int textWidth, clientWidth;
};

Measure MeasurePanel(HWND panel) {
    wchar_t buffer[256] = {};
    GetWindowTextW(panel, buffer, 256);
    const std::wstring text = buffer;
    HDC dc = GetDC(panel);
    const HGDIOBJ old = SelectObject(dc, reinterpret_cast<HFONT>(SendMessageW(panel, WM_GETFONT, 0, 0)));
    SIZE extent{};
    GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &extent);
    SelectObject(dc, old);
    ReleaseDC(panel, dc);
    RECT client;
    GetClientRect(panel, &client);
    return Measure{text, static_cast<int>(extent.cx), static_cast<int>(client.right)};
}

// Remaining sizes up to 4 GB and free space up to 16 TB show whole; small
// ones keep the panel's MB text. In the rows of 300 GB and 1023 GB free, the
// text with only the free space raised is a pixel too wide for the client
// area under Wine's Gothic, though not for the panel's outer width.
TEST(Win32CopyForm, SizePanelShowsBothFiguresWhole) {
    InstConfig.InstPath.clear();
    platform::Form over(kCopyFileForm);
    BoxReporter boxes;
    Installation installation(*platform::WinPath::Parse("C:\\"));
    TfrmCopyFile form(over, installation, boxes);
    form.Create();
    HWND window = FindWindowW(L"TfrmCopyFile", nullptr);
    ASSERT_NE(window, nullptr);
    HWND panel = GetDlgItem(window, 100 + kPanelRow);
    ASSERT_NE(panel, nullptr);
    const std::uint64_t mib = 1 << 20;
    const struct {
        std::uint64_t remain, free;
        bool inMiB;
    } rows[] = {
        {10 * mib, 500 * mib, true},
        {4096 * mib, 300 * 1024 * mib, false},
        {999 * mib, 1023 * 1024 * mib, false},
        {4096 * mib, 16 * 1024 * 1024 * mib, false},
    };
    for (const auto& row : rows) {
        InstConfig.RemainInstSize = row.remain;
        InstConfig.DiskFreeSize = static_cast<long double>(row.free);
        form.ShowSizes();
        platform::app::FlushUpdates();
        const Measure m = MeasurePanel(panel);
        SCOPED_TRACE(std::to_string(row.remain) + " " + std::to_string(row.free) + ": " +
                     std::to_string(m.textWidth) + " of " + std::to_string(m.clientWidth) + " px");
        EXPECT_LE(m.textWidth, m.clientWidth);
        if (row.inMiB) {
            EXPECT_EQ(m.text.find(L"GB"), std::wstring::npos);
        }
    }
    form.Destroy();
}

}  // namespace
