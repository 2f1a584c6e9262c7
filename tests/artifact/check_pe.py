#!/usr/bin/env python3
"""Checks that a built JobDialog.exe is what Windows XP can load: a GUI image of the right kind
(PE32 for x86, PE32+ for x64) that asks for subsystem 5.01 (x86) or 5.02 (x64), imports only
from DLLs that XP ships and none of the kernel32 functions that came after XP, and carries the
Common-Controls 6.0.0.0 manifest for its own architecture as resource 1 of type 24.

Usage: check_pe.py x86|amd64 FILE.exe   (exit status 0 when every check passes)
With --self-test before the arguments it first checks that each check catches a fault planted
in a copy of FILE.exe held in memory (a later subsystem version, a console subsystem, a DLL XP
lacks, a post-XP kernel32 import, another execution level), then checks FILE.exe itself.
Reads the file with struct only, so it needs nothing beyond Python 3.
"""
import struct
import sys
import xml.etree.ElementTree as ET

# DLLs that Windows XP (x86 and x64 editions) ships in its system folder. gdiplus.dll is not
# among them: XP keeps it only in the side-by-side store, where a plain import cannot reach it.
XP_DLLS = {
    "kernel32.dll", "user32.dll", "gdi32.dll", "comctl32.dll", "comdlg32.dll", "shell32.dll",
    "shlwapi.dll", "advapi32.dll", "ws2_32.dll", "wsock32.dll", "msvcrt.dll",
    "ole32.dll", "oleaut32.dll", "uxtheme.dll", "version.dll", "winmm.dll", "rpcrt4.dll",
    "secur32.dll", "crypt32.dll", "imm32.dll", "ntdll.dll", "msimg32.dll", "mpr.dll",
    "netapi32.dll", "psapi.dll", "setupapi.dll", "shfolder.dll", "winspool.drv", "wininet.dll",
    "urlmon.dll", "iphlpapi.dll", "userenv.dll", "dbghelp.dll", "oledlg.dll", "imagehlp.dll",
}

# kernel32 exports that first appeared in Vista or later; an import of any of them makes the
# loader refuse the program on XP ("entry point not found").
POST_XP_KERNEL32 = {
    "GetTickCount64", "InitializeSRWLock", "AcquireSRWLockExclusive", "AcquireSRWLockShared",
    "ReleaseSRWLockExclusive", "ReleaseSRWLockShared", "TryAcquireSRWLockExclusive",
    "TryAcquireSRWLockShared", "InitializeConditionVariable", "SleepConditionVariableCS",
    "SleepConditionVariableSRW", "WakeConditionVariable", "WakeAllConditionVariable",
    "InitOnceExecuteOnce", "InitOnceInitialize", "InitOnceBeginInitialize", "InitOnceComplete",
    "FlsAlloc", "FlsFree", "FlsGetValue", "FlsSetValue", "GetFileInformationByHandleEx",
    "SetFileInformationByHandle", "CreateSymbolicLinkW", "CreateSymbolicLinkA",
    "GetFinalPathNameByHandleW", "GetFinalPathNameByHandleA", "CompareStringEx",
    "LCMapStringEx", "GetLocaleInfoEx", "GetUserDefaultLocaleName", "LocaleNameToLCID",
    "LCIDToLocaleName", "IsValidLocaleName", "EnumSystemLocalesEx", "GetDateFormatEx",
    "GetTimeFormatEx", "GetCurrentProcessorNumber", "GetLogicalProcessorInformationEx",
    "CreateEventExW", "CreateMutexExW", "CreateSemaphoreExW", "CreateWaitableTimerExW",
    "InitializeCriticalSectionEx", "QueryFullProcessImageNameW", "GetProductInfo",
    "CancelIoEx", "CancelSynchronousIo", "GetQueuedCompletionStatusEx",
    "SetFileCompletionNotificationModes", "CreateThreadpoolWork", "SubmitThreadpoolWork",
    "CloseThreadpoolWork", "WaitForThreadpoolWorkCallbacks", "CreateThreadpoolTimer",
    "SetThreadpoolTimer", "GetErrorMode", "SetThreadErrorMode", "GetSystemTimePreciseAsFileTime",
    "SetDefaultDllDirectories", "AddDllDirectory", "GetDynamicTimeZoneInformation",
    "InterlockedCompareExchange64", "K32GetProcessMemoryInfo", "K32EnumProcessModules",
    "GetNamedPipeClientProcessId", "RaiseFailFastException", "WerRegisterRuntimeExceptionModule",
}

IMAGE_FILE_MACHINE = {"x86": 0x014C, "amd64": 0x8664}
OPTIONAL_MAGIC = {"x86": 0x10B, "amd64": 0x20B}
SUBSYSTEM_VERSION = {"x86": (5, 1), "amd64": (5, 2)}
RT_MANIFEST = 24
IMAGE_SUBSYSTEM_WINDOWS_GUI = 2


