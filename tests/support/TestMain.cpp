// The test programs' entry point: the build links with -municode, so the runtime calls wmain,
// and doctest wants narrow arguments.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

#include <string>
#include <vector>

int wmain(int argc, wchar_t** argv)
{
    // Test names and filters are ASCII; anything else is dropped to '?'.
    std::vector<std::string> storage;
    std::vector<char*> args;
    for (int i = 0; i < argc; ++i) {
        std::string arg;
        for (const wchar_t* p = argv[i]; *p; ++p)
            arg += (*p < 0x80) ? static_cast<char>(*p) : '?';
        storage.push_back(arg);
    }
    for (auto& s : storage)
        args.push_back(&s[0]);
    doctest::Context context(argc, args.data());
    return context.run();
}
