// The window helpers every GINA window uses, on real windows.
#include <gtest/gtest.h>

#include "window_util.h"

TEST(WindowUtil, CentredHorizontallyAndAThirdFromTheTop)
{
    struct Case { int W, H, w, h, x, y; } cases[] = {
        {1024, 768, 400, 300, 312, 156}, {800, 600, 800, 600, 0, 0}, {640, 480, 700, 500, -30, -6},
    };
    for (const Case& c : cases) {
        const POINT p = CenteredOrigin(c.W, c.H, c.w, c.h);
        EXPECT_EQ(c.x, p.x);
        EXPECT_EQ(c.y, p.y);
    }
}

TEST(WindowUtil, CentresTopLevelOnScreenAndChildInParent)
{
    HWND top = CreateWindowExW(0, L"STATIC", L"top", WS_POPUP | WS_VISIBLE, 5, 5, 300, 120, nullptr, nullptr,
                               nullptr, nullptr);
    ASSERT_NE(nullptr, top);
    CenterWindow(top);
    RECT r;
    GetWindowRect(top, &r);
    EXPECT_EQ((GetSystemMetrics(SM_CXSCREEN) - 300) / 2, r.left);
    EXPECT_EQ((GetSystemMetrics(SM_CYSCREEN) - 120) / 3, r.top);

    HWND parent = CreateWindowExW(0, L"STATIC", L"parent", WS_POPUP | WS_VISIBLE, 0, 0, 500, 400, nullptr,
                                  nullptr, nullptr, nullptr);
    HWND child = CreateWindowExW(0, L"STATIC", L"child", WS_CHILD | WS_VISIBLE, 1, 1, 100, 40, parent, nullptr,
                                 nullptr, nullptr);
    RECT client;
    GetClientRect(parent, &client);
    CenterWindow(child);
    GetWindowRect(child, &r);
    POINT origin = {r.left, r.top};
    ScreenToClient(parent, &origin);
    EXPECT_EQ((client.right - 100) / 2, origin.x);
    EXPECT_EQ((client.bottom - 40) / 3, origin.y);
    DestroyWindow(parent);
    DestroyWindow(top);
}

TEST(WindowUtil, EnableAndShowZeroTerminatedIdLists)
{
    HWND parent = CreateWindowExW(0, L"STATIC", L"p", WS_POPUP, 0, 0, 200, 200, nullptr, nullptr, nullptr, nullptr);
    for (int id : {10, 11, 12})
        CreateWindowExW(0, L"BUTTON", L"b", WS_CHILD | WS_VISIBLE, 0, 0, 10, 10, parent,
                        reinterpret_cast<HMENU>(INT_PTR(id)), nullptr, nullptr);
    const int some[] = {10, 12, 99, 0, 11};  // 99 does not exist; 11 is past the end
    EnableControls(parent, some, FALSE);
    ShowControls(parent, some, FALSE);
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(parent, 10)));
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(parent, 11)));
    EXPECT_FALSE(IsWindowEnabled(GetDlgItem(parent, 12)));
    EXPECT_EQ(0, GetWindowLongW(GetDlgItem(parent, 12), GWL_STYLE) & WS_VISIBLE);
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(parent, 11), GWL_STYLE) & WS_VISIBLE);
    EnableControls(parent, some, TRUE);
    ShowControls(parent, some, TRUE);
    EXPECT_TRUE(IsWindowEnabled(GetDlgItem(parent, 10)));
    EXPECT_NE(0, GetWindowLongW(GetDlgItem(parent, 12), GWL_STYLE) & WS_VISIBLE);
    DestroyWindow(parent);
}
