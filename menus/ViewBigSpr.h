// The picture viewer of loop type 11: one sprite at the centre of the frame over the panorama view.
#pragma once

struct SprBank;

// Opens the viewer on the bank named by the command text (up to the first ')' or carriage return).
void ViewBigSpr_Start(const char* text);
// One pass: the view, the picture and the frame; a click closes the viewer into loop type 0.
void ViewBigSpr_continue();
// The bank shown, null when none.
SprBank* ViewBigSpr_GetBank();
