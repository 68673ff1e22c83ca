// The canoe puzzle's view YU 402 as the demo (and the canoe's tests) install it: the view, the view past
// the river, their names and scenario blocks, the canoe's data and its sounds.
#pragma once
#include <cstdint>
#include <string>

#include "testdata/ScriptWriter.h"
#include "testdata/WamWriter.h"

constexpr uint32_t DEMO_CANOE_VIEW = 402;
// Reached when the river is won.
constexpr uint32_t DEMO_CANOE_AFTER = 403;
// The message of the arrival past the river, and the board's rules shown at every arrival in 402 until then.
constexpr int32_t DEMO_CANOE_MESSAGE = 15;
constexpr int32_t DEMO_CANOE_RULES_MESSAGE = 17;

// The canoe's start straight ahead in view 402 (the scenario zone `zone`), the way back to `from` behind
// it; view 403 leads back to `from`. A move zone on the right face of view `from` leads to 402.
void DemoCanoe_AddViews(WamFileDesc& world, uint32_t from, uint32_t zone);
// Variables "enable_pz_pirog", "finpirogue", "Pirogue_JustFinished" and the zone "ZONE_PIROGUE".
void DemoCanoe_AddNames(DefNamesDesc& names);
// The id of "ZONE_PIROGUE" among the names' zones.
uint32_t DemoCanoe_ZoneId(const DefNamesDesc& names);
// The canoe enabled from the start; each arrival in 402 shows the board's rules until the river is won,
// which leads to view 403, whose first arrival shows the message.
void DemoCanoe_AddScript(ChapterWriter& chapter);
void DemoCanoe_AddMessages(MessagesDesc& messages);
// The canoe's data on the CD and in the installation, and the sounds of the taken stones.
bool DemoCanoe_Write(const std::string& dir, std::string* error = nullptr);
