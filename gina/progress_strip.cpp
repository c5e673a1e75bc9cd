#include "progress_strip.h"

#include <algorithm>
#include <cstdlib>

CProgressStrip::CProgressStrip()
    : background(GetSysColor(COLOR_BTNFACE)),
      endColour(GetSysColor(COLOR_3DLIGHT)),
      middleColour(GetSysColor(COLOR_3DDKSHADOW))
{
}

void CProgressStrip::Attach(HWND control, COLORREF backgroundColour, int stepUnits, COLORREF end, COLORREF middle)
{
    m_control = control;
    background = backgroundColour;
    step = stepUnits > 0 ? stepUnits : 1;
    endColour = end;
    middleColour = middle;
}

void CProgressStrip::Advance()
{
    // A step of zero or less would freeze the strip; wider than the range is clamped anyway.
    if (step < 1) step = 1;
    if (direction == 0)
        AdvanceRight();
    else
        AdvanceLeft();
}

void CProgressStrip::AdvanceRight()
{
    if (head < range) {
        head = std::min(head + step, range);
        if (phase == 1 || head >= lead) tail = std::min(tail + step, range);
        return;
    }
    if (tail < range) {
        phase = 1;
        tail = std::min(tail + step, range);
        return;
    }
    phase = 0;
    if (!bounce) {
        head = 1;
        tail = 0;
        return;
    }
    head = std::max(range - step, 0);
    tail = range;
    direction = 1;
    std::swap(endColour, middleColour);
}

void CProgressStrip::AdvanceLeft()
{
    if (head > 0) {
        head = std::max(head - step, 0);
        if (phase == 1 || head <= range - lead) tail = std::max(tail - step, 0);
        return;
    }
    if (tail > 0) {
        phase = 1;
        tail = std::max(tail - step, 0);
        return;
    }
    phase = 0;
    head = std::min(step, range);
    tail = 0;
    direction = 0;
    std::swap(endColour, middleColour);
}

void CProgressStrip::Step()
{
    Advance();
    if (!m_control) return;
    // Posted-style so a busy dialog thread never blocks the caller.
    if (HWND dialog = GetParent(m_control)) SendNotifyMessageW(dialog, WM_PAINT, 0, 0);
}

namespace {
int Channel(COLORREF colour, int shift) { return int((colour >> shift) & 0xFF); }

void Fill(HDC dc, int left, int top, int right, int bottom, COLORREF colour)
{
    if (right <= left || bottom <= top) return;
    RECT rect = {left, top, right, bottom};
    HBRUSH brush = CreateSolidBrush(colour);
    if (!brush) return;
    FillRect(dc, &rect, brush);
    DeleteObject(brush);
}
}  // namespace

void CProgressStrip::Paint() const
{
    if (!m_control || !IsWindow(m_control) || range <= 0) return;
    RECT client;
    if (!GetClientRect(m_control, &client)) return;
    HDC dc = GetDC(m_control);
    if (!dc) return;
    const int width = client.right - client.left;
    const int a = client.left + MulDiv(width, std::min(head, tail), range);
    const int b = client.left + MulDiv(width, std::max(head, tail), range);
    Fill(dc, client.left, client.top, a, client.bottom, background);
    Fill(dc, b, client.top, client.right, client.bottom, background);

    int bands = 1;
    for (int shift : {0, 8, 16})
        bands = std::max(bands, std::abs(Channel(endColour, shift) - Channel(middleColour, shift)));
    const int bandWidth = b - a;
    for (int i = 0; i < bands && bandWidth > 0; ++i) {
        // Out from the end colour towards the middle colour over the first half, back over the second.
        const int k = i < bands / 2 ? i : bands - 1 - i;
        int rgb[3];
        for (int c = 0; c < 3; ++c) {
            const int from = Channel(endColour, c * 8), to = Channel(middleColour, c * 8);
            rgb[c] = from + (to - from) * k / bands;
        }
        const int left = a + MulDiv(bandWidth, i, bands);
        const int right = a + MulDiv(bandWidth, i + 1, bands);
        Fill(dc, left, client.top, right, client.bottom, RGB(rgb[0], rgb[1], rgb[2]));
    }
    ReleaseDC(m_control, dc);
}
