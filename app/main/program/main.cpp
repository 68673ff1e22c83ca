// Program entry: installs the game's handlers and hands the command line to the application object.
#include "app/Application.h"
#include "app/main/Orv_Main.h"

int main(int argc, char** argv) {
    OrvMain_InstallHandlers();
    return TheApplication().Run(argc, argv);
}
