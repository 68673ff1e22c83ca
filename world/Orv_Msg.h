// Object names and message texts of "messages.txt", and the message screen (loop type 10).
#pragma once
#include <cstdint>
#include <string>
#include <vector>

extern const char* const MESSAGES_FILE_NAME;  // "messages.txt", in "loc\"
constexpr int32_t MAX_MESSAGE_LINES = 16;

// Reads "loc\messages.txt" (full path for OrvMsg_LoadFile); a bad file is refused with its line
// and the texts loaded before stay.
bool OrvMsg_Init();
bool OrvMsg_LoadFile(const char* path);
bool OrvMsg_LoadText(const std::string& text, const char* what);
void OrvMsg_Free();

// Shown name of an object (its #OBJETS# name when the file gives none).
std::string OrvMsg_GetObjectName(int32_t objectId);
// Lines of message n; null when there is none.
const std::vector<std::string>* OrvMsg_GetMessage(int32_t n);

// Opens the message screen on message n (loop type 10); false when the message does not exist.
bool OrvMsg_Show(int32_t n);
bool OrvMsg_IsActive();
int32_t OrvMsg_Current();
// True while the screen is up and the waiting block waits for it to close.
bool OrvMsg_BlockWaits();
// A loaded game's message back on screen: the waiting block resumes when it closes if blockWaits.
bool OrvMsg_ShowAgain(int32_t n, bool blockWaits);
// One pass of loop type 10: a click or a key closes the screen, else the frame is drawn into the
// render surface (the main loop presents it).
void OrvMsg_continue();
// Closes the screen: the previous loop type returns and the block that showed it resumes.
void OrvMsg_Close();
// Closes the screen without resuming anything (a game is being loaded).
void OrvMsg_Abort();
