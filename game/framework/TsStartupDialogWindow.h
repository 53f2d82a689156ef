// The start-up dialog's window: the game's picture down its left side, two
// drop-down lists (display adapter and screen mode), the "Disable FMV" check
// box and the "Play Tessaran" button, drawn in a small window of its own and worked with the mouse or the
// keyboard. Tab moves the focus, the arrow keys change a list's choice,
// Space opens a list or works the focused control, Enter plays and Escape
// quits (or closes an open list).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/DialogSurface.h"
#include "platform/FontRaster.h"

class TsStartupDialog;

class TsStartupDialogWindow {
public:
    struct Rect {
        int x = 0, y = 0, w = 0, h = 0;
        bool Contains(int px, int py) const { return px >= x && py >= y && px < x + w && py < y + h; }
        int CentreX() const { return x + w / 2; }
        int CentreY() const { return y + h / 2; }
    };

    static constexpr int kWidth = 488;
    static constexpr int kHeight = 250;
    static constexpr int kVisibleRows = 8; // of an open list
    // The picture panel's art (a game path) and where it is shown.
    static constexpr const char* kPicture = "data\\frontend\\startup.tga";
    static constexpr Rect kPictureRect{8, 8, 120, 234};

    explicit TsStartupDialogWindow(TsStartupDialog& dialog);
    ~TsStartupDialogWindow();

    bool Create(std::string* error);
    plat::Window& GetWindow() { return m_surface->GetWindow(); }
    const plat::DialogSurface& Surface() const { return *m_surface; }

    // Handles the input that has arrived and draws. The dialog's answer
    // (kPlay or kQuit) once it has ended, else 0.
    int Step();
    // Steps until the dialog ends.
    int RunModal();

    // Where a control is (dialog control ids), and where item `index` of the
    // open list is (empty when it is not shown).
    Rect ControlRect(int control) const;
    Rect ItemRect(int index) const;
    int OpenList() const { return m_openList; }
    int Focus() const { return m_focus; }

private:
    void Handle(const plat::DialogInput& in);
    void KeyDown(int key);
    void ListKey(int key);
    void MouseDown(int x, int y);
    void MouseUp(int x, int y);
    void Wheel(int notches);
    void OpenListOf(int control);
    void CloseList();
    void MoveHighlight(int delta);
    void Choose(int control, int index);
    int ItemCount(int control) const;
    int Selected(int control) const;
    const std::string& ItemText(int control, int index) const;
    void Draw();
    void DrawList(int control);
    void DrawOpenList();
    void DrawCheckBox();
    void DrawButton();
    void DrawGroup(const Rect& r, const char* title);
    void LoadPicture();
    void DrawPicture();

    TsStartupDialog& m_dialog;
    std::unique_ptr<plat::DialogSurface> m_surface;
    plat::FontRaster m_font;
    std::vector<uint32_t> m_picture; // cut to the panel; empty when it could not be read
    int m_pictureWidth = 0, m_pictureHeight = 0;
    int m_result = 0;
    int m_focus;
    int m_openList = 0;    // control id of the open list, 0 when none
    int m_highlight = 0;   // item under the keyboard or pointer in the open list
    int m_firstRow = 0;    // first item shown in the open list
    bool m_buttonArmed = false;
};
