// The front end's text operations: three fonts by role, and word-wrapped
// text in the plain font. Drawing and measuring break lines with one walker;
// measuring keeps a margin after each word, so a box measured for a text
// draws it on no more lines than were measured.
#include <algorithm>
#include <cstring>

#include "render/OmD3DFont.h"
#include "ui/TsFrontEndBase.h"

namespace {

void DrawWith(OmD3DFont* font, float x, float y, uint32_t colour, const char* text, int32_t filtered)
{
    if (font && text) {
        font->DrawText(x, y, colour, text, filtered > 0 ? 12u : 4u);
    }
}

void ExtentWith(const OmD3DFont* font, const char* text, float& width, float& height)
{
    uint32_t size[2] = {0, 0};
    if (font && text && font->GetTextExtent(text, size) >= 0) {
        width = float(size[0]);
        height = float(size[1]);
        return;
    }
    width = height = 0.0f;
}

// A word of a wrapped text: up to and including a space, tab or newline.
struct Word {
    const char* start;
    size_t length;
    bool last;    // no delimiter: the end of the text
    bool newline; // ends in a newline
};

bool NextWord(const char*& cursor, Word& word)
{
    if (!*cursor) {
        return false;
    }
    const char* end = cursor + std::strcspn(cursor, " \t\n");
    word.start = cursor;
    word.last = *end == '\0';
    word.newline = *end == '\n';
    word.length = size_t(end - cursor) + (word.last ? 0 : 1);
    cursor = word.start + word.length;
    return true;
}

// A word copied out for the font (which wants a terminated text); words
// longer than the buffer are cut, being wider than any screen anyway.
struct WordText {
    char text[256];
    explicit WordText(const Word& word)
    {
        const size_t n = std::min(word.length, sizeof text - 1);
        std::memcpy(text, word.start, n);
        text[n] = '\0';
    }
};

// A word followed by more text must end this far short of the wrap edge;
// measuring counts the same room after every such word, so a box as wide as
// a measured line holds that line when it is drawn.
constexpr float kWordMargin = 4.0f;

// Lays the words out in lines (a word wider than a line stands alone on its
// line) and calls place(text, x, y) for each; place returns false to stop.
// Every newline ends its line. `gap` is what x grows by after a word other
// than the last (0 when drawing, the margin when measuring). Answers the
// widest line, the total height and whether any line was ended.
template <class Place>
bool WalkWords(const OmD3DFont& font, const char* text, float wrapWidth, float gap, float& width, float& height,
               Place place)
{
    const float row = font.RowHeight();
    float x = 0.0f, y = 0.0f, lineHeight = 0.0f;
    bool ended = false;
    width = 0.0f;
    Word word;
    for (const char* cursor = text; NextWord(cursor, word);) {
        const WordText copy(word);
        uint32_t size[2] = {0, 0};
        font.GetTextExtent(copy.text, size);
        const float w = float(size[0]);
        const float h = word.newline ? row : float(size[1]);
        if (x > 0.0f && x + w + (word.last ? 0.0f : kWordMargin) >= wrapWidth) {
            y += lineHeight;
            x = 0.0f;
            lineHeight = 0.0f;
            ended = true;
        }
        if (!place(copy.text, x, y)) {
            break;
        }
        x += w + (word.last ? 0.0f : gap);
        width = std::max(width, x);
        lineHeight = std::max(lineHeight, h);
        if (word.newline) {
            y += lineHeight;
            x = 0.0f;
            lineHeight = 0.0f;
            ended = true;
        }
    }
    height = y + lineHeight;
    return ended;
}

} // namespace

void TsFrontEndBase::DrawTitleText(float x, float y, uint32_t colour, const char* text, int32_t filtered) const
{
    DrawWith(m_fontA, x, y, colour, text, filtered);
}

void TsFrontEndBase::DrawLargeTitleText(float x, float y, uint32_t colour, const char* text, int32_t filtered) const
{
    DrawWith(m_fontB, x, y, colour, text, filtered);
}

void TsFrontEndBase::DrawPlainText(float x, float y, uint32_t colour, const char* text, int32_t filtered) const
{
    DrawWith(m_fontC, x, y, colour, text, filtered);
}

void TsFrontEndBase::GetTitleTextExtent(const char* text, float& width, float& height) const
{
    ExtentWith(m_fontA, text, width, height);
}

void TsFrontEndBase::GetLargeTitleTextExtent(const char* text, float& width, float& height) const
{
    ExtentWith(m_fontB, text, width, height);
}

void TsFrontEndBase::GetPlainTextExtent(const char* text, float& width, float& height) const
{
    ExtentWith(m_fontC, text, width, height);
}

void TsFrontEndBase::DrawWrappedText(float left, float top, float right, float bottom, uint32_t colour,
                                     const char* text, int32_t filtered, float scrolled) const
{
    if (!m_fontC || !text) {
        return;
    }
    OmD3DFont* font = m_fontC;
    const uint32_t flags = filtered > 0 ? 12u : 4u;
    float width = 0.0f, height = 0.0f;
    WalkWords(*font, text, right - left, 0.0f, width, height, [&](const char* word, float x, float y) {
        const float lineTop = top - scrolled + y;
        if (lineTop > bottom) {
            return false;
        }
        if (lineTop + 0.5f >= top) { // sums of row heights may miss top by a rounding
            font->DrawText(left + x, lineTop, colour, word, flags);
        }
        return true;
    });
}

void TsFrontEndBase::MeasureWrappedText(const char* text, float wrapWidth, float, float& width, float& height) const
{
    width = height = 0.0f;
    if (!m_fontC || !text) {
        return;
    }
    // A text that needed more than one line is as wide as its wrap width.
    const bool wrapped =
        WalkWords(*m_fontC, text, wrapWidth, kWordMargin, width, height, [](const char*, float, float) { return true; });
    width = wrapped ? wrapWidth : float(int32_t(width));
    height = float(int32_t(height));
}
