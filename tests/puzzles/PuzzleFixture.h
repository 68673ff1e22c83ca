// Fixture of the puzzle tests: an installation written by the project's writers, the game's modules and
// links started headless, and helpers that enter views, aim at zones and click through the real routing.
#pragma once
#include <cmath>
#include <map>

#include "panorama/Orv_Spw.h"
#include "testdata/KsnWriter.h"
#include "tests/puzzles/PuzzleHarness.h"

// A small square of directions around (yaw, pitch): yaw turns right, pitch looks up.
inline std::vector<WamPointDesc> PzSquare(float yaw, float pitch, float half = 0.04f) {
    const float cy = std::cos(yaw), sy = std::sin(yaw), cp = std::cos(pitch), sp = std::sin(pitch);
    const float d[3] = {sy * cp, sp, cy * cp}, right[3] = {cy, 0, -sy}, up[3] = {-sy * sp, cp, -cy * sp};
    std::vector<WamPointDesc> pts;
    for (auto [a, b] : {std::pair{-1.f, -1.f}, {1.f, -1.f}, {1.f, 1.f}, {-1.f, 1.f}})
        pts.push_back({d[0] + half * (a * right[0] + b * up[0]), d[1] + half * (a * right[1] + b * up[1]),
                       d[2] + half * (a * right[2] + b * up[2])});
    return pts;
}

class PuzzleTest : public PuzzleHarness {
protected:
    static constexpr const char* kWorld = "puzzles.wam";

    void SetUp() override {
        PuzzleHarness::SetUp();
        // Every game has the boards' variables: loads and the exit look at them.
        for (const char* v : {"finmaya1", "finmaya2", "finmaya3"}) names.variables.push_back(v);
    }

    // --- The installation, described before Start.

    // A view of a world code in that code's place (one place per code, so ids may repeat across codes).
    WamVueDesc& View(const std::string& code, uint32_t id) {
        char name[16];
        std::snprintf(name, sizeof name, "%s%03u", code.c_str(), id);
        WamLieuDesc* lieu = nullptr;
        for (WamLieuDesc& l : world.lieux)
            if (l.name == code) lieu = &l;
        if (!lieu) {
            world.lieux.push_back({uint32_t(world.lieux.size() + 1), code, {}});
            lieu = &world.lieux.back();
        }
        for (WamVueDesc& v : lieu->vues)
            if (v.id == id) return v;
        WamVueDesc v;
        v.id = id;
        v.name = name;
        lieu->vues.push_back(v);
        return lieu->vues.back();
    }
    // A zone looked at from (yaw, pitch), remembered for Aim.
    void Zone(WamVueDesc& v, int32_t type, uint32_t numero, const std::string& name, float yaw, float pitch = 0) {
        v.zones.push_back({type, numero, name, PzSquare(yaw, pitch)});
        aims[{v.name, v.zones.size() - 1}] = {yaw, pitch};
    }
    // An element with animations in views: frames 0..last of a 64 x 64 sprite on face 0 at (x, y).
    void Element(int32_t type, const std::string& name, const std::string& prefix, std::vector<WamAnimDesc> anims) {
        world.persos.push_back({type, name, prefix, std::move(anims)});
    }
    static WamAnimDesc Anim(uint32_t numero, uint32_t vue, int32_t last, int32_t x = 0, int32_t y = 0, char letter = 'a') {
        return WamAnimDesc{letter, numero, vue, 0, 0, last, 0, x, y};
    }
    static void Names(std::vector<std::string>& section, const char* format, int first, int last) {
        for (int i = first; i <= last; i++) {
            char n[40];
            std::snprintf(n, sizeof n, format, i);
            section.push_back(n);
        }
    }

