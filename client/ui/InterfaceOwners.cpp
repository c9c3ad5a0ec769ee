// The default key event: a plain key for the server.
#include "client/ui/InterfaceOwners.h"

#include "client/net/Connection.h"
#include "client/ui/KeyRules.h"

void InterfaceOwners::sendKeyEvent(int virtualKey, bool shift, bool control, bool alt)
{
    theConnection().sendKey(keyEventCode(virtualKey, KeyModifiers{shift, control, alt}));
}
