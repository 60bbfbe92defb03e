#include "startup/declaration.h"

namespace korva {

// Starts and stops with every run; its commands join this table as they are built.
extern const ModuleDefinition socketsModule{"sockets", {}, [] { return true; }, [] {}};

}  // namespace korva
