#pragma once
// The code pages the system asks for, read from the user's locale.

inline constexpr unsigned kCodePageSimplifiedChinese = 936;

// 936 (Simplified Chinese) when the locale that governs messages (LC_ALL, else LC_MESSAGES,
// else LANG; an empty variable counts as unset) names zh_CN or zh_SG, else 437.
unsigned GetOEMCP();
unsigned OemCodePageForLocale(const char* lcAll, const char* lcMessages, const char* lang);
