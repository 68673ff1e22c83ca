// CTDataBase: the seven name-keyed record maps of a ".db" file, its reader and the object tree.
#pragma once
#include <cstdint>
#include <functional>
#include <istream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "engine3d/Animation.h"
#include "engine3d/DbRecords.h"
#include "engine3d/Frame.h"
#include "engine3d/Mesh.h"

// Record kinds of the file.
enum : uint32_t {
    DB_TEXTURE = 1,
    DB_MATERIAL = 2,
    DB_MESH = 3,
    DB_OBJECT = 4,
    DB_LIGHT = 5,
    DB_CAMERA = 6,
    DB_ANIMATION = 7,
};
inline constexpr char kDbMagic[4] = {'Q', 'M', 'D', 'B'};
inline constexpr uint32_t kDbVersionMax = 11;
inline constexpr uint32_t kDbHeaderSize = 16;
// Larger files are refused before anything is allocated.
inline constexpr uint32_t kDbMaxFileSize = 256u << 20;

class CTDataBase {
public:
    uint32_t version = 0;
    std::map<std::string, CTDbTexture> textures;
    std::map<std::string, CTDbMaterial> materials;
    std::map<std::string, CTDbMesh> meshes;
    std::map<std::string, CTDbObject> objects;
    std::map<std::string, CTDbLight> lights;
    std::map<std::string, CTDbCamera> cameras;
    std::map<std::string, CTDbAnimation> animations;

    void Clear();
    bool Empty() const;
    // Clears the database and reads a ".db" stream into it. A stream that is not a whole, consistent
    // database is refused with the warning "Load, invalid .db file" (its reason in the log) and
    // leaves the database empty.
    bool Load(std::istream& in);
    // Gives every mesh record without normals one unit normal per vertex (the area-weighted mean of
    // its faces' normals) and corners that use their vertex's normal. The flags are not used.
    static void PrepareMeshes(CTDataBase& db, uint32_t flags);
};

// Opens the file as raw bytes and loads it; false (the database empty) when it cannot be opened
// (reported) or read.
bool Db_LoadFile(CTDataBase& db, const std::string& path);

// A node of a loaded database's object hierarchy.
struct CTObjectInstance {
    CTFrame frame;
    std::string name;
    uint32_t flags = 0;
    // Null for a node without geometry.
    CTMesh* mesh = nullptr;
};

using CTInstanceList = std::vector<std::unique_ptr<CTObjectInstance>>;
// Accepts an object name; an empty function accepts every name.
using CTObjectFilter = std::function<bool(const std::string&)>;

// The instance of an object record under a parent frame: the record's rotation, position and scale,
// name, flags and the mesh of the record's mesh name in meshes (null when absent).
std::unique_ptr<CTObjectInstance> ObjectInstance_FromDb(const CTDbObject& object, CTMeshMap& meshes, CTFrame& parentFrame);

// Appends, depth first in name order, an instance for every object below parent (null: the
// top-level objects) that the filter accepts, each child placed under its parent's instance. The
// children of an object the filter drops are still visited and placed under parentFrame's level.
void ObjectTree_BuildFromDb(const CTDataBase& db, const CTDbObject* parent, CTMeshMap& meshes, CTFrame& parentFrame,
                            CTInstanceList& list, const CTObjectFilter& filter);

// Appends, in the order of ObjectTree_BuildFromDb, the set named after each accepted object (null
// when there is none).
void ObjectTree_CopyFiltered(const CTDataBase& db, const CTDbObject* parent, CTAnimationSetMap& sets,
                             std::vector<CTAnimationSet*>& list, const CTObjectFilter& filter);
