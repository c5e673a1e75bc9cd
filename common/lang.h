// Language resources. Every user-visible text is a string-table id looked up first in
// the language module "ovl_lang.dll", then in the process executable, then in the
// module that loaded the language (the fallback).
#pragma once
#include <windows.h>
#include <tchar.h>

class CLanguage {
public:
    // Loads "<prefix>_lang.dll" by the normal library search, else from the directory of
    // `module`. Without a language module, texts come from `module` (or, without one, the
    // process executable). Fails only when no module can be found at all.
    bool Load(const TCHAR* prefix, HMODULE module);
    void Unload();

    // Copies the text of `id` into buf (capacity in characters). Returns its length;
    // an empty string when no module has the id.
    int Text(UINT id, TCHAR* buf, int capacity = 1024) const;

    // Formats the arguments into the text of `id` (at most 1024 characters).
    int Format(TCHAR* buf, int capacity, UINT id, ...) const;
    int FormatV(TCHAR* buf, int capacity, UINT id, va_list args) const;

    HMODULE LanguageModule() const { return language_; }

private:
    HMODULE language_ = nullptr;  // loaded by us, freed by Unload
    HMODULE fallback_ = nullptr;
};

extern CLanguage g_lang;

// Shorthands on the module's language.
inline int LoadText(UINT id, TCHAR* buf, int capacity = 1024) { return g_lang.Text(id, buf, capacity); }
// Formats into a shared module buffer (1023 characters); valid until the next call.
const TCHAR* FormatText(UINT id, ...);
