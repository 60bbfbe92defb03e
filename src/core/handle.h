// Programs hold runtime objects (buffers, timers, streams, files, banks, ...) as the
// object's address in a 32-bit integer; 0 stands for none.
#pragma once

#include <cstdint>

namespace korva {

inline int32_t handleOf(const void* object) {
    return static_cast<int32_t>(reinterpret_cast<uintptr_t>(object));
}

template <class Object>
Object* objectOf(int32_t handle) {
    return reinterpret_cast<Object*>(static_cast<uintptr_t>(static_cast<uint32_t>(handle)));
}

}  // namespace korva
