// XString, XPtrArray and XStringArray against std::u16string and std::vector, natively with
// Google Benchmark: each operation runs as "X/<op>" and "std/<op>", and after the usual table a
// second one pairs them with the ratio of their times (above 1: the foundation is slower).
#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

#include "bench/host/FoundationWorkload.h"
#include "foundation/XPtrArray.h"
#include "foundation/XString.h"
#include "foundation/XStringArray.h"

namespace {

using benchmark::DoNotOptimize;
using benchmark::State;

void XConstructShort(State& state)
{
    for (auto _ : state) {
        XString s(workload::ShortText());
        DoNotOptimize(s.m_buffer);
    }
}

void StdConstructShort(State& state)
{
    for (auto _ : state) {
        std::u16string s(workload::ShortText16());
        DoNotOptimize(s.data());
    }
}

void XConstructLong(State& state)
{
    const std::u16string text = workload::LongText16();
    for (auto _ : state) {
        XString s(workload::AsWide(text));
        DoNotOptimize(s.m_buffer);
    }
}

void StdConstructLong(State& state)
{
    const std::u16string text = workload::LongText16();
    for (auto _ : state) {
        std::u16string s(text.c_str());
        DoNotOptimize(s.data());
    }
}

void XCopyShort(State& state)
{
    const XString source(workload::ShortText());
    for (auto _ : state) {
        XString s(source);
        DoNotOptimize(s.m_buffer);
    }
}

void StdCopyShort(State& state)
{
    const std::u16string source(workload::ShortText16());
    for (auto _ : state) {
        std::u16string s(source);
        DoNotOptimize(s.data());
    }
}

void XCopyLong(State& state)
{
    const XString source(workload::AsWide(workload::LongText16()));
    for (auto _ : state) {
        XString s(source);
        DoNotOptimize(s.m_buffer);
    }
}

void StdCopyLong(State& state)
{
    const std::u16string source = workload::LongText16();
    for (auto _ : state) {
        std::u16string s(source);
        DoNotOptimize(s.data());
    }
}

void XAppend(State& state)
{
    const wchar_t* piece = workload::AsWide(workload::Piece16());
    for (auto _ : state) {
        XString s;
        for (int i = 0; i < workload::kAppendPieces; ++i)
            s.Append(piece);
        DoNotOptimize(s.m_buffer);
    }
}

void StdAppend(State& state)
{
    const char16_t* piece = workload::Piece16();
    for (auto _ : state) {
        std::u16string s;
        for (int i = 0; i < workload::kAppendPieces; ++i)
            s.append(piece);
        DoNotOptimize(s.data());
    }
}

void XFind(State& state)
{
    const XString haystack(workload::AsWide(workload::Haystack16()));
    const wchar_t* needle = workload::AsWide(workload::Needle16());
    for (auto _ : state)
        DoNotOptimize(haystack.Find(needle, 1));
}

void StdFind(State& state)
{
    const std::u16string haystack = workload::Haystack16();
    const char16_t* needle = workload::Needle16();
    for (auto _ : state)
        DoNotOptimize(haystack.find(needle));
}

void XArrayGrow(State& state)
{
    for (auto _ : state) {
        XPtrArray a;
        for (int i = 0; i < workload::kGrowEntries; ++i)
            a.Add(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
        DoNotOptimize(a.m_data);
    }
}

void StdArrayGrow(State& state)
{
    for (auto _ : state) {
        std::vector<void*> a;
        for (int i = 0; i < workload::kGrowEntries; ++i)
            a.push_back(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
        DoNotOptimize(a.data());
    }
}

void XArrayAdd16(State& state)
{
    for (auto _ : state) {
        XPtrArray a;
        for (int i = 0; i < 16; ++i)
            a.Add(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
        DoNotOptimize(a.m_data);
    }
}

void StdArrayAdd16(State& state)
{
    for (auto _ : state) {
        std::vector<void*> a;
        for (int i = 0; i < 16; ++i)
            a.push_back(reinterpret_cast<void*>(static_cast<intptr_t>(i)));
        DoNotOptimize(a.data());
    }
}

void XStringArrayFill(State& state)
{
    for (auto _ : state) {
        XStringArray a;
        for (int i = 0; i < workload::kStringEntries; ++i)
            a.InsertAt(-1, workload::ShortText());
        DoNotOptimize(a.m_data);
    }
}

void StdStringArrayFill(State& state)
{
    for (auto _ : state) {
        std::vector<std::u16string> a;
        for (int i = 0; i < workload::kStringEntries; ++i)
            a.emplace_back(workload::ShortText16());
        DoNotOptimize(a.data());
    }
}

struct Pair {
    const char* op;
    void (*foundation)(State&);
    void (*standard)(State&);
};

const Pair kPairs[] = {
    {"construct_15_units", XConstructShort, StdConstructShort},
    {"construct_300_units", XConstructLong, StdConstructLong},
    {"copy_15_units", XCopyShort, StdCopyShort},
    {"copy_300_units", XCopyLong, StdCopyLong},
    {"append_1000x10_units", XAppend, StdAppend},
    {"find_in_1000_units", XFind, StdFind},
    {"array_add_16", XArrayAdd16, StdArrayAdd16},
    {"array_grow_to_1e6", XArrayGrow, StdArrayGrow},
    {"string_array_1000", XStringArrayFill, StdStringArrayFill},
};

// The console table as usual, then every X/<op> beside its std/<op> with the ratio.
class PairReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override
    {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            // With repetitions the median stands for the benchmark; without, the one run does.
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name != "median")
                continue;
            const double ns = run.GetAdjustedRealTime() * 1e9 / benchmark::GetTimeUnitMultiplier(run.time_unit);
            m_ns[run.run_name.function_name] = ns;
        }
    }

    void Finalize() override
    {
        ConsoleReporter::Finalize();
        std::printf("\n%-24s %14s %14s %9s\n", "operation", "foundation ns", "std ns", "ratio");
        for (const Pair& pair : kPairs) {
            const std::string op = pair.op;
            auto x = m_ns.find("X/" + op), s = m_ns.find("std/" + op);
            if (x == m_ns.end() || s == m_ns.end())
                continue;
            std::printf("%-24s %14.1f %14.1f %8.2fx\n", pair.op, x->second, s->second, x->second / s->second);
        }
    }

private:
    std::map<std::string, double> m_ns;
};

} // namespace

int main(int argc, char** argv)
{
    for (const Pair& pair : kPairs) {
        benchmark::RegisterBenchmark((std::string("X/") + pair.op).c_str(), pair.foundation)->Unit(benchmark::kNanosecond);
        benchmark::RegisterBenchmark((std::string("std/") + pair.op).c_str(), pair.standard)->Unit(benchmark::kNanosecond);
    }
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 1;
    PairReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return 0;
}
