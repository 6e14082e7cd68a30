// Searching a directory's entries by name. Any thread.
#pragma once

// True when `mask` (a directory, a separator and a name pattern in which '*' stands for any
// run of characters and '?' for one) matches at least one entry of that directory, of any kind.
// Letters match either case, as on the file systems removable media carry. False when nothing
// matches or the directory cannot be read.
bool FindFirstMatch(const wchar_t* mask);
