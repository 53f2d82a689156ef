#include "ui/TsCreditsScroller.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/OmVector4.h"
#include "game/framework/TsAccess.h"
#include "game/framework/TsLog.h"
#include "platform/GfxTypes.h"
#include "render/OmD3D.h"
#include "render/OmD3DBuffer.h"
#include "ui/TsFrontEndHost.h"
#include "ui/TsGuiSprite.h"

namespace {

constexpr float kScrollRate = 0.19193858f; // strip texture lengths a second
constexpr float kLineRate = 2.0f;          // lines a second
constexpr float kLabelMargin = 24.0f;      // pixels either side of a two-column line
constexpr int32_t kVerticesPerStrip = 6; // two triangles, listed
constexpr int32_t kTrianglesPerStrip = kVerticesPerStrip / 3;

struct StripVertex {
    float x, y, z;
    uint32_t colour;
    float u, v;
};
static_assert(sizeof(StripVertex) == 24, "the strips are drawn in format 0x142");

const char kCredits[] =
    "<Alientext.tga>\n"
    "TESSARAN\n"
    "\n"
    "@Design@The team\n"
    "@Engine@The team\n"
    "@Game code@The team\n"
    "@Scripts@The team\n"
    "@Interface@The team\n"
    "@Art@Demo tools\n"
    "@Fonts@DejaVu\n"
    "\n"
    "Built with\n"
    "@Windows@SDL 2\n"
    "@Graphics@OpenGL\n"
    "@Sound@OpenAL\n"
    "@Type@FreeType\n"
    "@Video@FFmpeg\n"
    "@Scripts@Lua\n"
    "\n"
    "Thank you for playing\n"
    "\n";

OmD3D* Renderer()
{
    return static_cast<OmD3D*>(OmRenderer::Current());
}

// The end of the line that starts at p (its '\n' or the terminating zero).
const char* LineEnd(const char* p)
{
    const char* end = std::strchr(p, '\n');
    return end ? end : p + std::strlen(p);
}

// Copies at most size - 1 characters of [from, to) into out.
void CopyPiece(const char* from, const char* to, char* out, size_t size)
{
    const size_t n = std::min(size - 1, size_t(to - from));
    std::memcpy(out, from, n);
    out[n] = '\0';
}

uint32_t Grey(float level)
{
    const uint32_t g = OmLevelByte(level);
    return g << 24 | g << 16 | g << 8 | g;
}

} // namespace

TsCreditsScroller::TsCreditsScroller() = default;

TsCreditsScroller::~TsCreditsScroller() { Release(); }

const char* TsCreditsScroller::DefaultCredits() { return kCredits; }

void TsCreditsScroller::Reset()
{
    m_scroll = m_previousScroll = 0.0f;
    m_lineIndex = 0;
    m_line = m_text;
    m_lineDrawn = 0.0f;
    m_lineProgress = m_linePrevious = 0.0f;
}

void TsCreditsScroller::Prepare(TsFrontEndHost* host, const char* credits)
{
    if (m_text)
        return;
    m_host = host;
    m_text = m_line = credits ? credits : "";
    m_lineIndex = m_lineCount = 0;
    m_labelColumn = 0.0f;
    char buffer[kCaptureSize];
    int32_t length = 0;
    bool capture = false;
    for (const char* p = m_text; *p; ++p) {
        const char c = *p;
        if (c == '\n') {
            ++m_lineCount;
            capture = false;
            Measure(buffer, length);
        } else if (c == '@') {
            capture = true;
            Measure(buffer, length);
        } else if (c == '<') {
            RegisterTag(p);
        } else if (capture && length < kCaptureSize - 1) {
            buffer[length++] = c; // a longer piece is measured cut
        }
    }
    m_labelColumn += kLabelMargin;
}

