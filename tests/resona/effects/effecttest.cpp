#include "effecttest.h"

#include "resona/render.h"

namespace effecttest {

PumpHook::PumpHook(std::function<void()> a) : action(std::move(a)) {
  resona::SetPump([](void* self) { static_cast<PumpHook*>(self)->action(); }, this);
}

PumpHook::~PumpHook() { resona::SetPump(nullptr, nullptr); }

}  // namespace effecttest
