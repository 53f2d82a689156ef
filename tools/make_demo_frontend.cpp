// Writes the title screen's art under the folder given on the command line
// (normally data/), all painted here: the interface sprites of the title
// and in-game menus (frontend/*.tga: frames, buttons, sliders, toggles, the
// panel strip and the scrolling strip textures), the cursor crs1.tga, the
// backdrop front1.tga, the load and closing screens, the start-up dialog's
// picture startup.tga, the background scene
// (frontend/background) and the textures of the title figure
// (frontend/helmer/textures; the figure itself comes from
// make_demo_figure). Flat colours and bevelled frames, the same output on
// every run.
//
// Usage: make_demo_frontend DATA_DIR
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "engine/OmPbfScene.h"
#include "tools/DemoImages.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;
using demo::Argb;
using demo::Picture;

namespace {

const uint32_t kClear = 0;
const uint32_t kGoldLight = Argb(240, 210, 130);
const uint32_t kGold = Argb(190, 150, 70);
const uint32_t kGoldDark = Argb(110, 80, 30);
const uint32_t kSilverLight = Argb(230, 230, 240);
const uint32_t kSilver = Argb(160, 165, 180);
const uint32_t kSilverDark = Argb(80, 85, 100);
const uint32_t kPanel = Argb(25, 35, 60, 210);

// ---- painters -------------------------------------------------------------------

Picture Button(uint32_t w, uint32_t h, uint32_t light, uint32_t face, uint32_t dark)
{
    Picture p(w, h, face);
    p.Bevel(0, 0, int(w), int(h), 3, light, dark);
    return p;
}

// One piece of a three-part button: the bevel is open on the sides that
// join the middle piece.
Picture ButtonPart(int part, uint32_t light, uint32_t face, uint32_t dark)
{
    const int w = part == 1 ? 32 : 16, h = 32;
    Picture p(uint32_t(w), uint32_t(h), face);
    const int x0 = part == 0 ? 0 : -4, x1 = part == 2 ? w : w + 4;
    p.Bevel(x0, 0, x1, h, 3, light, dark);
    return p;
}

// A frame edge: a gold band along the top rows, the rest clear.
Picture Edge()
{
    Picture p(16, 16, kPanel);
    p.Fill(0, 0, 16, 6, kGold);
    p.Fill(0, 0, 16, 2, kGoldLight);
    p.Fill(0, 5, 16, 6, kGoldDark);
    return p;
}

// A frame corner: the band along the top and the left.
Picture Corner()
{
    Picture p(16, 16, kPanel);
    p.Fill(0, 0, 16, 6, kGold);
    p.Fill(0, 0, 6, 16, kGold);
    p.Fill(0, 0, 16, 2, kGoldLight);
    p.Fill(0, 0, 2, 16, kGoldLight);
    return p;
}

// Edges and corners drawn in place (the in-game frames draw them unturned).
Picture Turned(const Picture& source, int quarterTurns)
{
    Picture p = source;
    for (int t = 0; t < quarterTurns; ++t) {
        Picture q(p.height, p.width);
        for (uint32_t y = 0; y < p.height; ++y)
            for (uint32_t x = 0; x < p.width; ++x)
                q.At(p.height - 1 - y, x) = p.At(x, y);
        p = q;
    }
    return p;
}

// A triangle pointing up (or down) on a bevelled square.
Picture Arrow(bool up, uint32_t face)
{
    Picture p = Button(16, 16, kGoldLight, face, kGoldDark);
    for (int row = 0; row < 6; ++row) {
        const int y = up ? 4 + row : 11 - row;
        p.Fill(8 - row, y, 8 + row, y + 1, Argb(40, 30, 10));
    }
    return p;
}

Picture SideArrow(bool left, uint32_t face)
{
    Picture p = Button(16, 16, kGoldLight, face, kGoldDark);
    for (int col = 0; col < 6; ++col) {
        const int x = left ? 4 + col : 11 - col;
        p.Fill(x, 8 - col, x + 1, 8 + col, Argb(40, 30, 10));
    }
    return p;
}

Picture Disc(uint32_t size, uint32_t rim, uint32_t fill, bool half, bool top)
{
    Picture p(size, size, kClear);
    const float c = (float(size) - 1) * 0.5f, r = float(size) * 0.5f;
    for (uint32_t y = 0; y < size; ++y)
        for (uint32_t x = 0; x < size; ++x) {
            if (half && (top ? float(y) > c : float(y) < c)) {
                p.At(x, y) = rim;
                continue;
            }
            const float d = std::hypot(float(x) - c, float(y) - c);
            p.At(x, y) = d < r - 2 ? fill : d < r ? rim : kClear;
        }
    return p;
}

Picture Check(bool on)
{
    Picture p = Button(16, 16, kSilverLight, Argb(30, 30, 40), kSilverDark);
    if (on)
        for (int i = 0; i < 8; ++i) {
            p.Fill(4 + i, 4 + i, 6 + i, 6 + i, kGoldLight);
            p.Fill(11 - i, 4 + i, 13 - i, 6 + i, kGoldLight);
        }
    return p;
}

Picture Toggle(uint32_t knob)
{
    Picture p = Button(32, 16, kSilverLight, Argb(40, 40, 55), kSilverDark);
    p.Fill(3, 3, 15, 13, knob);
    return p;
}

// Rows of blocky glyphs: the text-like strip that scrolls beside the figure.
Picture Glyphs()
{
    Picture p(64, 64, kClear);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const uint32_t cell = (x / 4) * 7 + (y / 8) * 13;
            const bool ink = (y % 8) < 6 && (x % 4) < 3 && ((cell * 2654435761u) >> 29) % 3 != 0;
            if (ink)
                p.At(x, y) = Argb(90, 255, 140, 230);
        }
    return p;
}

