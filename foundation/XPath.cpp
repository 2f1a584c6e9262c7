#include "foundation/XPath.h"

void StripTrailingBackslashes(XString& path)
{
    while (path.GetAt(XSTR_LAST) == L'\\') {
        int length = path.GetCount() - 1;
        path.Erase(length, length);
    }
}

int GetRootLength(const XString& path)
{
    // From position 3 the search passes over a drive letter and colon, or the two backslashes
    // of a network path; from 7 it also passes over the \\?\ long-path prefix.
    int r = path.Find(L"\\", 3);
    if (path.GetCount() - 1 >= 4 && path.GetAt(1) == L'\\' && path.GetAt(2) == L'\\'
        && path.GetAt(3) == L'?' && path.GetAt(4) == L'\\')
        r = path.Find(L"\\", 7);
    return r + 1;
}

XString SplitLastComponent(XString& path)
{
    XString result;
    int root = GetRootLength(path) - 1;
    if (root == 0 || path.GetCount() - 1 <= root)
        return result;
    StripTrailingBackslashes(path);
    int length = path.GetCount() - 1;
    int p = length;
    while (p >= 1 && path.GetAt(p) != L'\\')
        --p;
    if (p == 0)
        return result;
    result = path.Right(length - p);
    path.Erase(p + 1, length);
    return result;
}
