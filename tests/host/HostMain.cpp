// Entry point of the native sanitizer test programs; the Windows builds use TestMain.cpp, whose
// wmain does not exist here.
#define DOCTEST_CONFIG_IMPLEMENT
#include <doctest/doctest.h>

// The foundation is tested with the code-unit size it has on Windows.
static_assert(sizeof(wchar_t) == 2, "build with -fshort-wchar");

int main(int argc, char** argv)
{
    doctest::Context context(argc, argv);
    return context.run();
}
