// ImportPatch points one entry of this program's import table at a replacement for as long as
// it lives, so a benchmark can count the calls that the program's own code makes to a DLL.
#pragma once

#include <windows.h>

// Only calls from this .exe (the framework is linked in statically) pass the replacement; the
// platform's DLLs keep their own imports. Valid() is false when the program does not import the
// function, and then nothing is patched.
class ImportPatch {
public:
    ImportPatch(const char* dll, const char* function, void* replacement);
    ~ImportPatch();
    ImportPatch(const ImportPatch&) = delete;
    ImportPatch& operator=(const ImportPatch&) = delete;

    bool Valid() const { return m_slot != nullptr; }
    // What the entry pointed at before: the real function.
    void* Original() const { return m_original; }

private:
    void Write(void* value);

    void** m_slot;
    void* m_original;
};
