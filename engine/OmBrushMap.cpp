#include "engine/OmBrushMap.h"

#include <cmath>
#include <cstring>
#include <memory>
#include <vector>

#include "engine/OmPbfScene.h"
#include "engine/OmReport.h"
#include "platform/FilePath.h"

bool OmBrushFile::Open(const char* path)
{
    Close();
    m_file = path ? plat::OpenFile(path, "r") : nullptr;
    m_owned = true;
    m_lines = OmTextLines(m_file);
    return m_file != nullptr;
}

void OmBrushFile::Attach(std::FILE* file)
{
    Close();
    m_file = file;
    m_owned = false;
    m_lines = OmTextLines(file);
}

void OmBrushFile::Close()
{
    if (m_file && m_owned)
        std::fclose(m_file);
    m_file = nullptr;
    m_lines = OmTextLines(nullptr);
}

namespace {

struct BrushPlane {
    OmVector3 normal; // points out of the brush
    float d = 0.0f;   // points p inside have normal . p + d <= 0
};

using Polygon = std::vector<OmVector3>;

// Tool (x, y, z) to engine (y, z, -x).
OmVector3 ToEngine(float x, float y, float z)
{
    return OmVector3(y, z, -x);
}

bool ParsePlane(const char* line, BrushPlane& plane)
{
    float v[9];
    const int parsed = std::sscanf(line, " ( %f %f %f ) ( %f %f %f ) ( %f %f %f )", &v[0], &v[1], &v[2], &v[3],
                                   &v[4], &v[5], &v[6], &v[7], &v[8]);
    if (parsed != 9)
        return false;
    const OmVector3 p1 = ToEngine(v[0], v[1], v[2]);
    const OmVector3 p2 = ToEngine(v[3], v[4], v[5]);
    const OmVector3 p3 = ToEngine(v[6], v[7], v[8]);
    CrossProduct(p1 - p2, p1 - p3, plane.normal);
    const float length = plane.normal.Length();
    if (length > 0.0f)
        plane.normal.Scale(1.0f / length);
    plane.d = -plane.normal.Dot(p1);
    return true;
}

// A square in the plane, far larger than any brush, wound so that the
// cross product of its first two edges points along the normal.
Polygon StartingSquare(const BrushPlane& plane)
{
    const OmVector3& n = plane.normal;
    const float ax = std::fabs(n.x), ay = std::fabs(n.y), az = std::fabs(n.z);
    OmVector3 up = (az > ax && az > ay) ? OmVector3(1, 0, 0) : OmVector3(0, 0, 1);
    up = up - n * up.Dot(n);
    up.Normalise();
    OmVector3 right;
    CrossProduct(up, n, right);
    up.Scale(8192.0f);
    right.Scale(8192.0f);
    const OmVector3 centre = n * -plane.d;
    return {centre - right - up, centre + right - up, centre + right + up, centre - right + up};
}

// Keeps the part of the polygon inside the plane.
Polygon Clip(const Polygon& in, const BrushPlane& plane)
{
    constexpr float kOnPlane = 0.01f;
    Polygon out;
    for (size_t i = 0; i < in.size(); ++i) {
        const OmVector3& a = in[i];
        const OmVector3& b = in[(i + 1) % in.size()];
        const float da = plane.normal.Dot(a) + plane.d;
        const float db = plane.normal.Dot(b) + plane.d;
        if (da <= kOnPlane)
            out.push_back(a);
        if ((da < -kOnPlane && db > kOnPlane) || (da > kOnPlane && db < -kOnPlane))
            out.push_back(a + (b - a) * (da / (da - db)));
    }
    return out;
}

// Twice the area, along the normal: a face squeezed to a line by the
// other planes (where two planes meet at an edge of the brush) has none.
float PolygonArea(const Polygon& polygon, const OmVector3& normal)
{
    OmVector3 sum(0, 0, 0);
    for (size_t i = 0; i < polygon.size(); ++i) {
        OmVector3 cross;
        CrossProduct(polygon[i], polygon[(i + 1) % polygon.size()], cross);
        sum += cross;
    }
    return sum.Dot(normal);
}

void AddPolygon(OmPbfMeshRecord& mesh, const Polygon& polygon, const OmVector3& normal, float scale)
{
    const uint32_t first = uint32_t(mesh.positions.count);
    const uint32_t normalIndex = uint32_t(mesh.normals.count);
    mesh.normals.Add(normal);
    for (const OmVector3& p : polygon)
        mesh.positions.Add(p * scale);
    for (uint32_t k = 1; k + 1 < polygon.size(); ++k) {
        OmPbfFace* face = mesh.faces.Append();
        const uint32_t corners[3] = {first, first + k, first + k + 1};
        for (int c = 0; c < 3; ++c)
            face->corners[c] = OmPbfCorner{corners[c], normalIndex, 0xFFFFFFFFu, uint32_t(c)};
    }
}

// In square tool units; a face this small is a sliver of rounding.
constexpr float kMinArea = 0.5f;

std::unique_ptr<OmPbfMeshRecord> BuildBrush(const std::vector<BrushPlane>& planes, float scale)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    OmPbfArray<OmPbfTexCoord>* uvs = mesh->uvSets.Append();
    uvs->Add(OmPbfTexCoord{0, 0, 0});
    uvs->Add(OmPbfTexCoord{1, 0, 0});
    uvs->Add(OmPbfTexCoord{1, 1, 0});
    for (size_t i = 0; i < planes.size(); ++i) {
        Polygon polygon = StartingSquare(planes[i]);
        for (size_t j = 0; j < planes.size() && polygon.size() >= 3; ++j)
            if (j != i)
                polygon = Clip(polygon, planes[j]);
        if (polygon.size() >= 3 && PolygonArea(polygon, planes[i].normal) > kMinArea)
            AddPolygon(*mesh, polygon, planes[i].normal, scale);
    }
    return mesh;
}

