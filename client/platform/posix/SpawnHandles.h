#pragma once
// Owning wrappers for the two objects posix_spawn is described by.

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

}  // namespace nimbral::platform
