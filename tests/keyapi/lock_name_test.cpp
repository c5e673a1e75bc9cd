// The writer lock of a key file is one named mutex for every spelling of its path.
#include <gtest/gtest.h>

#include <memory>

#include "key_storage.h"

TEST(KeyFileLock, OnePathOneNameWhateverItsCase)
{
    const std::string name = KeyFileLockName("C:\\Key readers\\Desk\\ostrel.key");
    EXPECT_EQ(name, KeyFileLockName("c:\\KEY READERS\\desk\\OSTREL.KEY"));
    EXPECT_EQ(name, KeyFileLockName("C:\\Key readers\\Spare\\..\\Desk\\.\\ostrel.key"));
    EXPECT_NE(name, KeyFileLockName("C:\\Key readers\\Spare\\ostrel.key"));
    EXPECT_EQ(std::string::npos, name.find('\\', name.find("OstrelKeyFile.")));  // no path in a mutex name
    EXPECT_EQ(0u, name.find("Global\\OstrelKeyFile."));  // one lock for all sessions
}

TEST(KeyFileLock, IsTakenInTurns)
{
    static const std::string path = "C:\\lock-test\\ostrel.key";
    std::unique_ptr<KeyFileLock> first(new KeyFileLock(path));
    ASSERT_EQ(0u, first->Error());
    // Another thread must wait (a mutex lets its owning thread in again at once).
    HANDLE other = CreateThread(
        nullptr, 0,
        [](void*) -> DWORD {
            const DWORD start = GetTickCount();
            KeyFileLock second(path);
            return second.Error() ? 0 : GetTickCount() - start + 1;
        },
        nullptr, 0, nullptr);
    ASSERT_NE(nullptr, other);
    EXPECT_EQ(WAIT_TIMEOUT, WaitForSingleObject(other, 300));
    first.reset();
    ASSERT_EQ(WAIT_OBJECT_0, WaitForSingleObject(other, 5000));
    DWORD waited = 0;
    GetExitCodeThread(other, &waited);
    CloseHandle(other);
    EXPECT_GE(waited, 250u);
}
