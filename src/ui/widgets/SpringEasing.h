#pragma once

#include <QEasingCurve>

#include "app/AppModel.h"

namespace raumfuchs::SpringEasing {

// Position of a damped spring released from 0 towards 1, after `seconds`.
// `response` is the period of the undamped oscillation; a damping fraction
// below 1 overshoots slightly and settles, 1 or more approaches without
// overshoot.
double progress(double seconds, const Spring& spring);

// The time after which the spring stays within 0.1 % of its target: the
// length to give an animation that follows it.
double settlingTime(const Spring& spring);

// An easing curve over the spring's settling time, for the model's Spring
// (response 0.35 s, damping fraction 0.85). Reaches exactly 1 at the end.
QEasingCurve curve();

// The duration, in milliseconds, to give an animation using curve().
int durationMs();

}  // namespace raumfuchs::SpringEasing
