// Numbered musics: their copy from the CD into the installation's music directory, their deletion and start.
#pragma once
#include <cstdint>
#include <string>

// Bytes copied between two menu frames.
constexpr int32_t MUSIK_COPY_PIECE = 262144;

// "muzik" + the digits (one leading "0" for a single digit) + the extension.
std::string Musik_FileName(const std::string& digits, const char* extension);

// Starts music `number` from its copy on the disk, copying it first when needed. The music playing
// already is left alone (true); a music whose copy failed is not taken as playing, so that the next
// request copies it again.
bool PlayMusikNumber(int32_t number, int32_t mark, int32_t loops);
// Copies the listed musics ("3,4)": decimal numbers separated by ',', ending at the end, a line feed or
// ')') with their marks, under the please-wait page. A copy is written under a temporary name and
// renamed when complete. False when a music could not be copied; a full disk or a failed copy
// leaves the disk-full or disk-error page up.
bool CopyMusikToDrive(const char* numberList);
// Deletes the copies of the listed musics.
void DeleteMusikOnDrive(const char* numberList);

// No music taken as playing: the next request copies and starts its music.
void MusikCopy_Reset();
