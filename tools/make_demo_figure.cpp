// Writes the demo figures under the folder given on the command line
// (normally data/): skinned figures of boxes, each box bound to one bone,
// with their bone and skin-weight files (bones.txt) and animation text
// files, and the animation database animdb.tsa converted from them by the
// database's own text road. The walker (models/walker, entry 0) stands and
// walks, and has a bone without a box in its right hand to carry a weapon
// on; the title screen's figure (frontend/helmer, entry 5) stands and
// breathes and carries the two look bones "Box14" and "Box22" that turn
// after the cursor; the mine (characters/mine) is a casing and cap on one
// bone. The town's jelly (characters/jelly) is a morph figure, a mesh a
// frame, without bones. The walker uses the textures make_demo_data paints;
// the title figure's are painted here.
//
// Usage: make_demo_figure DATA_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "engine/OmMath.h"
#include "engine/OmPbfScene.h"
#include "game/framework/TsAnimationDB.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;

namespace {

constexpr int kFrames = 30; // one second of animation at 30 frames a second
constexpr int kTitleFigureEntry = 5; // the title screen asks for this entry

// Positions are in file units, ten to the engine's unit, with y up.
struct Limb {
    const char* bone;
    int parent;
    OmVector3 joint;   // where the bone turns
    OmVector3 centre;  // of its box
    OmVector3 half;    // half sizes of its box
    uint32_t material; // 0 cloth, 1 skin
};

const Limb kWalker[] = {
    {"Pelvis", -1, {0, 9, 0}, {0, 9, 0}, {2.8f, 0.8f, 1.4f}, 0},
    {"Torso", 0, {0, 10, 0}, {0, 13.5f, 0}, {3, 3.5f, 1.5f}, 0},
    {"Head", 1, {0, 17, 0}, {0, 18.5f, 0}, {1.5f, 1.5f, 1.5f}, 1},
    {"ArmLeft", 1, {-4, 17, 0}, {-4, 13, 0}, {1, 4, 1}, 1},
    {"ArmRight", 1, {4, 17, 0}, {4, 13, 0}, {1, 4, 1}, 1},
    {"LegLeft", 0, {-1.5f, 9, 0}, {-1.5f, 4.5f, 0}, {1.2f, 4.5f, 1.2f}, 0},
    {"LegRight", 0, {1.5f, 9, 0}, {1.5f, 4.5f, 0}, {1.2f, 4.5f, 1.2f}, 0},
    // The right hand, at the foot of the arm: no box of its own, the bone a
    // character carries its weapon on (the party's attack bone, 7).
    {"HandRight", 4, {4, 9, 0}, {4, 9, 0}, {0, 0, 0}, 1},
};

// The title figure: a tall armoured sentinel whose two eye stalks ("Box14"
// and "Box22") sit on the head and are the bones the title screen turns.
const Limb kHelmer[] = {
    {"Pelvis", -1, {0, 50, 0}, {0, 50, 0}, {15, 5, 8}, 0},
    {"Torso", 0, {0, 55, 0}, {0, 72, 0}, {17, 17, 9}, 0},
    {"Head", 1, {0, 89, 0}, {0, 97, 0}, {8, 8, 8}, 1},
    {"ArmLeft", 1, {-22, 86, 0}, {-22, 66, 0}, {5, 20, 5}, 1},
    {"ArmRight", 1, {22, 86, 0}, {22, 66, 0}, {5, 20, 5}, 1},
    {"LegLeft", 0, {-8, 50, 0}, {-8, 25, 0}, {6, 25, 6}, 0},
    {"LegRight", 0, {8, 50, 0}, {8, 25, 0}, {6, 25, 6}, 0},
    {"Box14", 2, {-4, 105, 0}, {-4, 110, 0}, {2, 5, 2}, 1},
    {"Box22", 2, {4, 105, 0}, {4, 110, 0}, {2, 5, 2}, 1},
};

// The mine: a flat casing with a trigger cap, on one bone named like the
// walker's root so the walker's standing animation (which the mine plays)
// holds it still where it is modelled.
const Limb kMine[] = {
    {"Pelvis", -1, {0, 9, 0}, {0, 0.6f, 0}, {2.2f, 0.6f, 2.2f}, 0},
};
// Its cap rides on the same bone.
const Limb kMineCap = {"Pelvis", -1, {0, 9, 0}, {0, 1.5f, 0}, {0.7f, 0.3f, 0.7f}, 1};

struct Figure {
    const Limb* limbs;
    int bones;
    const char* name;
    const char* cloth; // texture names of materials 0 and 1
    const char* skin;
};

const Figure kWalkerFigure{kWalker, int(sizeof kWalker / sizeof kWalker[0]), "Walker", "cloth.tga", "skin.tga"};
const Figure kMineFigure{kMine, 1, "Mine", "cloth.tga", "skin.tga"};
const Figure kHelmerFigure{kHelmer, int(sizeof kHelmer / sizeof kHelmer[0]), "Helmer", "armour.tga", "visor.tga"};

// ---- the mesh ----------------------------------------------------------------

// Appends one box per limb; bones[i] is the bone of position i.
void AddBox(OmPbfMeshRecord& mesh, const Limb& limb, int bone, std::vector<int>& bones)
{
    for (const demo::Side& side : demo::kSides) {
        demo::AddSide(mesh, side, limb.centre + demo::Times(side.normal, limb.half), limb.half, limb.material);
        bones.insert(bones.end(), 4, bone);
    }
}

bool WriteScene(const Figure& figure, const fs::path& path, std::vector<int>& bones)
{
    OmPbfScene scene;
    scene.materials.Add(demo::Material("Cloth", figure.cloth, {0.8f, 0.8f, 1.0f, 1.0f}));
    scene.materials.Add(demo::Material("Skin", figure.skin, {1.0f, 0.9f, 0.8f, 1.0f}));
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    for (int b = 0; b < figure.bones; ++b)
        if (figure.limbs[b].half.x > 0.0f) // a bone without a box carries things only
            AddBox(*mesh, figure.limbs[b], b, bones);
    if (figure.limbs == kMine)
        AddBox(*mesh, kMineCap, 0, bones);
    scene.AddObject(std::move(mesh));
    scene.root.name.Assign(figure.name);
    scene.root.object = 0;
    return scene.Save(path.string().c_str());
}

// ---- the text files -----------------------------------------------------------

// An engine matrix (rows 0 to 3, three columns, y up) as the modelling
// tool writes it: z up, rows in the order 0, 2, 1, 3.
struct Rows {
    float r[4][3];
};

Rows Turn(float angle, int axis, const OmVector3& translation)
{
    const float c = std::cos(angle), s = std::sin(angle);
    Rows m{{{1, 0, 0}, {0, 1, 0}, {0, 0, 1}, {translation.x, translation.y, translation.z}}};
    const int a = (axis + 1) % 3, b = (axis + 2) % 3;
    m.r[a][a] = c;
    m.r[a][b] = s;
    m.r[b][a] = -s;
    m.r[b][b] = c;
    return m;
}

void PutMatrix(std::string& out, const Rows& m)
{
    static const int kOrder[4] = {0, 2, 1, 3};
    char line[96];
    for (int row : kOrder) {
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", double(m.r[row][0]), double(m.r[row][2]),
                      double(m.r[row][1]));
        out += line;
    }
}

