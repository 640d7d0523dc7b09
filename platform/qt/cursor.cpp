#include "cursor.h"

#include <QApplication>

namespace platform {

HourglassCursor::HourglassCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
HourglassCursor::~HourglassCursor() { QApplication::restoreOverrideCursor(); }

}  // namespace platform