// p is at a '<'; it is left at the '>' (or the line's end when there is none).
void TsCreditsScroller::RegisterTag(const char*& p)
{
    const char* end = p + 1;
    while (*end && *end != '>' && *end != '\n')
        ++end;
    if (*end != '>') {
        LogErrorF("Credits: the image tag on line %d has no '>'; the line shows nothing", m_lineCount + 1);
        p = end - 1; // the loop goes on at the line's end
        return;
    }
    if (m_tagCount >= kMaxTags) {
        LogErrorF("Credits: more than %d image tags; the one on line %d shows nothing", kMaxTags, m_lineCount + 1);
    } else {
        char name[TsFrontEndBase::kMaxSpritePath];
        CopyPiece(p + 1, end, name, sizeof name);
        m_tags[m_tagCount] = Tag{p, end};
        m_tagSprites[m_tagCount] = TsFrontEndBase::LoadTGAFrontEndSprite(name);
        ++m_tagCount;
    }
    p = end;
}

void TsCreditsScroller::Measure(char* buffer, int32_t& length)
{
    buffer[length] = '\0';
    if (length > 0 && m_host) {
        float width = 0.0f, height = 0.0f;
        m_host->GetPlainTextExtent(buffer, width, height);
        m_labelColumn = std::max(float(int32_t(m_labelColumn)), width);
    }
    length = 0;
}

void TsCreditsScroller::Tick(float tickDuration)
{
    m_previousScroll = m_scroll;
    m_scroll += tickDuration * kScrollRate;
    if (m_scroll >= 1.0f) {
        m_scroll -= 1.0f;
        m_previousScroll -= 1.0f;
    }
    if (!m_creditsOn || !m_text)
        return;
    m_linePrevious = m_lineDrawn = m_lineProgress;
    m_lineProgress += kLineRate * tickDuration;
    if (m_lineProgress < 1.0f)
        return;
    m_lineProgress -= 1.0f;
    m_linePrevious -= 1.0f;
    m_lineDrawn -= 1.0f;
    const char* end = LineEnd(m_line);
    if (*end && end[1]) {
        m_line = end + 1;
        ++m_lineIndex;
    } else {
        m_line = m_text; // the credits repeat
        m_lineIndex = 0;
    }
}

void TsCreditsScroller::Release()
{
    if (OmD3D* renderer = Renderer()) {
        for (int32_t& id : m_buffers)
            if (id >= 0)
                renderer->ReleaseVertexBuffer(id);
    }
    m_buffers[0] = m_buffers[1] = -1;
    for (int32_t i = 0; i < m_tagCount; ++i) {
        delete m_tagSprites[i];
        m_tagSprites[i] = nullptr;
    }
    m_tagCount = 0;
}

uint32_t TsCreditsScroller::EdgeLevel(int32_t strip, int32_t stripCount)
{
    if (strip <= 0 || stripCount < 2)
        return 0;
    const float k = 2.0f * float(stripCount) / float(stripCount - 1);
    const float kt = k * float(strip) / float(stripCount);
    const float a = kt < 1.0f ? kt : 2.0f - kt;
    return OmColourByte(a);
}

uint32_t TsCreditsScroller::LowColour(int32_t strip, int32_t stripCount)
{
    return strip == 0 ? 0 : Grey(float(EdgeLevel(strip - 1, stripCount)));
}

uint32_t TsCreditsScroller::HighColour(int32_t strip, int32_t stripCount)
{
    return Grey(float(EdgeLevel(strip, stripCount)));
}

TsCreditsScroller::StripRange TsCreditsScroller::LitStrips(int32_t stripCount)
{
    const auto lit = [stripCount](int32_t i) {
        return ((LowColour(i, stripCount) | HighColour(i, stripCount)) & 0x00FFFFFFu) != 0;
    };
    StripRange range{0, stripCount};
    while (range.first < range.end && !lit(range.first))
        ++range.first;
    while (range.end > range.first && !lit(range.end - 1))
        --range.end;
    return range;
}

