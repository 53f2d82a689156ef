// Copies between surfaces and render targets: the back buffer read and
// written whole, rectangles between surfaces, and one target blitted onto
// another of its format.
#include "platform/GfxDeviceImpl.h"

#include <algorithm>
#include <cstring>
#include <vector>

namespace plat {

void GfxDevice::ReadBackBuffer(uint8_t* pixels)
{
    FlushBatch();
    ReadWhole(gl_->backFbo, width_, height_, gl_->readFormat, gl_->readType, pixels);
}

void GfxDevice::ReadWhole(GLuintName from, uint32_t width, uint32_t height, GLenum format, GLenum type, void* pixels)
{
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, static_cast<GLsizei>(width), static_cast<GLsizei>(height), format, type, pixels);
    BindTarget();
    ForgetGLState();
}

void GfxDevice::WriteBackBuffer(const uint8_t* pixels)
{
    FlushBatch();
    glBindTexture(GL_TEXTURE_2D, gl_->backColor);
    glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
    glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
    glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, static_cast<GLsizei>(width_),
                    static_cast<GLsizei>(height_), gl_->readFormat, gl_->readType, pixels);
    ForgetGLState();
}

int32_t GfxDevice::GetFrontBuffer(GfxSurface* dest)
{
    FlushBatch();
    if (!dest || dest->Format() != GfxFormat::A8R8G8B8 || dest->GetKind() == GfxSurface::Kind::BackBuffer)
        return GfxResult::InvalidCall;
    std::vector<uint32_t> image(static_cast<size_t>(width_) * height_, 0xFF000000u);
    if (presented_)
        ReadWhole(gl_->frontFbo, width_, height_, GL_BGRA, GL_UNSIGNED_INT_8_8_8_8_REV, image.data());
    // The surface stands for the screen: the image goes where the window
    // shows it, at the window's size (the whole desktop in full screen). A
    // hidden window of the device's own shows it at the top left, unscaled.
    int wx = 0, wy = 0, ww = static_cast<int>(width_), wh = static_cast<int>(height_);
    if (!gl_->ownWindow) {
        const GfxRect shown = ShownRect();
        wx = shown.left;
        wy = shown.top;
        ww = shown.right - shown.left;
        wh = shown.bottom - shown.top;
        if (params_.windowed)
            SDL_GetWindowPosition(gl_->window, &wx, &wy);
    }
    // Whatever the window does not cover reads opaque black.
    for (uint32_t y = 0; y < dest->Height(); ++y) {
        auto* row = reinterpret_cast<uint32_t*>(dest->Pixels() + static_cast<size_t>(y) * dest->Pitch());
        std::fill(row, row + dest->Width(), 0xFF000000u);
    }
    if (ww <= 0 || wh <= 0)
        return GfxResult::Ok;
    for (int y = 0; y < wh; ++y) {
        const int dy = wy + y;
        if (dy < 0 || dy >= static_cast<int>(dest->Height()))
            continue;
        const size_t sy = static_cast<size_t>(y) * height_ / static_cast<size_t>(wh);
        auto* row = reinterpret_cast<uint32_t*>(dest->Pixels() + static_cast<size_t>(dy) * dest->Pitch());
        for (int x = 0; x < ww; ++x) {
            const int dx = wx + x;
            if (dx < 0 || dx >= static_cast<int>(dest->Width()))
                continue;
            const size_t sx = static_cast<size_t>(x) * width_ / static_cast<size_t>(ww);
            row[dx] = image[sy * width_ + sx] | 0xFF000000u; // what was shown is opaque
        }
    }
    return GfxResult::Ok;
}

int32_t GfxDevice::CopyRects(GfxSurface* source, const GfxRect* rects, uint32_t count,
                             GfxSurface* dest, const GfxPoint* points)
{
    FlushBatch();
    if (!source || !dest || source == dest || source->Format() != dest->Format())
        return GfxResult::InvalidCall;
    const uint32_t bpp = GfxFormatBytes(source->Format());
    const GfxRect whole{0, 0, static_cast<int32_t>(source->Width()),
                        static_cast<int32_t>(source->Height())};
    const uint32_t n = (count && rects) ? count : 1;
    // Validate everything before touching a pixel.
    for (uint32_t i = 0; i < n; ++i) {
        const GfxRect r = (count && rects) ? rects[i] : whole;
        const GfxPoint p = points ? points[i] : GfxPoint{r.left, r.top};
        if (r.left < 0 || r.top < 0 || r.right > whole.right || r.bottom > whole.bottom
            || r.left >= r.right || r.top >= r.bottom || p.x < 0 || p.y < 0
            || p.x + (r.right - r.left) > static_cast<int32_t>(dest->Width())
            || p.y + (r.bottom - r.top) > static_cast<int32_t>(dest->Height()))
            return GfxResult::InvalidCall;
    }
    if (source->GetKind() == GfxSurface::Kind::BackBuffer)
        ReadBackBuffer(source->Pixels());
    const bool toBack = dest->GetKind() == GfxSurface::Kind::BackBuffer;
    const bool coversAll = n == 1 && source->Width() == dest->Width()
        && source->Height() == dest->Height() && (!points || (points[0].x == 0 && points[0].y == 0))
        && (!(count && rects) || (rects[0].left == 0 && rects[0].top == 0
                                  && rects[0].right == whole.right && rects[0].bottom == whole.bottom));
    if (toBack && !coversAll)
        ReadBackBuffer(dest->Pixels());
    for (uint32_t i = 0; i < n; ++i) {
        const GfxRect r = (count && rects) ? rects[i] : whole;
        const GfxPoint p = points ? points[i] : GfxPoint{r.left, r.top};
        const size_t rowBytes = static_cast<size_t>(r.right - r.left) * bpp;
        for (int32_t y = r.top; y < r.bottom; ++y)
            std::memcpy(dest->Pixels() + static_cast<size_t>(p.y + y - r.top) * dest->Pitch()
                            + static_cast<size_t>(p.x) * bpp,
                        source->Pixels() + static_cast<size_t>(y) * source->Pitch()
                            + static_cast<size_t>(r.left) * bpp,
                        rowBytes);
    }
    if (toBack)
        WriteBackBuffer(dest->Pixels());
    else if (dest->GetKind() == GfxSurface::Kind::TextureLevel) {
        GfxLockedRect locked{};
        dest->LockRect(&locked, nullptr, 0); // unlocking marks the texture changed
        dest->UnlockRect();
    }
    return GfxResult::Ok;
}

