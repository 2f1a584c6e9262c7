#include "framework/XTimerList.h"

XTimerList::XTimerList() : m_current(nullptr) {}

XTimerList::~XTimerList()
{
    Clear();
    m_texts.RemoveAll();
    m_records.RemoveAll();
}

XTimerRecord* XTimerList::AddRecord()
{
    const int index = m_records.GetCount();
    m_current = new XTimerRecord;
    m_records.Add(m_current);
    m_texts.InsertAt(index, L"");
    return m_current;
}

void XTimerList::Clear()
{
    for (int i = 0; i < m_records.GetCount(); ++i)
        delete static_cast<XTimerRecord*>(m_records.GetAt(i));
    m_records.RemoveAll();
    m_texts.RemoveAll();
    m_current = nullptr;
}
