// Dialogues played with the whole program, headless on the demo: a subject chosen on the guardian's panel
// starts a dialogue whose speakers turn the view, speak and are subtitled, and the view comes back.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "ProgramRun.h"
#include "app/main/Orv_Main.h"
#include "dialogue/Orv_Dial.h"
#include "dialogue/Orv_DialSujets.h"
#include "dialogue/dlg_Dialog.h"
#include "framework/Input.h"
#include "framework/KeyCodes.h"
#include "framework/Window.h"
#include "panorama/Orv_Spw.h"
#include "panorama/Orv_Warp.h"
#include "testdata/DemoDialogue.h"
#include "testdata/DemoWorld.h"
#include "world/Interp.h"
#include "world/wam.h"

namespace {

std::vector<uint32_t> PresentedFrame() {
    auto* window = dynamic_cast<Velkrum::CDirectDrawWindow*>(Velkrum::MainWindow());
    return window ? window->GetPresentedFrame() : std::vector<uint32_t>();
}

void Dump(const std::vector<uint32_t>& f, const std::string& path) {
    FILE* out = std::fopen(path.c_str(), "wb");
    std::fprintf(out, "P6 640 480 255\n");
    for (uint32_t p : f) {
        const unsigned char rgb[3] = {uint8_t(p >> 16), uint8_t(p >> 8), uint8_t(p)};
        std::fwrite(rgb, 1, 3, out);
    }
    std::fclose(out);
}

// The guardian's sprite in YU 2: face 0, pixels 180..244 x 160..224.
const float kGuardianYaw = std::atan(212.0f / 256.0f - 1.0f);
const float kGuardianPitch = std::atan2(1.0f - 192.0f / 256.0f, std::sqrt(1.0f + kGuardianYaw * kGuardianYaw));

// From a new game to YU 2 straight away.
std::vector<Step> ToYu2() {
    return {Read(1), Arrive("IR1"), Do([] { OrvWam_RequestWorld(DEMO_WAM_YU, 2, false); }), Arrive("YU2")};
}

}  // namespace

TEST(DialogueFlows, ASubjectOfTheGuardianStartsHisDialogueAndTheViewComesBack) {
    ProgramRun run;
    auto frames = std::make_shared<int>(0);
    Append(run.steps, ChoosePlayer(0));
    Append(run.steps, ToYu2());
    run.steps.push_back(Turn(std::atan(-44.0f / 256.0f), std::atan2(64.0f / 256.0f, 1.0f)));
    run.steps.push_back(WaitFor([] { return OrvWarp_SubjectPanelOpen != 0; }));
    run.steps.push_back(ClickPoint(465, 257));
    run.steps.push_back(WaitFor([] { return Loop() == LOOP_DIALOGUE; }));
    run.steps.push_back(WaitFor([frames] {
        if (Loop() != LOOP_DIALOGUE) return true;
        if (++*frames % 40 == 0 && std::getenv("QM_DUMP")) Dump(PresentedFrame(), "/tmp/dlg" + std::to_string(*frames) + ".ppm");
        return false;
    }));
    Append(run.steps, QuitThroughTheCredits());
    EXPECT_EQ(run.Run(), 0);
    EXPECT_EQ(run.failure, "");
    for (auto& r : run.Reports()) ADD_FAILURE() << r;
}