bool GfxDevice::IsTargetSurface(const GfxSurface* colour) const
{
    return colour
        && (colour == backBuffer_
            || (colour->GetKind() == GfxSurface::Kind::TextureLevel && colour->Container()
                && colour->Container()->IsRenderTarget()));
}

GLuintName GfxDevice::FramebufferOf(GfxSurface* colour, GfxSurface* depth, GLuintName scratch)
{
    if (colour == backBuffer_ && (!depth || depth == autoDepth_))
        return gl_->backFbo;
    GLuint colourName = gl_->backColor;
    if (colour != backBuffer_) {
        UploadTexture(*colour->Container(), 0); // makes its storage
        colourName = colour->Container()->glName;
    }
    glBindFramebuffer(GL_FRAMEBUFFER, scratch);
    glFramebufferTexture2D(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_TEXTURE_2D, colourName, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_STENCIL_ATTACHMENT, GL_RENDERBUFFER, 0);
    glFramebufferRenderbuffer(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, 0);
    if (depth) {
        EnsureDepthBuffer(*depth);
        const GLenum attach =
            depth->Format() == GfxFormat::D24S8 ? GL_DEPTH_STENCIL_ATTACHMENT : GL_DEPTH_ATTACHMENT;
        glFramebufferRenderbuffer(GL_FRAMEBUFFER, attach, GL_RENDERBUFFER, depth->glName);
    }
    return scratch;
}

int32_t GfxDevice::CopyTarget(GfxSurface* sourceColour, GfxSurface* sourceDepth, GfxSurface* destColour,
                              GfxSurface* destDepth)
{
    FlushBatch();
    if (!IsTargetSurface(sourceColour) || !IsTargetSurface(destColour) || sourceColour == destColour
        || sourceColour->Width() != destColour->Width() || sourceColour->Height() != destColour->Height())
        return GfxResult::InvalidCall;
    const GfxTargetFormat from = GfxTargetFormatOf(sourceColour->Format());
    const GfxTargetFormat to = GfxTargetFormatOf(destColour->Format());
    if (from.internal != to.internal)
        return GfxResult::InvalidCall;
    const auto depthFits = [](const GfxSurface* depth, const GfxSurface* colour) {
        return depth->GetKind() == GfxSurface::Kind::DepthStencil && depth->Width() >= colour->Width()
            && depth->Height() >= colour->Height();
    };
    if (!sourceDepth != !destDepth
        || (sourceDepth && (sourceDepth == destDepth || sourceDepth->Format() != destDepth->Format()
                            || !depthFits(sourceDepth, sourceColour) || !depthFits(destDepth, destColour))))
        return GfxResult::InvalidCall;
    MakeCopyFramebuffers();
    const GLuint read = FramebufferOf(sourceColour, sourceDepth, gl_->copyReadFbo);
    const GLuint draw = FramebufferOf(destColour, destDepth, gl_->copyDrawFbo);
    GLbitfield mask = GL_COLOR_BUFFER_BIT;
    if (sourceDepth)
        mask |= sourceDepth->Format() == GfxFormat::D24S8 ? GL_DEPTH_BUFFER_BIT | GL_STENCIL_BUFFER_BIT
                                                         : GL_DEPTH_BUFFER_BIT;
    BlitWhole(read, draw, sourceColour->Width(), sourceColour->Height(), mask);
    destColour->drawnKnown = false; // a picture of any kind
    return GfxResult::Ok;
}

void GfxDevice::MakeCopyFramebuffers()
{
    if (gl_->copyReadFbo)
        return;
    glGenFramebuffers(1, &gl_->copyReadFbo);
    glGenFramebuffers(1, &gl_->copyDrawFbo);
}

void GfxDevice::BlitWhole(GLuintName from, GLuintName to, uint32_t width, uint32_t height, GLbitfield mask)
{
    // The copy is whole: no clip of drawing applies to it.
    glDisable(GL_SCISSOR_TEST);
    glBindFramebuffer(GL_READ_FRAMEBUFFER, from);
    glBindFramebuffer(GL_DRAW_FRAMEBUFFER, to);
    const GLint w = static_cast<GLint>(width), h = static_cast<GLint>(height);
    glBlitFramebuffer(0, 0, w, h, 0, 0, w, h, mask, GL_NEAREST);
    BindTarget();
    ForgetGLState();
}

} // namespace plat
