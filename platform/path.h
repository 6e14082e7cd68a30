// How paths are spelled on this platform.
#pragma once

inline constexpr wchar_t kPathSeparator = L'/';
inline constexpr const wchar_t* kPathSeparatorText = L"/";