void TsCreditsScroller::Render(float fraction, bool drawStrips, int32_t targetWidth, int32_t targetHeight)
{
    if (drawStrips && (m_buffers[0] >= 0 || CreateStripBuffers())) {
        WriteStripCoordinates(m_previousScroll + (m_scroll - m_previousScroll) * fraction);
        DrawStrips();
    }
    if (m_creditsOn && m_text)
        DrawCredits(fraction, drawStrips ? targetWidth : 0, drawStrips ? targetHeight : 0);
}

bool TsCreditsScroller::CreateStripBuffers()
{
    OmD3D* renderer = Renderer();
    if (!renderer)
        return false;
    const uint32_t vertexCount = uint32_t(m_stripCount * kVerticesPerStrip);
    for (int32_t& id : m_buffers) {
        id = renderer->CreateVertexBuffer(kStripFormat, vertexCount, false, false, true);
        if (id < 0) {
            LogError("Credits: the strip buffers could not be made; the strips are not drawn");
            Release();
            return false;
        }
    }
    return true;
}

// Both layers cover x 2.5..3.5, y -1..1; the strips run bottom to top, grey
// and transparent at both ends, brightest in the middle.
void TsCreditsScroller::WriteStripCoordinates(float s)
{
    OmD3D* renderer = Renderer();
    const float d = m_bandHeight / float(m_stripCount);
    const float n = float(m_stripCount);
    for (int layer = 0; layer < 2; ++layer) {
        OmD3DVertexBuffer* buffer = renderer->GetVertexBuffer(m_buffers[layer]);
        if (!buffer)
            continue;
        buffer->SetDiscard();
        auto* v = static_cast<StripVertex*>(buffer->Lock(0, 0, false));
        if (!v)
            continue;
        for (int32_t i = 0; i < m_stripCount; ++i) {
            const float bottom = -1.0f + 2.0f * float(i) / n, top = -1.0f + 2.0f * float(i + 1) / n;
            const uint32_t lowColour = LowColour(i, m_stripCount), high = HighColour(i, m_stripCount);
            float uL, uR, vB, vT;
            if (layer == 0) {
                uL = 0.0f, uR = 1.0f, vB = s + float(i) * d, vT = s + float(i + 1) * d;
            } else {
                uL = s, uR = s - 2.0f, vB = s - float(i) * d, vT = s - float(i + 1) * d;
            }
            StripVertex* q = v + i * kVerticesPerStrip;
            q[0] = {2.5f, bottom, 0.0f, lowColour, uL, vB};
            q[1] = {3.5f, bottom, 0.0f, lowColour, uR, vB};
            q[2] = {3.5f, top, 0.0f, high, uR, vT};
            q[3] = q[2];
            q[4] = {2.5f, top, 0.0f, high, uL, vT};
            q[5] = q[0];
        }
        buffer->Unlock();
    }
}

void TsCreditsScroller::DrawStrips()
{
    using namespace plat;
    OmD3D* renderer = Renderer();
    renderer->DispatchRenderState(GfxRs::CullMode, 1);
    renderer->DispatchRenderState(GfxRs::ZEnable, 0);
    renderer->DispatchRenderState(GfxRs::AlphaBlendEnable, 1);
    renderer->DispatchRenderState(GfxRs::SrcBlend, 3);
    renderer->DispatchRenderState(GfxRs::DestBlend, 2);
    renderer->SetTextureStageState(0, GfxTss::ColorOp, GfxTop::Modulate);
    renderer->SetTextureStageState(0, GfxTss::ColorArg1, GfxTa::Texture);
    renderer->SetTextureStageState(0, GfxTss::ColorArg2, GfxTa::Diffuse);
    renderer->SetVertexShader(kStripFormat);
    // The strips are added with their own colour as the factor: a strip
    // black at both edges adds nothing to the target, to the bit, and the
    // band's black ends are left out.
    const StripRange lit = LitStrips(m_stripCount);
    for (int layer = 0; layer < 2 && lit.first < lit.end; ++layer) {
        const TsGuiSprite* sprite = m_host ? m_host->GetSprite(layer) : nullptr;
        renderer->SetTexture(0, sprite ? sprite->textureId : -1);
        renderer->SetStreamSource(0, m_buffers[layer]);
        renderer->DrawPrimitive(GfxPrimitive::TriangleList, uint32_t(lit.first * kVerticesPerStrip),
                                uint32_t((lit.end - lit.first) * kTrianglesPerStrip));
    }
    renderer->DispatchRenderState(GfxRs::ZEnable, 1);
}

