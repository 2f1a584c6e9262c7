// Path helpers trim, measure and split Windows paths held in an XString.
#pragma once

#include "foundation/XString.h"

// The backslash is the only separator; positions and counts are those of XString.

// Removes every backslash at the end of path, a root's own backslash included (C:\ becomes C:).
void StripTrailingBackslashes(XString& path);

// The count of the root prefix, terminator included (4 for C:\...); 1 when path has no root.
int GetRootLength(const XString& path);

// Cuts the last component off path, which keeps the backslash in front of it, and returns it;
// the empty string when there is nothing to split.
XString SplitLastComponent(XString& path);
