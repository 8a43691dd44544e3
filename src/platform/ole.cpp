#include "platform/ole.h"

#include <atomic>

namespace {
std::atomic<bool> g_oleInitFails{false};
}  // namespace

bool AfxOleInit() { return !g_oleInitFails.load(); }

void SetOleInitFailsForTesting(bool fails) { g_oleInitFails.store(fails); }

bool COleObjectFactory::UpdateRegistryAll(bool /*bRegister*/) { return true; }
