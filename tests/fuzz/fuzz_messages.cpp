// Object names and message texts ("messages.txt"), then the messages shown on the message screen.
#include "testdata/DemoWorld.h"
#include "testdata/ScriptWriter.h"
#include "tests/fuzz/FuzzTarget.h"
#include "world/DefName.h"
#include "world/Orv_Msg.h"

namespace {

void Setup() {
    Fuzz_UseWorld();
    Fuzz_UseDisplay();
    Fuzz_UseFonts();
}

bool Run(const uint8_t* data, size_t size) {
    Fuzz_WriteFile("loc/messages.txt", data, size);
    OrvMsg_Free();
    const bool loaded = OrvMsg_Init();
    if (loaded) {
        for (int32_t id = -1; id <= DefName_GetCount(DEFNAME_OBJETS); id++) (void)OrvMsg_GetObjectName(id).size();
        int shown = 0;
        for (int32_t n = 0; n < 4096 && shown < 4; n++) {
            const std::vector<std::string>* lines = OrvMsg_GetMessage(n);
            if (!lines) continue;
            Fuzz_Check(lines->size() <= size_t(MAX_MESSAGE_LINES), "message of too many lines");
            Fuzz_Check(OrvMsg_Show(n) && OrvMsg_Current() == n, "a message read is not shown");
            OrvMsg_continue();
            shown++;
        }
        OrvMsg_Abort();
    }
    return loaded;
}

std::vector<FuzzBytes> Seeds() {
    MessagesDesc m;
    m.objets = {{"CLE", "une clé ancienne"}};
    m.messages = {{0, {"un"}}, {7, {"a", "", "b", "", ""}}, {300, {}}};
    return {Fuzz_Text(Messages_Make(DemoWorld_Messages())), Fuzz_Text(Messages_Make(m))};
}

}  // namespace

QM_FUZZ_TARGET(messages, Setup, Run, Seeds);