class PE:
    def __init__(self, data):
        self.data = d = data
        if d[:2] != b"MZ":
            raise ValueError("no MZ header")
        pe = struct.unpack_from("<I", d, 0x3C)[0]
        if d[pe:pe + 4] != b"PE\0\0":
            raise ValueError("no PE signature")
        (self.machine, sections, _, _, _, optional_size, self.characteristics) = \
            struct.unpack_from("<HHIIIHH", d, pe + 4)
        opt = pe + 24
        self.magic = struct.unpack_from("<H", d, opt)[0]
        (self.os_version, self.image_version, self.subsystem_version) = (
            struct.unpack_from("<HH", d, opt + 40),
            struct.unpack_from("<HH", d, opt + 44),
            struct.unpack_from("<HH", d, opt + 48))
        self.subsystem = struct.unpack_from("<H", d, opt + 68)[0]
        self.ptr_size = 8 if self.magic == 0x20B else 4
        dirs = opt + (112 if self.magic == 0x20B else 96)
        count = struct.unpack_from("<I", d, dirs - 4)[0]
        self.directories = [struct.unpack_from("<II", d, dirs + 8 * i) for i in range(count)]
        self.sections = []
        table = opt + optional_size
        for i in range(sections):
            (vsize, rva, raw_size, raw_ptr) = struct.unpack_from("<IIII", d, table + 40 * i + 8)
            self.sections.append((rva, max(vsize, raw_size), raw_ptr, raw_size))

    def offset(self, rva):
        for (start, size, raw_ptr, raw_size) in self.sections:
            if start <= rva < start + size:
                if rva - start >= raw_size:
                    raise ValueError("RVA 0x%x lies in uninitialised data" % rva)
                return raw_ptr + rva - start
        raise ValueError("RVA 0x%x is in no section" % rva)

    def cstring(self, rva):
        start = self.offset(rva)
        end = self.data.index(b"\0", start)
        return self.data[start:end].decode("latin-1")

    def imports(self):
        """{dll name: [function name or '#ordinal']} from the import directory."""
        result = {}
        rva, size = self.directories[1] if len(self.directories) > 1 else (0, 0)
        if rva == 0:
            return result
        at = self.offset(rva)
        thunk_format, ordinal_flag = ("<Q", 1 << 63) if self.ptr_size == 8 else ("<I", 1 << 31)
        while True:
            (lookup, _, _, name, first_thunk) = struct.unpack_from("<IIIII", self.data, at)
            if name == 0 and first_thunk == 0:
                break
            functions = []
            thunk = self.offset(lookup or first_thunk)
            while True:
                value = struct.unpack_from(thunk_format, self.data, thunk)[0]
                if value == 0:
                    break
                if value & ordinal_flag:
                    functions.append("#%d" % (value & 0xFFFF))
                else:
                    functions.append(self.cstring((value & 0x7FFFFFFF) + 2))
                thunk += self.ptr_size
            result[self.cstring(name)] = functions
            at += 20
        return result

    def resource(self, type_id, name_id):
        """The data of the first language of resource (type_id, name_id), or None."""
        rva, size = self.directories[2] if len(self.directories) > 2 else (0, 0)
        if rva == 0:
            return None
        base = self.offset(rva)

        def entries(directory):
            named, ids = struct.unpack_from("<HH", self.data, directory + 12)
            for i in range(named + ids):
                yield struct.unpack_from("<II", self.data, directory + 16 + 8 * i)

        def child(directory, wanted):
            for (name, target) in entries(directory):
                if wanted is None or (not name & 0x80000000 and name == wanted):
                    return target
            return None

        level = base
        for wanted in (type_id, name_id, None):
            target = child(level, wanted)
            if target is None:
                return None
            if wanted is not None and not target & 0x80000000:
                return None
            level = base + (target & 0x7FFFFFFF)
        data_rva, data_size = struct.unpack_from("<II", self.data, level)
        start = self.offset(data_rva)
        return self.data[start:start + data_size]


def check_manifest(xml_bytes, arch, fail):
    ns = {"a": "urn:schemas-microsoft-com:asm.v1", "v3": "urn:schemas-microsoft-com:asm.v3"}
    try:
        root = ET.fromstring(xml_bytes.lstrip(b"\xef\xbb\xbf"))
    except ET.ParseError as e:
        fail("manifest is not well-formed XML: %s" % e)
        return
    own = root.find("a:assemblyIdentity", ns)
    if own is None or own.get("processorArchitecture", "").lower() != arch:
        fail("manifest's own assemblyIdentity does not name processorArchitecture %s" % arch)
    controls = [a for a in root.iterfind(".//a:dependentAssembly/a:assemblyIdentity", ns)
                if a.get("name") == "Microsoft.Windows.Common-Controls"]
    if not controls:
        fail("manifest has no dependency on Microsoft.Windows.Common-Controls")
    for a in controls:
        if a.get("version") != "6.0.0.0":
            fail("Common-Controls version is %r, not 6.0.0.0" % a.get("version"))
        if (a.get("processorArchitecture") or "").lower() != arch:
            fail("Common-Controls processorArchitecture is %r, not %s"
                 % (a.get("processorArchitecture"), arch))
        if (a.get("publicKeyToken") or "").lower() != "6595b64144ccf1df":
            fail("Common-Controls publicKeyToken is %r" % a.get("publicKeyToken"))
    levels = [e.get("level") for e in root.iter()
              if e.tag.endswith("}requestedExecutionLevel")]
    if levels != ["asInvoker"]:
        fail("requestedExecutionLevel is %r, not asInvoker" % levels)


