// The pump a long call runs at fixed intervals: it serves pending window events, so that a
// dialog's timer redraws and its Cancel button is heard while the call runs on this thread.
#pragma once

namespace platform {

// A platform::PumpFunction; the context is not used.
void ProcessPendingEvents(void* context);

}  // namespace platform
