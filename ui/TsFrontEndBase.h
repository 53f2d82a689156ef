// The game mode that shows GUI windows: the pages it owns (found by name),
// a stack of the windows on screen, the tick that updates them and routes
// the mouse to them top-down, the frame that draws them bottom-up with the
// cursor on top, and the text and sprite operations the windows draw with.
//
// Windows may change the stack from inside the events the mode sends them (a
// message box pops itself, a button pushes a box or pops everything): the
// walks stop as soon as the stack changes, and a transient window popped
// during a walk is deleted only when the walk is over.
//
// The stack only borrows its windows. The front end owns its pages for the
// mode's life and each transient window (a box pushed by unique_ptr) while
// it stands on the stack or waits for a walk's end.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "engine/OmArray.h"
#include "game/framework/TsGameMode.h"
#include "ui/TsGuiDraw.h"

class OmD3DFont;
class TsGuiWindow;
struct TsGuiSprite;
namespace plat {
class GfxSurface;
}

class TsFrontEndBase : public TsGameMode {
    OM_DECLARE_CLASS(TsFrontEndBase)

    // Kind bits of a stack entry.
    static constexpr int32_t kStopsMouse = 1;
    static constexpr int32_t kStopsDrawing = 2;
    static constexpr int32_t kStopsUpdates = 4;
    static constexpr int32_t kScreen = 7;
    static constexpr int32_t kMessageBox = 5;
    static constexpr int32_t kPositionedBox = 3;
    static constexpr size_t kMaxSpritePath = 260;

    // Message-box results.
    static constexpr int32_t kResultOk = 0;
    static constexpr int32_t kResultCancel = 1;
    static constexpr int32_t kResultYes = 2;
    static constexpr int32_t kResultNo = 3;

    TsFrontEndBase();
    explicit TsFrontEndBase(OmArchive& archive);
    ~TsFrontEndBase() override;

    void Write(OmArchive&) override {}
    void Read(OmArchive&) override {}
    bool Import() override { return true; }
    // The cursor sprite and the application's three fonts.
    bool Initialise() override;
    void Tick(uint32_t tickCount) override;
    void Render(float renderTime, float fraction) override;
    TsModeType GetModeType() const override { return TS_MODE_FRONT_END; }
    // Runs when the last window is popped.
    virtual void EnterGame() {}

    // ---- pages and the window stack ----
    // The page is the front end's until the mode ends, pushed by pointer as
    // often as needed and found by its name. Returns it (null for none).
    template <class Page>
    Page* AdoptPage(std::unique_ptr<Page> page)
    {
        Page* adopted = page.get();
        if (adopted) {
            m_pages.push_back(std::move(page));
        }
        return adopted;
    }
    TsGuiWindow* FindPage(const char* name) const;
    TsGuiWindow* GetTopWindow() const;
    bool HasOpenWindows() const { return m_stack.GetCount() > 0; }
    int32_t GetStackDepth() const { return int32_t(m_stack.GetCount()); }
    TsGuiWindow* GetStackWindow(int32_t i) const;
    int32_t GetStackKind(int32_t i) const;
    // A window owned elsewhere (a page, say): the stack borrows it.
    void PushWindow(TsGuiWindow* window, int32_t kind);
    // A transient window: the front end deletes it once it has left the stack.
    void PushWindow(std::unique_ptr<TsGuiWindow> window, int32_t kind);
    // x and y go to the window's Open the first time it is pushed; they are
    // pointer-sized, as some windows are opened with an object.
    void PushWindowAt(TsGuiWindow* window, TsGuiArg x, TsGuiArg y, int32_t kind);
    void PushWindowAt(std::unique_ptr<TsGuiWindow> window, TsGuiArg x, TsGuiArg y, int32_t kind);
    void PopWindow();
    // Takes the window off the stack wherever it stands (its topmost entry);
    // nothing when it is not on it.
    void CloseWindow(TsGuiWindow* window);
    void PopAllWindows();

    int32_t GetMessageResult() const { return m_messageResult; }
    void SetMessageResult(int32_t result) { m_messageResult = result; }
    int32_t GetMouseX() const { return m_mouseX; }
    int32_t GetMouseY() const { return m_mouseY; }

    // ---- sprites and the backdrop ----
    // A sprite of "data\frontend\<name>"; null (logged) when it cannot be
    // loaded. The caller owns it.
    static TsGuiSprite* LoadTGAFrontEndSprite(const char* name);
    static plat::GfxSurface* CreateBackdropSurface(const char* file);
    static void DrawBackdrop(plat::GfxSurface* surface);
    static void ReleaseBackdrop(plat::GfxSurface* surface);

    // ---- texts ----
    // Font A (title, 20 pixels), B (large title, 32) and C (plain, 10); not
    // owned. Initialise takes them from the application.
    void SetFonts(OmD3DFont* title, OmD3DFont* largeTitle, OmD3DFont* plain);
    OmD3DFont* GetTitleFont() const { return m_fontA; }
    OmD3DFont* GetLargeTitleFont() const { return m_fontB; }
    OmD3DFont* GetPlainFont() const { return m_fontC; }
    void DrawTitleText(float x, float y, uint32_t colour, const char* text, int32_t filtered) const;
    void DrawLargeTitleText(float x, float y, uint32_t colour, const char* text, int32_t filtered) const;
    void DrawPlainText(float x, float y, uint32_t colour, const char* text, int32_t filtered) const;
    void GetTitleTextExtent(const char* text, float& width, float& height) const;
    void GetLargeTitleTextExtent(const char* text, float& width, float& height) const;
    void GetPlainTextExtent(const char* text, float& width, float& height) const;
    // Word-wrapped text in the plain font (pixels). `scrolled` pixels of
    // the text lie above top, scrolled out of view: lines there are not drawn.
    void DrawWrappedText(float left, float top, float right, float bottom, uint32_t colour, const char* text,
                         int32_t filtered, float scrolled = 0.0f) const;
    void MeasureWrappedText(const char* text, float wrapWidth, float bottom, float& width, float& height) const;

private:
    struct StackEntry {
        TsGuiWindow* window;
        int32_t kind;
    };
    void UpdateWindows(float time);
    void CloseWindowAt(uint32_t index);
    void SendMouseEvents();
    uint32_t ReadButtons();
    void DrawCursor();
    // A walk over the stack may still hold a window popped inside it: the
    // transient ones off the stack are deleted when the outermost walk ends.
    void BeginWalk() { ++m_walking; }
    void EndWalk();
    // Deletes a popped transient window unless it still stands on the stack;
    // during a walk it waits for the walk's end.
    void DiscardWindow(TsGuiWindow* window);
    bool IsOnStack(const TsGuiWindow* window) const;

    std::vector<std::unique_ptr<TsGuiWindow>> m_pages;
    std::vector<std::unique_ptr<TsGuiWindow>> m_transients;
    OmArray<StackEntry> m_stack{8}; // the last entry is the top; borrowed
    uint32_t m_stackChanges = 0; // grows with every push and pop
    int32_t m_walking = 0;
    TsGuiSprite* m_cursor = nullptr;
    int32_t m_mouseX = 0;
    int32_t m_mouseY = 0;
    int32_t m_messageResult = 0;
    int32_t m_doubleClickCountdown = 0;
    OmD3DFont* m_fontA = nullptr;
    OmD3DFont* m_fontB = nullptr;
    OmD3DFont* m_fontC = nullptr;
};
