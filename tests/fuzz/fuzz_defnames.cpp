// Name definitions ("defnames.con"): read, then every name looked up again by itself.
#include <cstring>

#include "testdata/DemoWorld.h"
#include "testdata/ScriptWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/DefName.h"

namespace {

void Setup() { Fuzz_Dir(); }

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("scenar/defnames.con", data, size);
    const bool loaded = DefName_Load(Fuzz_Path("scenar/defnames.con").c_str());
    if (loaded) {
        for (int s = 0; s < DEFNAME_NB_SECTIONS; s++) {
            const int32_t count = DefName_GetCount(s);
            for (int32_t id = 0; id < count; id++) {
                const char* name = DefName_GetName(s, id);
                Fuzz_Check(std::strlen(name) > 0 && std::strlen(name) < size_t(DEFNAME_MAX_LEN), "name length");
                Fuzz_Check(DefName_FindId(s, name) == id, "a name does not find its own id");
                for (int n = 1; DefName_GetParam(s, id, n); n++) (void)std::strlen(DefName_GetParam(s, id, n));
                (void)DefName_GetParamInt(s, name);
            }
            Fuzz_Check(DefName_GetName(s, count)[0] == 0, "a name past the section");
        }
    }
    // Whatever was read, the next input starts from the demo's definitions.
    Fuzz_Check(DefName_LoadText(DefNames_Make(DemoWorld_DefNames()), "demo"), "demo definitions refused");
    return loaded;
}

std::vector<FuzzBytes> Seeds() {
    DefNamesDesc small;
    small.variables = DefNames_EngineVariables();
    small.objets = {"RIEN", "Lampe_2 7 -3"};
    return {Fuzz_Text(DefNames_Make(DemoWorld_DefNames())), Fuzz_Text(DefNames_Make(small))};
}

}  // namespace

QM_FUZZ_TARGET(defnames, Setup, Run, Seeds);
