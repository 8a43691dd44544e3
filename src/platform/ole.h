// Stand-ins for OLE start-up and class-factory registration: nothing to do on this platform.
#pragma once

// True unless a test made it fail.
bool AfxOleInit();
void SetOleInitFailsForTesting(bool fails);

class COleObjectFactory {
public:
    static bool UpdateRegistryAll(bool bRegister);
};
