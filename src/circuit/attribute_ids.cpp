#include "circuit/attribute_ids.h"

#include "foundation/char_classes.h"

namespace ob7 {

static const char* const kAttributeNames[ATTR_LAST + 1] = {
    nullptr, "PART", "VALUE", "MODEL", "FILE", "NAME", "TIMING MODEL", "I/O MODEL", "MNTYMXDLY",
    "IO_LEVEL", "POWER NODE", "GROUND NODE", "FORMAT", "COMMAND", "TIMESTEP", "LOGIC", "PINDELAY",
    "CONSTRAINT", "DATA", "TEXT", "FORMULA", "INDUCTORS", "COUPLING", "TABLE", "LAPLACE", "FREQ",
    "CHEBYSHEV", "REF", "EXPRESSION", "PARAMS:", "SIGNAMES", "TEXT:", " ISDTOA ", " SPICENAME ",
    "KEYWORD", "IS", "CLOCK FREQUENCY", "ZEXP", "INPUT EXPR", "SAMPLE EXPR", "PERIOD", " TEMPPART",
    "PACKAGE", "GATE", "COMPNAME", "SLIDER_MIN", "SLIDER_MAX", " COMPTEMPNAME", " CURRENT",
    " CURRENT_GATE", " CURRENT_DRAIN", " CURRENT_SOURCE", " CURRENT_BULK", " CURRENT_BASE",
    " CURRENT_COLL", " CURRENT_EMIT", " CURRENT_SUBS", " CURRENT_IN", " CURRENT_OUT",
    "NOISE_EXPRESSION", "POWER", "COST", " FROMSPICE",
};

const char* AttributeIdName(int id)
{
    return id >= 1 && id <= ATTR_LAST ? kAttributeNames[id] : nullptr;
}

static bool SameNoCase(const char* a, const char* b)
{
    for (; *a && *b; ++a, ++b)
        if (ToUpperMap(*a) != ToUpperMap(*b))
            return false;
    return *a == *b;
}

int AttributeIdFromName(const char* name)
{
    if (!name)
        return 0;
    for (int id = 1; id <= ATTR_LAST; ++id)
        if (SameNoCase(kAttributeNames[id], name))
            return id;
    return 0;
}

}  // namespace ob7