Picture Bars()
{
    Picture p(64, 64, kClear);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x)
            if ((y / 4) % 3 == 0)
                p.At(x, y) = Argb(80, 200, 255, 120 + (x * 2));
    return p;
}

// The strip down the left edge: a translucent panel with a gold rim.
Picture Panel(uint32_t height, bool top, bool bottom)
{
    Picture p(96, height, kPanel);
    p.Fill(88, 0, 96, int(height), kGold);
    p.Fill(88, 0, 90, int(height), kGoldLight);
    if (top)
        p.Fill(0, 0, 96, 6, kGold);
    if (bottom)
        p.Fill(0, int(height) - 6, 96, int(height), kGoldDark);
    return p;
}

Picture Cursor()
{
    Picture p(32, 32, kClear);
    for (int y = 0; y < 22; ++y) {
        const int w = y < 16 ? y + 1 : 16 - (y - 16) * 2;
        if (w > 0)
            p.Fill(0, y, w, y + 1, Argb(0, 0, 0));
        if (w > 2)
            p.Fill(1, y, w - 1, y + 1, Argb(250, 240, 200));
    }
    p.Fill(6, 16, 10, 28, Argb(0, 0, 0));
    p.Fill(7, 16, 9, 27, Argb(250, 240, 200));
    return p;
}

// The loading backdrop: a dark blue field under a bevelled gold frame with
// a lit band across its middle.
Picture Backdrop()
{
    Picture p(640, 480);
    for (uint32_t y = 0; y < 480; ++y)
        p.Fill(0, int(y), 640, int(y) + 1, Argb(10, 15 + y / 12, 40 + y / 8));
    p.Bevel(16, 16, 624, 464, 6, kGoldLight, kGoldDark);
    p.Fill(80, 200, 560, 280, Argb(60, 50, 30));
    p.Bevel(80, 200, 560, 280, 4, kGoldLight, kGoldDark);
    return p;
}

Picture Stone(uint32_t base)
{
    Picture p(64, 64);
    for (uint32_t y = 0; y < 64; ++y)
        for (uint32_t x = 0; x < 64; ++x) {
            const bool seam = y % 16 == 0 || (x + (y / 16) * 16) % 32 == 0;
            const uint32_t grain = (x * 5 + y * 11) % 9;
            const uint32_t v = seam ? base / 2 : base + grain;
            p.At(x, y) = Argb(v, v, v + 10);
        }
    return p;
}

Picture Plates(uint32_t r, uint32_t g, uint32_t b)
{
    Picture p(32, 32, Argb(r, g, b));
    p.Bevel(0, 0, 32, 32, 2, Argb(r + 40, g + 40, b + 40), Argb(r / 2, g / 2, b / 2));
    return p;
}

