// CTGeometryPipeline: per-object transform, clip codes, culling, lighting and texture coordinates.
#pragma once
#include <cstdint>
#include <vector>

#include "engine3d/AlignedAlloc.h"
#include "engine3d/Camera.h"
#include "engine3d/Frame.h"
#include "engine3d/Matrix.h"
#include "engine3d/Mesh.h"
#include "engine3d/Vector.h"

struct CTLight;
struct HZBuffer;

// The per-object draw-flag word handed through the stages.
using DrawFlags = uint32_t;
enum : uint32_t {
    DF_TEX0 = 0x1,              // result: stage 0 has texture coordinates
    DF_TEX1 = 0x2,              // result: stage 1 has texture coordinates
    DF_PARALLEL = 0x200,
    DF_EYEPOINT = 0x400,
    DF_PROJECTION_MASK = 0xE00,
    DF_SKIP_FACES = 0x1000,
    DF_SKIP_PROJECTION = 0x2000,
    DF_NO_CLIP = 0x4000,        // no vertex outside the view volume
    DF_COLOURS = 0x20000,
    DF_SPECULAR = 0x40000,
    DF_TWO_MATRIX = 0x80000,
    DF_TRANSFORM = 0x100000,
    DF_BOUNDS = 0x200000,
    DF_LIGHTING = 0x400000,
    DF_SPECULAR_PASS = 0x800000,
    DF_DEFORMED = 0x1000000,
    DF_OCCLUDE_OBJECT = 0x2000000,
    DF_OCCLUDE_FACES = 0x4000000,
};

// Clip-code bits beyond the camera's: a face not drawn, a vertex used by a drawn face.
inline constexpr uint32_t CLIP_HIDDEN = 0x40;
inline constexpr uint32_t CLIP_USED = 0x80;
inline constexpr uint32_t CLIP_PLANES = 0x3F;

// Texture-coordinate generation modes of a stage.
enum : uint32_t {
    TEXGEN_SOURCE = 0,
    TEXGEN_SPHERE = 1,
    TEXGEN_SCALED = 2,
    TEXGEN_LIGHT_SPOT = 8,
    TEXGEN_PLANAR = 16,
    TEXGEN_NONE = 0x10000000,
};

// The lighting mode that marks objects as pre-lit; the default lights nothing.
inline constexpr uint32_t kLightingPrelit = 1;
inline constexpr uint32_t kLightingDefault = 0x10000000;

// Table square roots of floats (0 for 0, negative or NaN input).
float FastSqrt(float x);
float FastRSqrt(float x);
// The vector times FastRSqrt of its squared length; zero stays zero.
CTVector3 Vec3_NormalizeFast(const CTVector3& v);
// The 4096-entry tables behind FastSqrt and FastRSqrt.
extern const uint16_t* const SqrtTable;
extern const uint16_t* const RSqrtTable;

// Object-to-reference transform: p maps to scale-free matrix * p + translation (the matrix carries
// the relative scale); scale is the relative scale alone.
struct CTViewTransform {
    CTVector3 translation;
    CTMatrix3 matrix;
    float scale = 1.0f;

    CTMatrix34 AsMatrix34() const;
};
// Mode 2: rotation only; mode 7: the full relative transform; any other mode: identity.
void Pipe_BuildViewMatrix(CTViewTransform& out, const CTFrame& reference, const CTFrame& object, int mode);

// radius1^2 + radius2^2 greater than the squared distance of the centres.
bool Spheres_Intersect(const CTVector3& c1, float r1, const CTVector3& c2, float r2);

// A start time and the accumulated seconds of one stage.
struct PipeTimer {
    double start = 0.0;
    double total = 0.0;
    void Start();
    void Stop();
};

// One enabled scene light prepared for the current object.
struct PipeLight {
    CTVector3 position;
    // From the lit object towards the light.
    CTVector3 direction;
    uint32_t kind = 0;
    CTVector4 diffuseProduct;
    CTVector4 specularProduct;
    float K[6] = {0, 0, 0, 0, 0, 0};
    CTVector4 ambient;
    CTVector4 diffuse;
    CTVector4 specular;
};

class CTGeometryPipeline {
public:
    CTGeometryPipeline(uint32_t vertexCapacity, uint32_t faceCapacity, uint32_t lightCapacity);
    CTGeometryPipeline(const CTGeometryPipeline&) = delete;
    CTGeometryPipeline& operator=(const CTGeometryPipeline&) = delete;

    // Replaces the arrays whose capacity changes (contents dropped); a light capacity of 0 leaves
    // the light records alone. Vertex capacities are rounded up to a multiple of 8 and face
    // capacities to a multiple of 4, for the stages that work on blocks. False (reported) when memory
    // runs out; the capacities then are 0.
    bool SetCapacity(uint32_t vertices, uint32_t faces, uint32_t normals, uint32_t lights);
    // Grows the capacities in steps of 2048 to hold the mesh.
    bool EnsureCapacity(const CTMesh& mesh);

    // Transform, face, projection and face occlusion stages of one object.
    void TransformVertices(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags);
    // The object occlusion test of the portable transform: true when the box, taken to camera space by
    // m, lies wholly outside the clip rectangle or the hierarchical z-buffer sees none of it; false
    // when a corner is not beyond the near distance.
    bool IsBoxOccluded(const CTCamera& camera, const CTMatrix34& m, const CTBounds& bounds) const;
    // Result bits DF_TEX0 and DF_TEX1.
    uint32_t ComputeTexCoords(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags);
    uint32_t PrelitFlag(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags) const;
    void SetupLights(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags);
    const uint32_t* LightVertices(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh, DrawFlags flags);
    const uint32_t* LightVerticesSecondPass(const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh,
                                            DrawFlags flags);
    void ComputeVertexNormals(const CTMesh& mesh);
    void FinishFaceCodes(const CTMesh& mesh);
    // Ends the object: colour pointers, texture modes and sources back to none.
    void EndObject();

