// What tests can do to a session of the loopback layer (see session_layer.h)
// that a network can do to a real one.
#pragma once

#include "platform/session_layer.h"

namespace korva {

// The machine loses the network: the others see it leave, it sees the
// session lost. Sessions of other layers are left alone.
void cutOffLoopbackSession(Session& session);

}  // namespace korva
