#include "dialog_template.h"

CDialogTemplate::CDialogTemplate(const wchar_t* caption, short width, short height)
{
    PutDword(DS_MODALFRAME | DS_CENTER | DS_SETFONT | WS_POPUP | WS_CAPTION | WS_SYSMENU);
    PutDword(0);        // extended style
    words_.push_back(0);  // item count, counted up by Add
    words_.push_back(0);
    words_.push_back(0);
    words_.push_back((WORD)width);
    words_.push_back((WORD)height);
    words_.push_back(0);  // no menu
    words_.push_back(0);  // the standard dialog class
    PutString(caption);
    words_.push_back(8);
    PutString(L"MS Shell Dlg");
}

void CDialogTemplate::Add(WORD id, WORD classAtom, DWORD style, short x, short y, short width, short height,
                          const wchar_t* text)
{
    AlignDword();
    PutDword(style | WS_CHILD | WS_VISIBLE);
    PutDword(0);
    words_.push_back((WORD)x);
    words_.push_back((WORD)y);
    words_.push_back((WORD)width);
    words_.push_back((WORD)height);
    words_.push_back(id);
    words_.push_back(0xFFFF);
    words_.push_back(classAtom);
    PutString(text);
    words_.push_back(0);  // no creation data
    ++words_[4];          // DLGTEMPLATE::cdit
}

void CDialogTemplate::PutDword(DWORD value)
{
    words_.push_back(LOWORD(value));
    words_.push_back(HIWORD(value));
}

void CDialogTemplate::PutString(const wchar_t* text)
{
    for (; *text; ++text) words_.push_back((WORD)*text);
    words_.push_back(0);
}

void CDialogTemplate::AlignDword()
{
    if (words_.size() % 2) words_.push_back(0);
}
