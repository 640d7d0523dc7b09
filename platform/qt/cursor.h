// The hourglass during work: an override cursor restored on every path out of the scope.
#pragma once

namespace platform {

class HourglassCursor {
 public:
  HourglassCursor();
  ~HourglassCursor();
  HourglassCursor(const HourglassCursor&) = delete;
  HourglassCursor& operator=(const HourglassCursor&) = delete;
};

}  // namespace platform
