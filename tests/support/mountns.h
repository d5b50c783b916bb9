#pragma once

#include <sched.h>
#include <sys/mount.h>
#include <unistd.h>

// A mount namespace of the test's own, with nothing shared back, so the small file systems a test
// fills up never appear outside its process. Needs root; must run before any thread exists.
inline bool enterOwnMountNamespace()
{
    return ::geteuid() == 0 && ::unshare(CLONE_NEWNS) == 0
           && ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) == 0;
}
