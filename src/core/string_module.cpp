// The string module: the language's text commands.
#include "core/string_commands.h"
#include "startup/declaration.h"

namespace korva {
namespace {

const Declaration kStringDeclarations[] = {
    {"$String$string%repeat", routine<cmdString>},
    {"$Left$string%count", routine<cmdLeft>},
    {"$Right$string%count", routine<cmdRight>},
    {"$Replace$string$from$to", routine<cmdReplace>},
    {"%Instr$string$find%from=1", routine<cmdInstr>},
    {"$Mid$string%start%count=-1", routine<cmdMid>},
    {"$Upper$string", routine<cmdUpper>},
    {"$Lower$string", routine<cmdLower>},
    {"$Trim$string", routine<cmdTrim>},
    {"$LSet$string%size", routine<cmdLSet>},
    {"$RSet$string%size", routine<cmdRSet>},
    {"$Chr%ascii", routine<cmdChr>},
    {"%Asc$string", routine<cmdAsc>},
    {"%Len$string", routine<cmdLen>},
    {"$Hex%value", routine<cmdHex>},
    {"$Bin%value", routine<cmdBin>},
    {"$CurrentDate", routine<cmdCurrentDate>},
    {"$CurrentTime", routine<cmdCurrentTime>},
};

}  // namespace

extern const ModuleDefinition stringModule{"string", kStringDeclarations, nullptr, nullptr};

}  // namespace korva
