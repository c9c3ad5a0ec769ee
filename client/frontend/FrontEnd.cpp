// The process-wide front-end pointer.
#include "client/frontend/FrontEnd.h"

#include <cassert>

namespace {
FrontEnd* current = nullptr;
}

void setFrontEnd(FrontEnd* frontEnd) { current = frontEnd; }

FrontEnd& frontEnd()
{
    assert(current && "no front-end installed");
    return *current;
}

bool hasFrontEnd() { return current != nullptr; }
