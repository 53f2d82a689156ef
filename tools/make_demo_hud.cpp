// Writes the in-level HUD's art under the folder given on the command line
// (normally data/): hud/*.tga, the images the script "LoadHUDSprites" puts
// in the HUD's sprite table (scripts/hud.lua names them), the destination
// marker orangecross.tga and the four window images (corner, edge and the
// plain and highlighted interior); and HUD/trader.tga, the trader's picture
// that the trade panel shows in its frame (characters' pictures live with
// the articles' icons). Flat colours and bevelled frames, the
// same output on every run.
//
// Usage: make_demo_hud DATA_DIR
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/DemoImages.h"
#include "tools/DemoSupport.h"

namespace fs = std::filesystem;
using demo::Argb;
using demo::Picture;

namespace {

const uint32_t kClear = 0;
const uint32_t kSteelLight = Argb(190, 200, 215);
const uint32_t kSteel = Argb(90, 100, 120);
const uint32_t kSteelDark = Argb(35, 40, 55);
const uint32_t kGlow = Argb(120, 200, 255);

Picture Bevelled(uint32_t w, uint32_t h, uint32_t face, int depth = 2)
{
    Picture p(w, h, face);
    p.Bevel(0, 0, int(w), int(h), depth, kSteelLight, kSteelDark);
    return p;
}

// A slot of the inventory: a bevelled square tinted by the article's matter,
// brighter and gold-rimmed when highlighted.
Picture Slot(uint32_t tint, bool lit)
{
    Picture p(64, 64, tint);
    p.Bevel(0, 0, 64, 64, 3, lit ? Argb(250, 220, 120) : kSteelLight, lit ? Argb(160, 120, 40) : kSteelDark);
    return p;
}

// A face of flat shapes in the type's colour: head, eyes and shoulders.
Picture Portrait(uint32_t colour)
{
    Picture p(64, 64, Argb(10, 20, 30, 200));
    p.Fill(8, 44, 56, 64, colour);
    p.Fill(20, 10, 44, 42, colour);
    p.Fill(25, 20, 30, 25, Argb(10, 10, 10));
    p.Fill(34, 20, 39, 25, Argb(10, 10, 10));
    p.Bevel(0, 0, 64, 64, 1, kGlow, kSteelDark);
    return p;
}

Picture Bar(uint32_t colour)
{
    Picture p(64, 8, colour);
    p.Fill(0, 0, 64, 2, Argb(255, 255, 255, 160));
    return p;
}

// An arrow-head cursor (or a ring for the select forms) on clear ground.
Picture Cursor(uint32_t colour, bool ring)
{
    Picture p(16, 16, kClear);
    if (ring) {
        p.Bevel(1, 1, 15, 15, 2, colour, colour);
        p.Fill(7, 7, 9, 9, colour);
        return p;
    }
    for (int row = 0; row < 12; ++row) {
        p.Fill(0, row, row / 2 + 1, row + 1, colour);
    }
    return p;
}

Picture Cross(uint32_t colour, uint32_t size)
{
    Picture p(size, size, kClear);
    const int third = int(size) / 3;
    p.Fill(third, 0, int(size) - third, int(size), colour);
    p.Fill(0, third, int(size), int(size) - third, colour);
    return p;
}

// Two bands of the panel colour: the window frame's corner and edge images
// are drawn for the top-left and turned by their texture coordinates.
Picture WindowCorner()
{
    Picture p(16, 16, kClear);
    p.Fill(4, 4, 16, 16, kSteel);
    p.Fill(4, 4, 16, 6, kSteelLight);
    p.Fill(4, 4, 6, 16, kSteelLight);
    return p;
}

Picture WindowEdge()
{
    Picture p(16, 16, kClear);
    p.Fill(0, 4, 16, 16, kSteel);
    p.Fill(0, 4, 16, 6, kSteelLight);
    return p;
}

Picture Diagonal()
{
    Picture p(32, 32, kClear);
    for (int i = 0; i < 32; ++i) {
        p.Fill(31 - i, i, 32 - i + 1, i + 1, kSteelLight);
    }
    return p;
}

Picture Icon(uint32_t colour)
{
    Picture p = Bevelled(16, 16, colour, 1);
    p.Fill(5, 5, 11, 11, Argb(250, 250, 250));
    return p;
}

struct Sprite {
    const char* name;
    Picture picture;
};

// Every picture of the HUD folder, by its file name: a table apart from
// the writing, which only walks it.
std::vector<Sprite> HudSprites()
{
    const uint32_t physical = Argb(110, 110, 110), chemical = Argb(150, 50, 40), energy = Argb(40, 70, 160);
    const uint32_t item = Argb(70, 110, 60);
    return {
        {"dummy.tga", Picture(8, 8, kClear)},
        {"vitality.tga", Bar(Argb(60, 140, 255))},
        {"health.tga", Bar(Argb(220, 40, 40))},
        {"plate.tga", Bevelled(192, 64, Argb(50, 60, 80, 230), 3)},
        {"follow_on.tga", Icon(Argb(60, 180, 60))},
        {"follow_off.tga", Icon(Argb(60, 60, 60))},
        {"shoot_on.tga", Icon(Argb(200, 60, 40))},
        {"shoot_off.tga", Icon(Argb(70, 40, 40))},
        {"comms.tga", Bevelled(64, 64, Argb(60, 90, 120), 3)},
        {"inv_empty.tga", Slot(Argb(30, 35, 45, 200), false)},
        {"inv_item.tga", Slot(item, false)},
        {"inv_phys.tga", Slot(physical, false)},
        {"inv_chem.tga", Slot(chemical, false)},
        {"inv_energy.tga", Slot(energy, false)},
        {"inv_item_hi.tga", Slot(item, true)},
        {"inv_phys_hi.tga", Slot(physical, true)},
        {"inv_chem_hi.tga", Slot(chemical, true)},
        {"inv_energy_hi.tga", Slot(energy, true)},
        {"holo0.tga", Portrait(Argb(230, 180, 120))},
        {"holo1.tga", Portrait(Argb(120, 200, 120))},
        {"holo2.tga", Portrait(Argb(200, 120, 200))},
        {"holo3.tga", Portrait(Argb(120, 160, 230))},
        {"holo4.tga", Portrait(Argb(230, 120, 100))},
        {"holo5.tga", Portrait(Argb(230, 230, 120))},
        {"holo6.tga", Portrait(Argb(180, 180, 180))},
        {"secondary_on.tga", Icon(Argb(240, 160, 40))},
        {"secondary_off.tga", Icon(Argb(90, 70, 40))},
        {"diag_bar.tga", Diagonal()},
        {"tbar.tga", Bevelled(32, 16, kGlow)},
        {"main_open.tga", Bevelled(64, 64, Argb(20, 30, 50), 3)},
        {"cursor.tga", Cursor(Argb(255, 255, 255), false)},
        {"cursor_hi.tga", Cursor(Argb(255, 220, 80), false)},
        {"cursor_select.tga", Cursor(Argb(120, 255, 120), true)},
        {"cursor_select_hi.tga", Cursor(Argb(255, 255, 120), true)},
        {"cursor_invalid.tga", Cross(Argb(255, 60, 60), 16)},
        {"banter_frame.tga", Picture(64, 64, kClear)},
        {"target.tga", Cursor(Argb(255, 255, 255), true)},
        {"combat_icon.tga", Icon(Argb(200, 50, 50))},
        {"neg_icon.tga", Icon(Argb(50, 160, 50))},
        {"tech_icon.tga", Icon(Argb(50, 100, 200))},
        {"beta.tga", Picture(8, 8, kClear)},
        {"hand.tga", Bevelled(64, 64, Argb(80, 70, 60), 3)},
        {"orangecross.tga", Cross(Argb(255, 140, 0, 220), 32)},
        {"WindowCorner.tga", WindowCorner()},
        {"WindowEdge.tga", WindowEdge()},
        {"WindowMiddle.tga", Picture(16, 16, Argb(200, 190, 160, 230))},
        {"WindowMiddleb.tga", Picture(16, 16, Argb(250, 220, 140, 240))},
    };
}

} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: make_demo_hud DATA_DIR\n");
        return 2;
    }
    const fs::path folder = fs::path(argv[1]) / "hud";
    std::error_code error;
    fs::create_directories(folder, error);
    const std::vector<Sprite> sprites = HudSprites();
    // The banter frame is a bevelled ring around a clear middle.
    for (const Sprite& sprite : sprites) {
        Picture picture = sprite.picture;
        if (std::string(sprite.name) == "banter_frame.tga") {
            picture.Bevel(0, 0, 64, 64, 4, kSteelLight, kSteelDark);
        }
        if (error || !demo::WriteTarga(folder / sprite.name, picture)) {
            std::fprintf(stderr, "make_demo_hud: cannot write %s\n", (folder / sprite.name).string().c_str());
            return 1;
        }
    }
    // The trader's face: a bronze figure, told apart from the party's.
    const fs::path pictures = fs::path(argv[1]) / "HUD";
    fs::create_directories(pictures, error);
    if (error || !demo::WriteTarga(pictures / "trader.tga", Portrait(Argb(205, 150, 70)))) {
        std::fprintf(stderr, "make_demo_hud: cannot write %s\n", (pictures / "trader.tga").string().c_str());
        return 1;
    }
    return 0;
}
