// Forgets what earlier loads left in the 3D layer: caches, cameras and lights.
#pragma once

#include "engine3d/Orv3D.h"

inline void Scene3D_Forget() {
    Orv3D_clear_caches();
    Orv3D_Cameras.clear();
    Orv3D_CurrentCamera = nullptr;
    Orv3D_CameraIndex = 1;
    Orv3D_Lights.clear();
    Orv3D_LastLight = nullptr;
}
