// Dialogue mode: a dialogue as loop type 2, the view arranged for each speaker, the world's scripts and
// hero, dialogues over a video, and the "DIAL" command.
#pragma once
#include <cstdint>
#include <string>

// Start-up: builds the dialogue object, world index 0.
void dial_maininit();
// Shut-down: takes down a running dialogue, frees the subject bank and the scripts, then the object.
void OrvDial_close();

// A world's scripts by bare name (texts, staging, characters) and its number 1..5; its hero becomes the
// resident character.
void OrvDial_InitWorld(const std::string& text, const std::string& staging, const std::string& characters,
                       int32_t world);
// The world change of the scenario: the world's subject bank, then OrvDial_InitWorld. Nothing before
// dial_maininit (programs and tests without the dialogue).
void OrvDial_WorldChange(const char* info, const char* com, const char* dial, int32_t world, const char* bank);

// Loop type 2 until OrvDial_stop; true.
bool OrvDial_start(uint32_t n);
// One frame-timer tick in loop type 2: a click skips the reply, the dialogue steps and the view is
// arranged for the speaker. False once the dialogue is over.
bool OrvDial_continue();
// One main-loop pass of loop type 2, or over a video frame.
void OrvDial_display();
// Ends the dialogue: view, sprite, music, loop type and the scenario's variables and waiting block.
void OrvDial_stop();
bool OrvDial_IsActive();
bool OrvDial_IsDialDisplayable800(uint32_t n);

// A dialogue over the running video: built and stepped with the video's frames, only subtitles drawn.
bool OrvDial_startOverVideo(uint32_t n);
bool OrvDial_UpdateOverVideo();
void OrvDial_removeOverVideo();

// The current reply's mode, -1 when none (the main loop draws the panorama behind mode 2).
int32_t OrvDial_GetCurrentMode();

// "(DIAL=n)": n or a variable's value; a dialogue still running is stopped first. The block waits.
int OrvDial_CommandDial(const char* value);
