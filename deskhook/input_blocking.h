// Inside the library: the input block's side of a display change.
#pragma once

namespace deskhook {

// When the agent now serves another display than the one the keyboards or
// pointers were blocked on, releases them there and blocks them on the
// served one (nothing when nothing is blocked or the display is the same).
void MoveInputBlockToServedDisplay();

}  // namespace deskhook
