// The period of the window's timer: setting the period it already has changes nothing; any other
// period stops the timer and, when above 0, starts it again with its first tick one period later.
#pragma once

#include <cstdint>

namespace morvane::updater {

enum class TimerAction { kNone, kStop, kRestart };

class TimerPeriod {
 public:
  // What the window must do with its OS timer for the new period; a negative period counts as 0.
  TimerAction Set(int32_t milliseconds);
  int32_t period() const { return period_; }

 private:
  int32_t period_ = 0;
};

}  // namespace morvane::updater
