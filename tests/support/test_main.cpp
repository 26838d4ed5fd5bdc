// The main of every test program: runs GoogleTest and ends with the line
// "N passed, M failed" that the test runner demands. On Windows it refuses
// to run unless the ANSI code page is 932, since the profile functions and
// every character scan behave differently under any other.
#include <gtest/gtest.h>

#include <stdio.h>
#ifdef _WIN32
#include <windows.h>
#endif

int main(int argc, char **argv)
{
    testing::InitGoogleTest(&argc, argv);
#ifdef _WIN32
    if (GetACP() != 932) {
        printf("refused: the ANSI code page is %u, not 932\n", GetACP());
        return 2;
    }
    // A test that fails must not wait for someone to close an error box.
    SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX | SEM_NOOPENFILEERRORBOX);
#endif
    int result = RUN_ALL_TESTS();
    const testing::UnitTest &unit = *testing::UnitTest::GetInstance();
    printf("%d passed, %d failed\n", unit.successful_test_count(), unit.failed_test_count());
    fflush(stdout);
    return result;
}
