// The canoe puzzle's river as the tests and the demo install it: "traj_pirog.txt", and the channels each
// board piece carries for its ground pictures.
#pragma once
#include <string>
#include <vector>

#include "engine3d/Vector.h"

// A named point of the river in the scene's coordinates.
struct CanoePoint {
    std::string name;
    CTVector3 pos;
};

struct CanoeRiverOptions {
    // The end "W9A279" just before the river's last point, which lies at the same place.
    bool endAtLast = false;
};

// The river of the solved board (piece n in cell n, unturned), stretch after stretch as the file lists
// them: "X9E1" first, then the pieces' stretches, some written from their far end. Every stretch has
// three points or more; stretch ends meet within 20.0 only where the solved board joins them. The canoe
// takes the seven stones in the expected order and passes "W9A279" before the river's end.
std::vector<CanoePoint> CanoeRiver_Points(const CanoeRiverOptions& options = {});
// The same points in the order the canoe follows them on the solved board.
std::vector<CanoePoint> CanoeRiver_Path(const CanoeRiverOptions& options = {});
// The text: one "$Mesh:<name> " line per point with its "[x,y,z]", plain decimals.
std::string CanoeRiver_Text(const std::vector<CanoePoint>& points);
bool CanoeRiver_Save(const std::string& path, const std::vector<CanoePoint>& points);

// Half the side of a piece.
constexpr float CANOE_HALF_CELL = 49.58f;
// The centre lines of the channels of a piece, unturned, relative to its cell's centre (z 0), finely
// sampled; the river's points lie on them.
std::vector<std::vector<CTVector3>> CanoeRiver_Channels(int piece);
