// The music copy from the CD to the installation: a seam that copies nothing until the menus provide it.
#include "audio/Orv_Muzik.h"

bool CopyMusikToDrive(const char* numberList) {
    (void)numberList;
    return false;
}
