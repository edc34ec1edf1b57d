#pragma once
// Owning wrappers for the two objects posix_spawn is described by.

#include <signal.h>
#include <spawn.h>

namespace nimbral::platform {

struct TSpawnActions {
    posix_spawn_file_actions_t Actions;
    TSpawnActions() { posix_spawn_file_actions_init(&Actions); }
    ~TSpawnActions() { posix_spawn_file_actions_destroy(&Actions); }
    TSpawnActions(const TSpawnActions&) = delete;
    TSpawnActions& operator=(const TSpawnActions&) = delete;
};

struct TSpawnAttr {
    posix_spawnattr_t Attr;
    TSpawnAttr() { posix_spawnattr_init(&Attr); }
    ~TSpawnAttr() { posix_spawnattr_destroy(&Attr); }
    TSpawnAttr(const TSpawnAttr&) = delete;
    TSpawnAttr& operator=(const TSpawnAttr&) = delete;
};

// The child starts with no signal blocked and every handler at its default:
// what the starting program's threads block or ignore is not the child's
// business. ExtraFlags are further POSIX_SPAWN_* flags. 0 or an error number.
inline int ResetSpawnSignals(posix_spawnattr_t& Attr, short ExtraFlags = 0)
{
    sigset_t None;
    sigset_t All;
    sigemptyset(&None);
    sigfillset(&All);
    if (const int Error = posix_spawnattr_setsigmask(&Attr, &None))
        return Error;
    if (const int Error = posix_spawnattr_setsigdefault(&Attr, &All))
        return Error;
    return posix_spawnattr_setflags(&Attr, static_cast<short>(POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF | ExtraFlags));
}

}  // namespace nimbral::platform