    // The settings of a texture stage for the next object (EndObject resets mode and source).
    void SetTextureStage(int stage, uint32_t mode, const float* source, float offsetU, float offsetV, float scaleU,
                         float scaleV);

    // --- Per-object results ---
    CTAlignedArray<CTVector4> cameraVertices;  // x, y, z; the fourth float is not written
    CTAlignedArray<CTVector4> screenVertices;  // screen x, screen y, depth, q = 1/z
    CTAlignedArray<uint8_t> vertexCodes;
    CTAlignedArray<uint8_t> faceCodes;
    CTAlignedArray<uint8_t> maskedFaceCodes;
    const uint8_t* currentFaceCodes = nullptr;
    // Camera-space normals of deformed meshes (fourth float unused).
    CTAlignedArray<CTVector4> facePlanes;
    CTVector3 eyePoint;
    CTVector3 viewDirection;
    // Recomputed normals of deformed meshes; w = 1 once a face touched the normal.
    CTAlignedArray<CTVector4> vertexNormals;

    // One material per group and a null; filled by CTPolygonPipeline::BuildMaterialTable.
    std::vector<const CTMaterial*> materialTable;
    // Filled by the pipeline's owner.
    std::vector<const CTLight*> lights;
    std::vector<PipeLight> lightRecords;

    CTAlignedArray<uint32_t> vertexColours;
    const uint32_t* currentColours = nullptr;
    CTAlignedArray<uint32_t> specularColours;
    const uint32_t* currentSpecular = nullptr;
    float epsilon = 0.01f;

    uint32_t texGenMode[2] = {TEXGEN_SOURCE, TEXGEN_NONE};
    const float* texSource[2] = {nullptr, nullptr};
    float texOffset[2][2] = {{0, 0}, {0, 0}};
    float texScale[2][2] = {{0, 0}, {0, 0}};
    CTAlignedArray<float> texGenerated[2];  // three (u, v) pairs per face
    const float* texResult[2] = {nullptr, nullptr};

    uint32_t lightingMode = kLightingDefault;
    uint32_t clipUnion = 0;
    uint32_t clipIntersection = 0;
    const HZBuffer* hzBuffer = nullptr;
    // One byte per face, 0 hides the face; applies to the next object only.
    const uint8_t* faceMask = nullptr;

    uint32_t faceCapacity = 0;
    uint32_t vertexCapacity = 0;
    uint32_t lightCapacity = 0;
    uint32_t normalCapacity = 0;

    PipeTimer boundsTime, lightTime, transformTime, faceTime, texTime, projectTime, rasterTime, objectOccludeTime,
        faceOccludeTime;
    // The kind-9 block transform left camera-space blocks that its projection unpacks.
    bool cameraBlocks = false;
    uint32_t projectedVertices = 0;
    uint32_t objectsTransformed = 0;
    uint32_t objectsAccepted = 0;
};

// Portable vertex stages (results in the pipeline's fields).
void Pipe_TransformClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh,
                         DrawFlags flags);
void Pipe_TransformClipTwoMatrixC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                  const CTMesh& mesh, DrawFlags flags);
void Pipe_CullFacesC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh);
void Pipe_CullFacesNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh);
void Pipe_CullFacesDeformedC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh);
void Pipe_CullFacesDeformedNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                   const CTMesh& mesh);
void Pipe_CullFacesParallelC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh);
void Pipe_CullFacesParallelNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                   const CTMesh& mesh);
void Pipe_CullFacesParallelDeformedC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                     const CTMesh& mesh);
void Pipe_CullFacesParallelDeformedNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                           const CTMesh& mesh);
void Pipe_CullFacesEyePointC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame, const CTMesh& mesh);
void Pipe_CullFacesEyePointNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                   const CTMesh& mesh);
// Deformed meshes under the eye-point kind: faces seen from the eye point.
void Pipe_CullFacesEyePointDeformedC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                     const CTMesh& mesh);
void Pipe_CullFacesEyePointDeformedNoClipC(CTGeometryPipeline& p, const CTCamera& camera, const CTFrame& frame,
                                           const CTMesh& mesh);
void Pipe_ProjectC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh);
void Pipe_ProjectParallelC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh);
void Pipe_ProjectEyePointC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh);
void Pipe_OccludeFacesC(CTGeometryPipeline& p, const CTCamera& camera, const CTMesh& mesh);

// Frees the rotated normals that sphere mapping shares between pipelines; registered to run at exit the
// first time they are used. A later sphere map takes them anew.
void Pipe_FreeEnvNormals();

// Adds one light's diffuse, or specular, contribution at a point with a normal to a 4-float sum.
void Pipe_LightVertexDiffuse(CTVector4& sum, const PipeLight& light, const CTVector3& position,
                             const CTVector3& normal);
void Pipe_LightVertexSpecular(CTVector4& sum, const PipeLight& light, const CTVector3& eye,
                              const CTVector3& position, const CTVector3& normal);
// Channels on the 0..255 scale, truncated and held to 0..255, packed 0xAARRGGBB.
uint32_t Pipe_PackColour(const CTVector4& c);
