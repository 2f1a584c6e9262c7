// Registry access reads string values through keys opened with the create-or-open call.
#pragma once

#include <windows.h>

#include <cstdint>

#include "foundation/XString.h"

// Root key used when a caller gives none; null for the whole life of the process, so an open
// with a path but no root fails in the platform call. The key path used when a caller gives
// none is regBasePath (services/XProcessObjects.h), which stays empty.
extern HKEY regDefaultRoot;

// Opens (or creates, when the rights allow it) `path` under `root`; a null path means
// regBasePath, a null root regDefaultRoot. An empty path gives null without a platform call.
// The caller closes a non-null key (XRegKey does).
HKEY XRegOpenKey(REGSAM access, HKEY root, const wchar_t* path);

// Copies a REG_SZ or REG_EXPAND_SZ value as stored (not expanded, no terminator added) into
// `buffer`. On any failure the whole buffer is zero-filled. `failed`, when given, receives 1 on
// failure and 0 on success. A null name reads the key's default value.
void XRegReadValue(HKEY root, const wchar_t* path, const wchar_t* name, void* buffer,
                   uint32_t size, unsigned char* failed);

// The text of a REG_SZ or REG_EXPAND_SZ value, terminated even when stored without its
// terminator; empty on any failure.
XString XRegReadString(const wchar_t* name, HKEY root, const wchar_t* path);

// Opens the keys the two readers read. The readers above use this one; tests derive from it to
// watch how often a reader opens its key.
class XRegKeyOpener {
public:
    virtual ~XRegKeyOpener() = default;
    virtual HKEY Open(REGSAM access, HKEY root, const wchar_t* path);
};

void XRegReadValue(HKEY root, const wchar_t* path, const wchar_t* name, void* buffer,
                   uint32_t size, unsigned char* failed, XRegKeyOpener& opener);
XString XRegReadString(const wchar_t* name, HKEY root, const wchar_t* path,
                       XRegKeyOpener& opener);
