// Generator of the project's small demo installation, shared by the demo program and the tests.
#include "testdata/DemoInstall.h"

#include <filesystem>
#include <vector>

#include "app/Orv_File.h"
#include "testdata/DemoCanoe.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DemoMenus.h"
#include "testdata/DemoPanorama.h"
#include "testdata/DemoToile.h"
#include "testdata/DemoVideo.h"
#include "testdata/DemoWorld.h"
#include "testdata/KsnWriter.h"
#include "testdata/SprWriter.h"

namespace fs = std::filesystem;

namespace {
// A flat tile marking a CD.
SprImage probeTile(int cd) {
    SprImage img;
    img.width = img.height = 8;
    img.pixels.assign(64, 0xFF000000u | uint32_t(cd * 0x3F) << 8);
    return img;
}

bool save(const std::string& path, const std::vector<SprImage>& imgs, std::string* error) {
    SprWriterOptions opt;
    std::string why;
    if (SprWriter_Save(path, imgs, opt, &why)) return true;
    if (error) *error = path + ": " + why;
    return false;
}
}  // namespace

bool DemoInstall_Write(const std::string& dir, std::string* error) {
    std::error_code ec;
    for (const char* sub : {"wam", "music", "spr/menu", "scenar", "loc", "save", "datas_q2/warp", "datas_q2/ksn/music",
                            "datas_q2/ksn/dial", "datas_q2/spw", "datas_q2/qmv/dial", "datas_q2/3d/dial", "datas_q2/spf"}) {
        fs::create_directories(fs::path(dir) / sub, ec);
        if (ec) {
            if (error) *error = std::string(sub) + ": " + ec.message();
            return false;
        }
    }
    // The installation serves every CD: it holds the four probe files.
    for (int cd = 1; cd <= 4; cd++)
        if (!save((fs::path(dir) / cd_probe_name(cd)).string(), {probeTile(cd)}, error)) return false;
    // The panorama's interface bank replaces the world's, so it is written after it.
    return DemoWorld_Write(dir, error) && DemoPanorama_Write(dir, error) && DemoAudio_Write(dir, error) &&
           DemoMenus_Write(dir, error) && DemoVideo_Write(dir, error) && DemoToile_Write(dir, error) &&
           DemoCanoe_Write(dir, error) && DemoDialogue_Write(dir, error);
}

std::vector<std::string> DemoInstall_PictureTexts() {
    std::vector<std::string> texts = DemoWorld_CarvingLines();
    for (const DemoMenuLabel& label : DemoMenus_Labels()) texts.push_back(label.text);
    for (const std::string& word : DemoPanorama_ZoneWords()) texts.push_back(word);
    return texts;
}
