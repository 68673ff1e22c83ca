// Fixture of the scene-layer tests: headless display, data directories and a clean 3D layer.
#pragma once
#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "app/Cpu.h"
#include "app/Orv_File.h"
#include "app/Orv_Log.h"
#include "engine3d/Orv3D.h"
#include "framework/Window.h"
#include "graphics2d/Draw.h"
#include "graphics2d/Orv_Display.h"
#include "raster/Rasterizer.h"
#include "testdata/DbWriter.h"
#include "testdata/TempDir.h"
#include "tests/support/ForcedProcessorKind.h"
#include "tests/support/Scene3DReset.h"
#include "testdata/TgaWriter.h"

class SceneLayer : public ::testing::Test {
public:
    static uint32_t Pixel(const CSurface& s, int x, int y)
    {
        uint16_t v;
        std::memcpy(&v, s.Row(y) + 2 * x, 2);
        return UnpackColor(s.format, v);
    }

protected:
    // The golden pictures were made with the portable vertex stages and rows.
    ForcedProcessorKind portable{CPU_GENERIC};
    TempDir dir;
    Velkrum::CDirectDrawWindow window;
    std::vector<std::string> lines;
    int fatals = 0;

    void SetUp() override
    {
        setenv("QM_HEADLESS", "1", 1);
        OrvError_ResetForTests();
        OrvError_SetQuitHook([this](int) { ++fatals; });
        DebugOut().SetHook([this](const std::string& l) { lines.push_back(l); });
        OrvFile_SetInstallDir(dir.Path());
        for (int cd = 1; cd <= 4; ++cd) OrvFile_SetCDRoot(cd, dir.Path());
        cd_init();
        std::filesystem::create_directories(Dir3D());
        Scene3D_Forget();
        p_zbufTR = nullptr;
        Orv3D_Opacity = 0;
    }
    void TearDown() override
    {
        Orv3D_Close();
        OrvDisplay_Close();
        window.Close();
        unsetenv("QM_PIXEL555");
        DebugOut().ResetHook();
        OrvError_SetQuitHook(nullptr);
        OrvError_ResetForTests();
    }

    // A headless 640 x 480 screen in 5-6-5, or 5-5-5, with the 3D layer started on it.
    void Open(bool is555 = false)
    {
        if (is555)
            setenv("QM_PIXEL555", "1", 1);
        else
            unsetenv("QM_PIXEL555");
        window.Open(640, 480, false);
        ASSERT_TRUE(OrvDisplay_Init(&window));
        Orv3D_Init();
    }
    std::string Dir3D() const { return dir.Path() + "datas_q2/3d/dial/"; }
    std::string SaveDb(const CTDataBase& db, const std::string& name = "scene.db")
    {
        EXPECT_TRUE(DbWriter_Save(Dir3D() + name, db));
        return Dir3D() + name;
    }
    bool Logged(const std::string& text) const
    {
        for (const std::string& l : lines)
            if (l.find(text) != std::string::npos) return true;
        return false;
    }
    int CountLogged(const std::string& text) const
    {
        int n = 0;
        for (const std::string& l : lines) n += l.find(text) != std::string::npos;
        return n;
    }
    // The render target cleared to a colour and the z-buffer to nothing.
    CSurface& Clear(uint32_t argb)
    {
        CSurface& target = *OrvDisplay_GetRenderTarget();
        ClearSurface(target, PackColor(target.format, argb));
        if (Orv3D_zbuf.pixels) ClearSurface(Orv3D_zbuf, 0);
        return target;
    }
};

// A picture of one colour.
inline TgaImage PlainPicture(uint32_t argb, int w = 8, int h = 8)
{
    TgaImage img;
    img.width = w;
    img.height = h;
    img.bitsPerPixel = 24;
    img.pixels.assign(size_t(w) * h, argb);
    return img;
}
