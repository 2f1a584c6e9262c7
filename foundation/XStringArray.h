// XStringArray manages an array of heap XString objects that it owns.
#pragma once

#include "foundation/XPtrArray.h"
#include "foundation/XString.h"

// Entries are null or XString* made by InsertAt; RemoveAll and destruction delete them.
class XStringArray : public XPtrArray {
public:
    XStringArray() {}
    ~XStringArray();

    // Inserts a new copy of text as XPtrArray::InsertAt places an entry.
    void InsertAt(int index, const wchar_t* text);
    void RemoveAll();
};