OmVector3 ToolPoint(const OmVector3& p) { return OmVector3(p.x, p.z, p.y); }

std::string BoneText(const Figure& figure, const std::vector<int>& bones, const OmPbfMeshRecord& positions)
{
    std::string out = std::to_string(figure.bones) + "\n" + std::to_string(bones.size()) + "\n";
    char line[96];
    for (int b = 0; b < figure.bones; ++b) {
        const Limb& limb = figure.limbs[b];
        out += "// Bone # " + std::to_string(b) + "\n<" + limb.bone + ">\n" + std::to_string(limb.parent) + "\n";
        const OmVector3 pivot = ToolPoint(limb.joint);
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n", double(pivot.x), double(pivot.y), double(pivot.z));
        out += line;
        PutMatrix(out, Turn(0, 0, OmVector3()));
        PutMatrix(out, Turn(0, 0, limb.joint)); // bound with no turn at its joint
    }
    out += "// Vertex list\n";
    for (size_t i = 0; i < bones.size(); ++i) {
        const OmVector3 p = ToolPoint(positions.positions[int32_t(i)]);
        std::snprintf(line, sizeof line, "%.6f %.6f %.6f\n1\n(bone weight)\n%d 1.0\n", double(p.x), double(p.y),
                      double(p.z), bones[i]);
        out += line;
    }
    return out;
}

