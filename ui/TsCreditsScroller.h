// The title figure's side show: a band of six strips whose two glyph
// textures scroll for ever beside the figure, and, while the credits screen
// is up, the credits rolling upwards one line at a time with the top and
// bottom lines fading. The credits are one string held by the program:
// a line starting with '<' shows the sprite named up to '>', a line
// "@role@name" is a two-column line joined by dots, any other line is
// centred.
#pragma once

#include <cstdint>

class TsFrontEndHost;
struct TsGuiSprite;

class TsCreditsScroller {
public:
    static constexpr int32_t kMaxTags = 8;
    // The longest piece of a credits line that is measured; longer ones are
    // measured cut.
    static constexpr int32_t kCaptureSize = 256;
    static constexpr uint32_t kStripFormat = 0x142;

    struct Tag {
        const char* start = nullptr; // the '<'
        const char* end = nullptr;   // the '>'
    };

    TsCreditsScroller();
    ~TsCreditsScroller();
    TsCreditsScroller(const TsCreditsScroller&) = delete;
    TsCreditsScroller& operator=(const TsCreditsScroller&) = delete;

    // The credits the title screen shows.
    static const char* DefaultCredits();

    // Counts the lines, measures the two-column lines and loads the tag
    // sprites through the host. Nothing when already prepared.
    void Prepare(TsFrontEndHost* host, const char* credits = DefaultCredits());
    void Reset();
    void Tick(float tickDuration);
    void Render(float fraction, bool drawStrips, int32_t targetWidth, int32_t targetHeight);
    // Frees the strip buffers and the tag sprites.
    void Release();

    void SetCreditsOn(bool on) { m_creditsOn = on ? 1 : 0; }
    bool IsCreditsOn() const { return m_creditsOn != 0; }
    bool IsPrepared() const { return m_text != nullptr; }
    int32_t GetLineCount() const { return m_lineCount; }
    int32_t GetLineIndex() const { return m_lineIndex; }
    const char* GetCurrentLine() const { return m_line; }
    float GetLabelColumn() const { return m_labelColumn; }
    float GetLineProgress() const { return m_lineProgress; }
    float GetDrawnProgress() const { return m_lineDrawn; }
    float GetScroll() const { return m_scroll; }
    int32_t GetTagCount() const { return m_tagCount; }
    const Tag& GetTag(int32_t i) const { return m_tags[i]; }
    TsGuiSprite* GetTagSprite(int32_t i) const { return m_tagSprites[i]; }
    int32_t GetStripBuffer(int layer) const { return m_buffers[layer]; }

    // The strip geometry's grey level at the top edge of strip i.
    static uint32_t EdgeLevel(int32_t strip, int32_t stripCount);
    // The strips whose colour is not black at both edges, first to one past
    // the last.
    struct StripRange {
        int32_t first, end;
    };
    static StripRange LitStrips(int32_t stripCount);

private:
    // A strip's vertex colours at its bottom and top edges.
    static uint32_t LowColour(int32_t strip, int32_t stripCount);
    static uint32_t HighColour(int32_t strip, int32_t stripCount);
    void RegisterTag(const char*& p);
    void Measure(char* buffer, int32_t& length);
    bool CreateStripBuffers();
    void WriteStripCoordinates(float s);
    void DrawStrips();
    void DrawCredits(float fraction, int32_t targetWidth, int32_t targetHeight);
    void DrawLine(const char* line, float x0, float y, uint32_t colour);
    const Tag* TagAt(const char* line, int32_t& index) const;

    int32_t m_stripCount = 6;
    float m_bandHeight = 0.6f;
    float m_scroll = 0.0f, m_previousScroll = 0.0f;
    int32_t m_buffers[2] = {-1, -1};
    float m_labelColumn = 0.0f;
    uint8_t m_creditsOn = 0;
    int32_t m_lineIndex = 0;
    int32_t m_lineCount = 0;
    const char* m_text = nullptr; // the credits; null until prepared
    const char* m_line = nullptr; // the first visible line
    float m_lineProgress = 0.0f, m_linePrevious = 0.0f, m_lineDrawn = 0.0f;
    Tag m_tags[kMaxTags];
    TsGuiSprite* m_tagSprites[kMaxTags] = {};
    int32_t m_tagCount = 0;
    TsFrontEndHost* m_host = nullptr;
};