void TsCreditsScroller::DrawCredits(float fraction, int32_t targetWidth, int32_t targetHeight)
{
    if (!m_host)
        return;
    const int32_t rows = targetHeight > 0 ? targetHeight / 25 : 10;
    float unused = 0.0f, rowHeight = 0.0f;
    m_host->GetPlainTextExtent("0", unused, rowHeight);
    const float t = m_linePrevious + (m_lineProgress - m_linePrevious) * fraction;
    m_lineDrawn = t;
    float x0, y0;
    if (targetHeight > 0) {
        x0 = float(int32_t(float(targetWidth) * 0.375f));
        y0 = float(int32_t(float(targetHeight) * 0.195f));
    } else {
        x0 = 0.6f * float(TsAccess::ScreenWidth());
        y0 = 0.3f * float(TsAccess::ScreenHeight());
    }
    float y = y0 - float(int32_t(rowHeight * t));
    const char* line = m_line ? m_line : m_text;
    for (int32_t r = 0; r < rows; ++r) {
        uint32_t colour = 0xFFFFFFFF;
        if (r == 0)
            colour = Grey(255.0f - t * 255.0f);
        else if (r == rows - 1)
            colour = Grey(t * 255.0f);
        DrawLine(line, x0, y, colour);
        const char* end = LineEnd(line);
        line = *end && end[1] ? end + 1 : m_text;
        y += rowHeight;
    }
}

const TsCreditsScroller::Tag* TsCreditsScroller::TagAt(const char* line, int32_t& index) const
{
    for (index = 0; index < m_tagCount; ++index)
        if (m_tags[index].start == line)
            return &m_tags[index];
    return nullptr;
}

void TsCreditsScroller::DrawLine(const char* line, float x0, float y, uint32_t colour)
{
    const char* end = LineEnd(line);
    char text[kCaptureSize];
    float w = 0.0f, h = 0.0f;
    if (*line == '<') {
        int32_t index = 0;
        if (TagAt(line, index) && m_tagSprites[index]) {
            const TsGuiSprite* sprite = m_tagSprites[index];
            sprite->Draw(Renderer(), x0 - sprite->GetPixelWidth() * 0.5f, y, 0, TsGuiSprite::kKeepBlend);
        }
        return;
    }
    if (*line == '@') {
        const char* second = std::find(line + 1, end, '@');
        char role[kCaptureSize], name[kCaptureSize];
        CopyPiece(line + 1, second, role, sizeof role);
        CopyPiece(second < end ? second + 1 : end, end, name, sizeof name);
        float roleW = 0.0f, nameW = 0.0f, dotW = 0.0f;
        m_host->GetPlainTextExtent(role, roleW, h);
        m_host->GetPlainTextExtent(name, nameW, h);
        m_host->GetPlainTextExtent(".", dotW, h);
        const int32_t gap = int32_t(2.0f * m_labelColumn - roleW - nameW);
        const int32_t dots = dotW >= 1.0f && gap > 0 ? gap / int32_t(dotW) : 0;
        const int32_t count = std::min(dots, kCaptureSize - 1);
        std::memset(text, '.', size_t(count));
        text[count] = '\0';
        m_host->DrawPlainText(x0 - m_labelColumn, y, colour, role, 0);
        m_host->DrawPlainText(x0 - m_labelColumn + roleW, y, colour, text, 0);
        m_host->DrawPlainText(x0 + m_labelColumn - nameW, y, colour, name, 0);
        return;
    }
    CopyPiece(line, end, text, sizeof text);
    m_host->GetPlainTextExtent(text, w, h);
    m_host->DrawPlainText(x0 - float(int32_t(w) / 2), y, colour, text, 0);
}