// A relative animation: each bone's turn about its parent, frame by frame.
using Pose = Rows (*)(const Figure& figure, int bone, float phase);

std::string AnimationText(const Figure& figure, Pose pose)
{
    std::string out = std::to_string(figure.bones) + "\n0\n" + std::to_string(kFrames) +
                      "\nDemo figure\nRelative motion\n-\n-\n-\n-\n-\n-\n";
    for (int f = 0; f < kFrames; ++f) {
        out += "// Frame # " + std::to_string(f) + "\n";
        const float phase = OM_TWO_PI * float(f) / float(kFrames);
        for (int b = 0; b < figure.bones; ++b) {
            out += "0 0 0\n" + std::string(figure.limbs[b].bone) + "\n-\n-\n-\n";
            PutMatrix(out, pose(figure, b, phase));
        }
    }
    return out;
}

OmVector3 Offset(const Figure& figure, int b)
{
    const Limb& limb = figure.limbs[b];
    return limb.parent < 0 ? limb.joint : limb.joint - figure.limbs[limb.parent].joint;
}

// Legs and arms swing in opposition; the pelvis bobs.
Rows WalkPose(const Figure& figure, int b, float phase)
{
    const float swing = 0.5f * std::sin(phase);
    switch (b) {
    case 0: return Turn(0, 0, Offset(figure, 0) + OmVector3(0, 0.3f * std::fabs(std::cos(phase)), 0));
    case 3: return Turn(swing * 0.8f, 0, Offset(figure, b));
    case 4: return Turn(-swing * 0.8f, 0, Offset(figure, b));
    case 5: return Turn(-swing, 0, Offset(figure, b));
    case 6: return Turn(swing, 0, Offset(figure, b));
    default: return Turn(0, 0, Offset(figure, b));
    }
}

// Breathing: the torso sways a little, the arms hang slightly out.
Rows StandPose(const Figure& figure, int b, float phase)
{
    switch (b) {
    case 1: return Turn(0.03f * std::sin(phase), 2, Offset(figure, b));
    case 3: return Turn(-0.08f, 2, Offset(figure, b));
    case 4: return Turn(0.08f, 2, Offset(figure, b));
    default: return Turn(0, 0, Offset(figure, b));
    }
}

bool WriteText(const fs::path& path, const std::string& text)
{
    return demo::WriteFile(path, text.data(), text.size());
}

// Writes one figure's scene, bones and animation texts into folder; the
// animation files are named after the poses.
bool WriteFigure(const Figure& figure, const fs::path& folder, const char* scene, bool walks)
{
    std::error_code error;
    fs::create_directories(folder, error);
    std::vector<int> bones;
    OmPbfScene check;
    if (error || !WriteScene(figure, folder / scene, bones) || !check.Load((folder / scene).string().c_str())) {
        std::fprintf(stderr, "make_demo_figure: cannot write %s\n", (folder / scene).string().c_str());
        return false;
    }
    const auto& mesh = static_cast<const OmPbfMeshRecord&>(*check.objects.At(0));
    if (!WriteText(folder / "bones.txt", BoneText(figure, bones, mesh)) ||
        !WriteText(folder / "stand.txt", AnimationText(figure, StandPose)) ||
        (walks && !WriteText(folder / "walk.txt", AnimationText(figure, WalkPose)))) {
        std::fprintf(stderr, "make_demo_figure: cannot write the text files in %s\n", folder.string().c_str());
        return false;
    }
    return true;
}

// ---- the morph figure ------------------------------------------------------

