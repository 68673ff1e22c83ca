// Writer of ".db" scene databases for the tests and the demo data.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "engine3d/Database.h"

// The file's bytes for the records of db, in kind order, each map in name order. Values are written
// as they stand, unchecked, so tests can build faulty files too.
std::vector<uint8_t> DbWriter_Encode(const CTDataBase& db, uint32_t version = kDbVersionMax);
// Writes the file; false when it cannot be written.
bool DbWriter_Save(const std::string& path, const CTDataBase& db, uint32_t version = kDbVersionMax);

// An object record placed at a position without turn or scale.
CTDbObject DbWriter_Object(const std::string& name, const std::string& mesh, const std::string& parent, CTVector3 pos);
// Enters a record in a map under its name.
template <class T>
void DbWriter_Add(std::map<std::string, T>& map, T rec)
{
    const std::string name = rec.name;
    map[name] = std::move(rec);
}

// A small sound scene: texture "checker.tga"; materials "Checker" (textured), "Red" and "Glass"
// (half transparent); mesh "Cube" (2 x 2 x 2, 12 outward faces in two groups, face normals, texture
// coordinates, lit) and the deformed mesh "Face-d" (a quad, two-matrix); objects "Body" (Cube) with
// child "Head" (Face-d), "Pivot" (no mesh) with child "Arm" (Cube); a light "Sun"; camera "Cam1"
// looking along +z from (0, 0, -10); animations "Body" (rotation, position and scale keys, 20 frames),
// "Head" under it, and "morphing" (morph keys "Face-a" at 0 and "Face-b" at 10).
CTDataBase DbWriter_SampleScene();