    // Writes the installation and starts the modules on it with the world file loaded.
    void Start() {
        WriteInstallation();
        StartModules();
        ASSERT_TRUE(wam_load_game(kWorld));
    }
    void WriteInstallation() {
        WriteScenario(kWorld);
        for (const WamPersoDesc& p : world.persos)
            for (const WamAnimDesc& a : p.anims) {
                char file[32];
                std::snprintf(file, sizeof file, "%.4s%c%03u.SPW", p.prefix.c_str(), a.letter, a.numero % 1000);
                const int frames = spwFrames.count(p.name) ? spwFrames[p.name] : a.last + 1;
                ASSERT_TRUE(PanoramaWriter_WriteSpw(dir / ("datas_q2/spw/" + std::string(file)),
                                                    PanoramaWriter_SpwFrames(frames, 64, 64, 0x30C030)));
            }
        WriteSprites(16);
        ASSERT_TRUE(SprWriter_Save(dir / "spr/sprboul.spr", WhiteSprites(5), SprWriterOptions{}));
        for (const std::string& ksn : sounds)
            ASSERT_TRUE(KsnWriter_Save(dir / ("datas_q2/ksn/" + ksn), KsnWriter_TestSignal(2000, 1, 3), 1, 22050));
    }
    // The modules as the program starts them, and the game's links; then the sound and video words
    // are recorded instead of played, unless the real ones are asked for.
    void StartModules(bool recordCommands = true) {
        PuzzleHarness::StartModules();
        if (recordCommands) RecordWords({"NewSound", "cinema"});
    }

    // --- Playing.

    // Makes the view current and enters it, as a view jump does.
    void Go(const std::string& code, uint32_t id) {
        ST_wam_lieu* lieu = nullptr;
        for (ST_wam_lieu* l = OrvWam_GetWorld()->lieux; l; l = l->next)
            if (code == l->name) lieu = l;
        ASSERT_NE(lieu, nullptr) << code;
        ST_wam_vue* v = wam_cherche_vue_id(lieu, id);
        ASSERT_NE(v, nullptr) << code << id;
        OrvWam_CurrentLieu = lieu;
        OrvWam_SetCurrentVue(v);
        ASSERT_TRUE(OrvWarp_start());
    }
    // One warp pass; with newFrame the frame timer has ticked since the last one.
    void Pass(bool newFrame = false) {
        if (newFrame) {
            NewFrameFlags |= NEWFRAME_ALL;
            FrameCount++;
        }
        OrvWarp_continue();
        frame_timer_take_flag(NEWFRAME_MAIN);
    }
    // Looks at zone i of the current view.
    void Aim(size_t zone) {
        const ST_wam_vue* v = OrvWam_CurrentVue;
        auto it = aims.find({v->name, zone});
        ASSERT_NE(it, aims.end()) << v->name << " zone " << zone;
        OrvWarp_SetViewAngles(it->second.first, it->second.second);
    }
    // A left click on zone i of the current view: one pass with the button pressed and released.
    void Click(size_t zone) {
        Aim(zone);
        InjectClick();
        DXDispatch();
        Pass();
    }
    // Index of the zone with that numero and kind in the current view.
    size_t ZoneIndex(int32_t type, uint32_t numero) const {
        size_t i = 0;
        for (const ST_wam_zclic* z = OrvWam_CurrentVue->zclic; z; z = z->next, i++)
            if (z->type == type && z->numero == numero) return i;
        ADD_FAILURE() << "no zone " << type << "/" << numero;
        return 0;
    }
    // The slot of an element in the current view.
    static ST_spw_visible& Slot(const char* name, int32_t kind) {
        const int32_t id = DefName_GetIdName(kind % 2 ? DEFNAME_PERSONNAGES : DEFNAME_OBJETS, name);
        return OrvSpw_Visibles[OrvSpw_find_index(id, kind)];
    }
    // The used entries of an element's frame list, in order.
    static std::vector<int> Frames(const char* name) {
        const ST_spw_visible& s = Slot(name, WAM_OBJET);
        std::vector<int> out;
        for (int i = 0; i < MAX_FRAME_TAB && s.frame_tab[i] != SPW_FRAME_FREE; i++) out.push_back(s.frame_tab[i]);
        return out;
    }
    std::map<std::string, int> spwFrames;  // frame count of an element's sprites, when not last + 1
    std::vector<std::string> sounds;       // ".ksn" files written into the CD's sound directory
    std::map<std::pair<std::string, size_t>, std::pair<float, float>> aims;
};