// The town's jelly, a morph figure (characters/jelly, no bones): a soft
// body with a knob on top, one mesh a frame, that squashes and stretches
// once a second while the knob bobs.
bool WriteJelly(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    OmPbfScene scene;
    scene.materials.Add(demo::Material("Jelly", "skin.tga", {0.4f, 1.0f, 0.5f, 1.0f}));
    for (int f = 0; f < kFrames; ++f) {
        const float wobble = std::sin(OM_TWO_PI * float(f) / float(kFrames));
        const float high = 5.0f * (1.0f + 0.3f * wobble), wide = 4.0f * (1.0f - 0.2f * wobble);
        auto mesh = std::make_unique<OmPbfMeshRecord>();
        demo::AddSquareUvs(*mesh);
        std::vector<int> unused;
        AddBox(*mesh, Limb{"Body", -1, {}, {0, high, 0}, {wide, high, wide}, 0}, 0, unused);
        AddBox(*mesh, Limb{"Knob", -1, {}, {0, 2.0f * high + 1.5f, 0}, {1.5f, 1.5f, 1.5f}, 0}, 0, unused);
        scene.AddObject(std::move(mesh));
    }
    scene.root.name.Assign("Jelly");
    scene.root.object = 0;
    OmPbfScene check;
    if (error || !scene.Save((folder / "jelly.pbf").string().c_str()) ||
        !check.Load((folder / "jelly.pbf").string().c_str()) || check.objects.Count() != kFrames) {
        std::fprintf(stderr, "make_demo_figure: cannot write %s\n", (folder / "jelly.pbf").string().c_str());
        return false;
    }
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_figure DATA_DIR\n");
        return 2;
    }
    const fs::path data = argv[1];
    const fs::path walker = data / "models" / "walker";
    const fs::path helmer = data / "frontend" / "helmer";
    if (!WriteFigure(kWalkerFigure, walker, "walker.pbf", true) ||
        !WriteFigure(kHelmerFigure, helmer, "helmer.pbf", false) ||
        !WriteFigure(kMineFigure, data / "characters" / "mine", "mine.pbf", false) ||
        !WriteJelly(data / "characters" / "jelly"))
        return 1;
    // Characters load their figure from their own folder below
    // characters/, named after the model file. Brusk, who strikes with his
    // tongue, wears the walker's figure.
    std::error_code error;
    for (const char* name : {"walker", "brusk"}) {
        const fs::path characterFolder = data / "characters" / name;
        fs::create_directories(characterFolder / "Textures", error);
        const std::string scene = std::string(name) + ".pbf";
        const std::pair<const char*, std::string> files[] = {{"walker.pbf", scene}, {"bones.txt", "bones.txt"}};
        for (const auto& [from, to] : files) {
            if (error || !fs::copy_file(walker / from, characterFolder / to, fs::copy_options::overwrite_existing,
                                        error)) {
                std::fprintf(stderr, "make_demo_figure: cannot copy %s into %s\n", from, characterFolder.string().c_str());
                return 1;
            }
        }
    }
    // Every folder below characters/ finds its textures in its own Textures/.
    for (const char* name : {"walker", "brusk", "mine", "jelly"}) {
        const fs::path characterFolder = data / "characters" / name;
        fs::create_directories(characterFolder / "Textures", error);
        for (const char* file : {"cloth.tga", "skin.tga"}) {
            if (error || !fs::copy_file(data / "textures" / file, characterFolder / "Textures" / file,
                                        fs::copy_options::overwrite_existing, error)) {
                std::fprintf(stderr, "make_demo_figure: cannot copy the texture %s\n", file);
                return 1;
            }
        }
    }
    // The walker is entry 0 of the database, the title figure entry 5. The
    // walker runs with its walking stride.
    TsAnimationDB db;
    db.LoadAnimationTextFile(0, TSANIM_STAND, (walker / "stand.txt").string().c_str());
    db.LoadAnimationTextFile(0, TSANIM_WALK, (walker / "walk.txt").string().c_str());
    db.LoadAnimationTextFile(0, TSANIM_RUN, (walker / "walk.txt").string().c_str());
    db.LoadAnimationTextFile(kTitleFigureEntry, TSANIM_STAND, (helmer / "stand.txt").string().c_str());
    if (!db.GetAnimation(0, TSANIM_STAND) || !db.GetAnimation(0, TSANIM_WALK) || !db.GetAnimation(0, TSANIM_RUN) ||
        !db.GetAnimation(kTitleFigureEntry, TSANIM_STAND) || !db.WriteBinary((data / "animdb.tsa").string().c_str())) {
        std::fprintf(stderr, "make_demo_figure: cannot convert the animations into animdb.tsa\n");
        return 1;
    }
    return 0;
}
