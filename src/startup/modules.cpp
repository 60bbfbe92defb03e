#include "startup/declaration.h"

namespace korva {

extern const ModuleDefinition systemModule, basicModule, mathModule, stringModule, streamModule, socketsModule,
    filesystemModule, bankModule, graphicsModule, inputModule, audioModule, multiplayModule;

namespace {

const ModuleDefinition* const kLinkOrder[] = {
    &systemModule,     &basicModule, &mathModule,     &stringModule, &streamModule,    &socketsModule,
    &filesystemModule, &bankModule,  &graphicsModule, &inputModule,  &audioModule,     &multiplayModule,
};

}  // namespace

std::span<const ModuleDefinition* const> linkOrder() { return kLinkOrder; }

std::span<const ModuleDefinition* const> startOrder() { return std::span(kLinkOrder).subspan(1); }

}  // namespace korva
