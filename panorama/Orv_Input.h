// The game's key handlers: the last key pressed, Escape in a dialogue, the pause of the view.
#pragma once

// Stores the key as the last key pressed; Escape stops a running dialogue (loop type 2); P or Pause
// pauses and resumes the view (loop type 0). In the canoe puzzle (loop type 9) Escape does nothing else.
void OrvInput_OnKeyDown(int key);
// Clears the last key pressed when the next pass starts: a key pressed and released within one pass
// is still read by that pass.
void OrvInput_OnKeyUp(int key);
// The start of a pass, before its input: the last key released in the pass before goes.
void OrvInput_NewPass();
