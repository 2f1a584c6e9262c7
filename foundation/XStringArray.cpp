#include "foundation/XStringArray.h"

#include <memory>

XStringArray::~XStringArray()
{
    RemoveAll();
}

void XStringArray::InsertAt(int index, const wchar_t* text)
{
    // Held until the array has taken it, so a failing growth does not leak the string.
    std::unique_ptr<XString> string(new XString(text));
    XPtrArray::InsertAt(index, string.get());
    string.release();
}

void XStringArray::RemoveAll()
{
    for (int i = 0; i < m_count; ++i)
        delete static_cast<XString*>(m_data[i]);
    XPtrArray::RemoveAll();
}
