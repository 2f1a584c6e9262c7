// The timers that one window has started: their ids and values, kept in start order.
#pragma once

#include "foundation/XPtrArray.h"
#include "foundation/XStringArray.h"

struct XTimerRecord {
    unsigned int m_id;      // as SetTimer returned it
    unsigned int m_value;   // passed to OnTimer with each tick
};

class XTimerList {
public:
    XTimerList();
    ~XTimerList();
    XTimerList(const XTimerList&) = delete;
    XTimerList& operator=(const XTimerList&) = delete;

    // Appends a record whose fields the caller fills, with an empty text beside it.
    XTimerRecord* AddRecord();
    // Deletes every record and text; the arrays are left with no storage.
    void Clear();

    int GetCount() const { return m_records.GetCount(); }
    XTimerRecord* GetAt(int index) const { return static_cast<XTimerRecord*>(m_records.GetAt(index)); }

    XPtrArray m_records;        // owns its XTimerRecord entries
    XStringArray m_texts;       // one text per record, same index
    XTimerRecord* m_current;    // the record last visited or added
};
