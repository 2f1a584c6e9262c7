// Runs each foundation operation and its standard-library counterpart a fixed number of times,
// each batch between callgrind's zero and dump requests, so that `valgrind --tool=callgrind`
// writes one dump per batch named "<side> <op> <times>"; scripts/bench divides the dump's
// instruction count by the times. Outside valgrind the requests do nothing.
#include <valgrind/callgrind.h>

#include <string>
#include <vector>

#include "bench/host/FoundationWorkload.h"
#include "foundation/XPtrArray.h"
#include "foundation/XString.h"

namespace {

// Keeps a result alive so the compiler cannot drop the work that made it.
template <typename T>
void Keep(const T& value)
{
    asm volatile("" : : "g"(&value) : "memory");
}

template <typename Work>
void Batch(const char* name, Work work)
{
    CALLGRIND_ZERO_STATS;
    work();
    CALLGRIND_DUMP_STATS_AT(name);
}

} // namespace

int main()
{
    const std::u16string longText = workload::LongText16();
    const std::u16string haystack16 = workload::Haystack16();
    const XString haystack(workload::AsWide(haystack16));
    const wchar_t* needle = workload::AsWide(workload::Needle16());
    const wchar_t* piece = workload::AsWide(workload::Piece16());
    const XString longX(workload::AsWide(longText));
    std::u16string appendedStd;
    XString appendedX;

    Batch("X construct_15_units 1000", [] {
        for (int i = 0; i < 1000; ++i) {
            XString s(workload::ShortText());
            Keep(s);
        }
    });
    Batch("std construct_15_units 1000", [] {
        for (int i = 0; i < 1000; ++i) {
            std::u16string s(workload::ShortText16());
            Keep(s);
        }
    });
    Batch("X copy_300_units 1000", [&] {
        for (int i = 0; i < 1000; ++i) {
            XString s(longX);
            Keep(s);
        }
    });
    Batch("std copy_300_units 1000", [&] {
        for (int i = 0; i < 1000; ++i) {
            std::u16string s(longText);
            Keep(s);
        }
    });
    Batch("X append_10_units 1000", [&] {
        for (int i = 0; i < workload::kAppendPieces; ++i)
            appendedX.Append(piece);
        Keep(appendedX);
    });
    Batch("std append_10_units 1000", [&] {
        for (int i = 0; i < workload::kAppendPieces; ++i)
            appendedStd.append(workload::Piece16());
        Keep(appendedStd);
    });
    Batch("X find_in_1000_units 100", [&] {
        for (int i = 0; i < 100; ++i) {
            int at = haystack.Find(needle, 1);
            Keep(at);
        }
    });
    Batch("std find_in_1000_units 100", [&] {
        for (int i = 0; i < 100; ++i) {
            size_t at = haystack16.find(workload::Needle16());
            Keep(at);
        }
    });
    Batch("X array_add_to_1e6 1000000", [] {
        XPtrArray a;
        for (int i = 0; i < workload::kGrowEntries; ++i)
            a.Add(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
        Keep(a);
    });
    Batch("std array_add_to_1e6 1000000", [] {
        std::vector<void*> a;
        for (int i = 0; i < workload::kGrowEntries; ++i)
            a.push_back(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
        Keep(a);
    });
    return 0;
}