// The start-up dialog's picture: a night sky over dark hills, a gold moon
// and a tower on the skyline, in a gold frame.
Picture StartupPicture()
{
    const int w = 120, h = 234;
    Picture p{uint32_t(w), uint32_t(h)};
    for (int y = 0; y < h; ++y)
        p.Fill(0, y, w, y + 1, Argb(12 + uint32_t(y) / 8, 18 + uint32_t(y) / 6, 60 + uint32_t(y) / 3));
    // The moon: a gold disc with a darker bite out of it.
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            const int dx = x - 78, dy = y - 52, bx = x - 86, by = y - 46;
            if (dx * dx + dy * dy <= 18 * 18 && bx * bx + by * by > 15 * 15)
                p.At(uint32_t(x), uint32_t(y)) = kGoldLight;
        }
    // Two ranges of hills, the nearer one darker.
    for (int x = 0; x < w; ++x) {
        const int far = 150 - int(18.0 * std::sin(x * 0.07)) - x / 10;
        const int near = 185 - int(14.0 * std::sin(x * 0.11 + 1.3));
        p.Fill(x, far, x + 1, h, Argb(30, 40, 55));
        p.Fill(x, near, x + 1, h, Argb(15, 20, 25));
    }
    // A tower with a lit window.
    p.Fill(24, 118, 38, 190, Argb(20, 22, 30));
    p.Fill(21, 112, 41, 120, Argb(20, 22, 30));
    p.Fill(29, 136, 33, 144, kGold);
    p.Bevel(0, 0, w, h, 3, kGoldLight, kGoldDark);
    return p;
}

// ---- the sprite table ---------------------------------------------------------

struct Sprite {
    const char* name;
    Picture picture;
};

bool WriteSprites(const fs::path& folder)
{
    const Picture edge = Edge(), corner = Corner();
    const Sprite sprites[] = {
        {"Alientext.tga", Glyphs()},
        {"RHS_overlay.tga", Bars()},
        {"paneltop.tga", Panel(64, true, false)},
        {"panelmiddle.tga", Panel(88, false, false)},
        {"panelbottom.tga", Panel(64, false, true)},
        {"Button04.tga", Button(64, 32, kGoldLight, kGold, kGoldDark)},
        {"Button05.tga", Button(64, 32, kGoldLight, Argb(220, 180, 90), kGoldDark)},
        {"Button06.tga", Button(64, 32, kGoldDark, Argb(150, 115, 50), kGoldLight)},
        {"Button04b.tga", Button(64, 32, kSilverLight, kSilver, kSilverDark)},
        {"top.tga", edge},
        {"Left_side.tga", Turned(edge, 3)},
        {"Bottom.tga", Turned(edge, 2)},
        {"BLcorner.tga", Turned(corner, 3)},
        {"BRcorner.tga", Turned(corner, 2)},
        {"TLcorner.tga", corner},
        {"TRcorner.tga", Turned(corner, 1)},
        {"UpArrow01.tga", Arrow(true, kGold)},
        {"Roundtop.tga", Disc(16, kGoldDark, Argb(50, 45, 40), true, false)},
        {"Goldslider.tga", Button(16, 16, kGoldLight, kGold, kGoldDark)},
        {"Right_side.tga", Picture(16, 16, Argb(50, 45, 40))},
        {"Roundbottom.tga", Disc(16, kGoldDark, Argb(50, 45, 40), true, true)},
        {"DownArrow01.tga", Arrow(false, kGold)},
        {"UpArrow02.tga", Arrow(true, kGoldLight)},
        {"DownArrow02.tga", Arrow(false, kGoldLight)},
        {"S_SliderL.tga", SideArrow(true, kGold)},
        {"S_SliderM.tga", Button(16, 16, Argb(70, 65, 60), Argb(45, 40, 35), Argb(20, 20, 20))},
        {"S_SliderR.tga", SideArrow(false, kGold)},
        {"S_SliderL02.tga", SideArrow(true, kGoldLight)},
        {"S_SliderR02.tga", SideArrow(false, kGoldLight)},
        {"SilverSlider.tga", Button(16, 16, kSilverLight, kSilver, kSilverDark)},
        {"toggle1.tga", Toggle(kSilver)},
        {"toggle2.tga", Toggle(Argb(90, 90, 100))},
        {"toggle3.tga", Toggle(kGoldLight)},
        {"checkbox-off.tga", Check(false)},
        {"checkbox-on.tga", Check(true)},
        {"radiobutton_off.tga", Disc(16, kSilver, Argb(30, 30, 40), false, false)},
        {"radiobutton_on.tga", Disc(16, kSilver, kGoldLight, false, false)},
        {"EBoxL.tga", ButtonPart(0, kGoldLight, kGold, kGoldDark)},
        {"EBoxM.tga", ButtonPart(1, kGoldLight, kGold, kGoldDark)},
        {"EBoxR.tga", ButtonPart(2, kGoldLight, kGold, kGoldDark)},
        {"TBoxL.tga", ButtonPart(0, kSilverLight, kSilver, kSilverDark)},
        {"TBoxM.tga", ButtonPart(1, kSilverLight, kSilver, kSilverDark)},
        {"TBoxR.tga", ButtonPart(2, kSilverLight, kSilver, kSilverDark)},
        // The in-game menu's frames add a close box and a joint piece.
        {"TRclose01.tga", Button(16, 16, kGoldLight, Argb(160, 40, 30), kGoldDark)},
        {"TRclose02.tga", Button(16, 16, kGoldDark, Argb(220, 60, 40), kGoldLight)},
        {"MidRight.tga", Turned(edge, 1)},
        {"crs1.tga", Cursor()},
        {"front1.tga", Backdrop()},
    };
    for (const Sprite& sprite : sprites)
        if (!demo::WriteTarga(folder / sprite.name, sprite.picture)) {
            std::fprintf(stderr, "make_demo_frontend: cannot write %s\n", (folder / sprite.name).string().c_str());
            return false;
        }
    return true;
}