void EndBrush(OmPbfScene& scene, std::vector<BrushPlane>& planes, int32_t& brushNumber, float scale)
{
    scene.AddObject(BuildBrush(planes, scale));
    auto* node = new OmPbfNode();
    char name[32];
    std::snprintf(name, sizeof name, "Brush %d", brushNumber++);
    node->name.Assign(name);
    node->object = scene.objects.Count() - 1;
    scene.root.AddChild(node);
    planes.clear();
}

bool IsComment(const char* line)
{
    while (*line == ' ' || *line == '\t')
        ++line;
    return line[0] == '/' && line[1] == '/';
}

} // namespace

void ReadBrushMap(OmPbfScene& scene, OmBrushFile& file, float scale)
{
    scene.root.Reset();
    scene.root.name.Assign("World");
    std::vector<BrushPlane> planes;
    int32_t brushNumber = 0;
    while (file.ReadLine()) {
        const char* line = file.Text();
        // Comments are skipped but for an entity's heading ("// entity 1"),
        // which ends the world's brushes as a bare "entity" line does.
        const bool comment = IsComment(line);
        // A plane line first: its texture name may hold "entity" ("identity").
        if (!comment && std::strchr(line, '(')) {
            BrushPlane plane;
            if (!ParsePlane(line, plane))
                ReportError("Brush map: malformed plane ignored: %s", line);
            else if (planes.size() >= size_t(kMaxBrushPlanes))
                ReportError("Brush map: more than %d planes in brush %d", kMaxBrushPlanes, brushNumber);
            else
                planes.push_back(plane);
        } else if (!comment && std::strchr(line, '}')) {
            if (!planes.empty())
                EndBrush(scene, planes, brushNumber, scale);
        } else if (std::strstr(line, "entity") && (brushNumber > 0 || !planes.empty())) {
            // The world's own heading ("// entity 0") comes before its
            // brushes: only an entity after them ends them.
            break;
        }
    }
}
