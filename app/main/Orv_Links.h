// Installs the calls that lower modules make into higher ones (menus, video, world, panorama).
#pragma once

// Fills the menus', video's and world's hook tables and registers the scenario commands that
// open screens of other modules.
void OrvMain_InstallLinks();

// Plays the next start-up video; true while one was started.
bool OrvMain_PlayIntro();
// Starts the chain of start-up videos.
void OrvMain_StartIntros();
