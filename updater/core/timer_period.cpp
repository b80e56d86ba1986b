#include "updater/core/timer_period.h"

namespace morvane::updater {

TimerAction TimerPeriod::Set(int32_t milliseconds) {
  if (milliseconds < 0) milliseconds = 0;
  if (milliseconds == period_) return TimerAction::kNone;
  period_ = milliseconds;
  return period_ > 0 ? TimerAction::kRestart : TimerAction::kStop;
}

}  // namespace morvane::updater
