// Program entry: hands the command line to the application object.
#include "app/Application.h"

int main(int argc, char** argv) { return TheApplication().Run(argc, argv); }