def check(arch, data):
    problems = []
    fail = problems.append
    try:
        pe = PE(data)
    except (ValueError, struct.error) as e:
        return ["cannot read it as a PE image: %s" % e], ""
    if pe.machine != IMAGE_FILE_MACHINE[arch]:
        fail("machine is 0x%04x, not 0x%04x" % (pe.machine, IMAGE_FILE_MACHINE[arch]))
    if pe.magic != OPTIONAL_MAGIC[arch]:
        fail("optional header magic is 0x%x (%s expected)"
             % (pe.magic, "PE32+" if arch == "amd64" else "PE32"))
    if pe.subsystem != IMAGE_SUBSYSTEM_WINDOWS_GUI:
        fail("subsystem is %d, not 2 (Windows GUI)" % pe.subsystem)
    if pe.subsystem_version != SUBSYSTEM_VERSION[arch]:
        fail("subsystem version is %d.%02d, not %d.%02d" % (pe.subsystem_version + SUBSYSTEM_VERSION[arch]))
    if pe.os_version[0] > 5:
        fail("operating system version is %d.%02d, above XP" % pe.os_version)

    try:
        imports = pe.imports()
    except (ValueError, struct.error) as e:
        fail("import directory unreadable: %s" % e)
        imports = {}
    if not imports:
        fail("no imports found")
    for dll, functions in sorted(imports.items()):
        if dll.lower() not in XP_DLLS:
            fail("imports from %s, which Windows XP does not have" % dll)
        if dll.lower() == "kernel32.dll":
            for name in sorted(set(functions) & POST_XP_KERNEL32):
                fail("imports %s from kernel32, which XP's kernel32 lacks" % name)

    try:
        manifest = pe.resource(RT_MANIFEST, 1)
    except (ValueError, struct.error) as e:
        fail("resource directory unreadable: %s" % e)
        manifest = None
    if manifest is None:
        fail("no manifest (resource 1 of type 24)")
    else:
        check_manifest(manifest, arch, fail)

    summary = ", ".join("%s (%d)" % (dll, len(f)) for dll, f in sorted(imports.items()))
    return problems, summary


def planted_faults(arch, data):
    """Copies of a good image, each with one fault, and the words its report must contain.
    Names are replaced in place by names no longer than they are, so no offset moves."""
    pe = PE(data)
    opt = struct.unpack_from("<I", data, 0x3C)[0] + 24

    def patched(at, new):
        return data[:at] + new + data[at + len(new):]

    def renamed(old, new):
        at = data.find(old)
        return None if at < 0 else patched(at, new.ljust(len(old), b"\0"))

    kernel32 = [f for dll, fs in pe.imports().items() if dll.lower() == "kernel32.dll" for f in fs]
    long_name = next((f for f in kernel32 if len(f) >= len("GetTickCount64")), None)
    msvcrt = next((dll for dll in pe.imports() if dll.lower() == "msvcrt.dll"), None)
    return [
        (patched(opt + 48, struct.pack("<HH", 6, 0)), "subsystem version is 6.00"),
        (patched(opt + 68, struct.pack("<H", 3)), "subsystem is 3"),
        (renamed(b"\0" + msvcrt.encode() + b"\0", b"\0bcrypt.dll") if msvcrt else None,
         "bcrypt.dll, which Windows XP does not have"),
        (renamed(b"\0" + long_name.encode() + b"\0", b"\0GetTickCount64") if long_name else None,
         "imports GetTickCount64 from kernel32"),
        (renamed(b'level="asInvoker"', b'leveX="asInvoker"'), "requestedExecutionLevel"),
        (renamed(b'version="6.0.0.0"', b'version="5.8.0.0"'), "Common-Controls version"),
    ]


def self_test(arch, data):
    """Problems with the checker itself: planted faults that it does not report."""
    missed = []
    for (bad, expected) in planted_faults(arch, data):
        if bad is None:
            missed.append("could not plant the fault for %r" % expected)
            continue
        problems, _ = check(arch, bad)
        if not any(expected in p for p in problems):
            missed.append("self-test: planted fault not reported: %r (got %r)" % (expected, problems))
    return missed


def main(argv):
    testing = len(argv) > 1 and argv[1] == "--self-test"
    if testing:
        argv = argv[:1] + argv[2:]
    if len(argv) != 3 or argv[1] not in IMAGE_FILE_MACHINE:
        print(__doc__.strip(), file=sys.stderr)
        return 2
    arch, path = argv[1], argv[2]
    try:
        with open(path, "rb") as f:
            data = f.read()
    except OSError as e:
        print("%s: %s" % (path, e))
        return 1
    problems, summary = check(arch, data)
    if testing and not problems:
        problems = self_test(arch, data)
    for p in problems:
        print("%s: %s" % (path, p))
    if not problems:
        print("%s: %s image for XP, imports %s" % (path, arch, summary))
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main(sys.argv))
