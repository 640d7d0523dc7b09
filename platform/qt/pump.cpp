#include "pump.h"

#include <QCoreApplication>

namespace platform {

void ProcessPendingEvents(void*) {
  if (QCoreApplication::instance()) QCoreApplication::processEvents(QEventLoop::AllEvents);
}

}  // namespace platform
