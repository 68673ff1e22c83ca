// Generated 3D scenes (meshes, textures, animated objects) for the render tests and benchmarks.
#pragma once
#include <cstdint>
#include <string>

#include "engine3d/Database.h"
#include "testdata/TgaWriter.h"

// A material record: the diffuse colour, an optional map (texture record name and map file), a little
// specular, ambient and emissive light, and the transparency.
CTDbMaterial SceneWriter_Material(const std::string& name, const CTVector4& diffuse, const std::string& map,
                                  float transparency = 0.0f);
// A UV sphere of rings x segments quads (two triangles each, none degenerate at the poles), with
// outward faces, per-corner texture coordinates and one material.
CTDbMesh SceneWriter_Sphere(const std::string& name, float radius, int rings, int segments, const std::string& material);
// A flat grid of nx x nz cells in the plane y = 0 facing -y (up in camera space), texture coordinates
// repeating once per cell.
CTDbMesh SceneWriter_Grid(const std::string& name, int nx, int nz, float cell, const std::string& material);
// A box of half size h with outward faces: group 0 the four sides, group 1 top and bottom.
CTDbMesh SceneWriter_Box(const std::string& name, float h, const std::string& sides, const std::string& caps);
// A square of half size h in the plane z = 0 facing -z (towards a camera looking along +z).
CTDbMesh SceneWriter_Panel(const std::string& name, float h, const std::string& material);

// Pictures: true-colour bricks, and an 8-bit colour-mapped stone pattern of 40 x 24 (sides that are
// not powers of two).
TgaImage SceneWriter_BrickPicture(int w, int h);
TgaImage SceneWriter_StonePicture();

// The render scene: camera "Cam" at (0, 0, -8) looking along +z (near 1, far 100); a ground grid of
// the palettised "Stone" crossing the near plane; a textured sphere "Ball" bouncing and turning over
// 24 frames with a child box "Moon" of "Brick" sides and flat "Red" caps. Pictures "brick.tga" and
// "stone.tga".
CTDataBase SceneWriter_RenderScene();
// Writes the scene's database as name and its pictures into dir (the 3D data directory).
bool SceneWriter_SaveRenderScene(const std::string& dir, const std::string& name);
// About `triangles` triangles of textured spheres in a 4 x 3 block in front of camera "Cam".
CTDataBase SceneWriter_BenchScene(int triangles);
