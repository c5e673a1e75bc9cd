// The busy strip: a band that runs across a static control, drawn by hand so it needs
// no common controls (the status window and the password-change window use it).
#pragma once
#include <windows.h>

class CProgressStrip {
public:
    static const int kRange = 100;  // positions run from 0 to kRange
    static const int kLead = 40;    // the head runs this far ahead before the tail follows

    CProgressStrip();

    // Draws on `control`; each Step repaints through the dialog that holds it.
    void Attach(HWND control, COLORREF background, int step, COLORREF endColour, COLORREF middleColour);
    void Detach() { m_control = nullptr; }

    // One animation step: Advance, then WM_PAINT to the control's dialog.
    void Step();
    // The arithmetic of one step, without a window.
    void Advance();
    void Paint() const;

    int range = kRange;
    int lead = kLead;
    int step = 1;
    int head = 0;
    int tail = 0;
    int phase = 0;      // 0: the head runs, 1: the tail catches up
    int direction = 0;  // 0: left to right, 1: right to left
    int bounce = 0;     // 0: restart at the left, 1: run back
    COLORREF background;
    COLORREF endColour;
    COLORREF middleColour;

private:
    void AdvanceRight();
    void AdvanceLeft();
    HWND m_control = nullptr;
};