// ---- the background scene ------------------------------------------------------

std::unique_ptr<OmPbfMeshRecord> Box(const OmVector3& centre, const OmVector3& half, uint32_t material)
{
    auto mesh = std::make_unique<OmPbfMeshRecord>();
    demo::AddSquareUvs(*mesh);
    for (const demo::Side& side : demo::kSides)
        demo::AddSide(*mesh, side, centre + demo::Times(side.normal, half), half, material);
    return mesh;
}

// A hall behind the figure: a back wall, a floor and four pillars, in file
// units (ten to the engine's unit).
bool WriteBackground(const fs::path& folder)
{
    OmPbfScene scene;
    scene.materials.Add(demo::Material("Stone", "stone.tga", {0.8f, 0.8f, 0.85f, 1.0f}));
    scene.materials.Add(demo::Material("Floor", "floor.tga", {0.7f, 0.65f, 0.6f, 1.0f}));
    scene.materials.Add(demo::Material("Pillar", "pillar.tga", {0.9f, 0.8f, 0.6f, 1.0f}));
    scene.AddObject(Box({0, 120, 90}, {260, 150, 5}, 0));
    scene.AddObject(Box({0, -5, 0}, {260, 5, 100}, 1));
    const float pillars[4] = {-180, -60, 60, 180};
    for (float x : pillars)
        scene.AddObject(Box({x, 120, 70}, {12, 130, 12}, 2));
    scene.root.name.Assign("Background");
    for (int32_t i = 0; i < scene.objects.Count(); ++i) {
        auto* node = new OmPbfNode();
        node->name.Assign(("Part" + std::to_string(i)).c_str());
        node->object = i;
        scene.root.AddChild(node);
    }
    return scene.Save((folder / "background.pbf").string().c_str());
}

bool MakeFolder(const fs::path& folder)
{
    std::error_code error;
    fs::create_directories(folder, error);
    if (!error)
        return true;
    std::fprintf(stderr, "make_demo_frontend: cannot create %s: %s\n", folder.string().c_str(),
                 error.message().c_str());
    return false;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_frontend DATA_DIR\n");
        return 2;
    }
    const fs::path front = fs::path(argv[1]) / "frontend";
    const fs::path background = front / "background", helmer = front / "helmer";
    if (!MakeFolder(background / "textures") || !MakeFolder(helmer / "textures") || !WriteSprites(front))
        return 1;
    if (!demo::WriteTarga(background / "textures" / "stone.tga", Stone(110)) ||
        !demo::WriteTarga(background / "textures" / "floor.tga", Stone(80)) ||
        !demo::WriteTarga(background / "textures" / "pillar.tga", Plates(150, 120, 60)) ||
        !demo::WriteTarga(helmer / "textures" / "armour.tga", Plates(90, 100, 130)) ||
        !demo::WriteTarga(helmer / "textures" / "visor.tga", Plates(200, 170, 90)) ||
        !demo::WriteTarga(front / "startup.tga", StartupPicture()) ||
        // The load screen shown while a game is loaded, and the one shown
        // when a level is left for the title: the title backdrop.
        !demo::WriteTarga(fs::path(argv[1]) / "Intro Screen.tga", Backdrop()) ||
        !demo::WriteTarga(fs::path(argv[1]) / "Closing Screen.tga", Backdrop())) {
        std::fprintf(stderr, "make_demo_frontend: cannot write the scene textures\n");
        return 1;
    }
    if (!WriteBackground(background)) {
        std::fprintf(stderr, "make_demo_frontend: cannot write %s\n", (background / "background.pbf").string().c_str());
        return 1;
    }
    return 0;
}
