// Lays i386 ELF relocatable objects out as one module image: a jump to
// __MAIN at offset 0, then every object's allocated sections, with references
// inside the block resolved in place and everything else left to the
// runtime's linker through the image's tables.
#pragma once

#include <vector>

#include "elf_object.h"
#include "image_file.h"

namespace korva::mkimage {

// Throws ToolError when the objects cannot form an image: a section or
// relocation kind an image cannot carry, a duplicate global definition, or no
// __MAIN.
ModuleImage buildModuleImage(const std::vector<ElfObject>& objects);

}  // namespace korva::mkimage
