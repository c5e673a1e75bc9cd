// Builds a dialog template in memory, for the fixture's WlxDialogBoxIndirect* dialogs.
#pragma once
#include <windows.h>

#include <vector>

class CDialogTemplate {
public:
    CDialogTemplate(const wchar_t* caption, short width, short height);
    // Predefined classes by atom: 0x0080 button, 0x0081 edit, 0x0082 static.
    void Add(WORD id, WORD classAtom, DWORD style, short x, short y, short width, short height, const wchar_t* text);
    LPCDLGTEMPLATE Get() const { return reinterpret_cast<LPCDLGTEMPLATE>(words_.data()); }

    static const WORD kButton = 0x0080, kEdit = 0x0081, kStatic = 0x0082;

private:
    void PutDword(DWORD value);
    void PutString(const wchar_t* text);
    void AlignDword();
    std::vector<WORD> words_;  // WORD storage keeps the template WORD-aligned
};
