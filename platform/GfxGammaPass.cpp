#include "platform/GfxGammaPass.h"

#include "platform/GfxDeviceImpl.h"

#include <cstring>

namespace plat {
namespace {

// A square over the viewport from the vertex number alone, so no buffer is needed.
const char* const kVertexShader = R"(#version 130
out vec2 vPicture;
void main()
{
    vec2 corner = vec2(float(gl_VertexID & 1), float(gl_VertexID >> 1));
    vPicture = vec2(corner.x, 1.0 - corner.y); // the picture's top row comes first
    gl_Position = vec4(corner * 2.0 - 1.0, 0.0, 1.0);
}
)";

const char* const kFragmentShader = R"(#version 130
uniform sampler2D uPicture;
uniform sampler2D uRamp;
in vec2 vPicture;
void main()
{
    ivec3 level = ivec3(texture(uPicture, vPicture).rgb * 255.0 + 0.5);
    gl_FragColor = vec4(texelFetch(uRamp, ivec2(level.r, 0), 0).r, texelFetch(uRamp, ivec2(level.g, 0), 0).g,
                        texelFetch(uRamp, ivec2(level.b, 0), 0).b, 1.0);
}
)";

// The 8-bit level a display shows for a ramp entry.
uint8_t Level(uint16_t entry)
{
    return static_cast<uint8_t>((uint32_t{entry} * 255u + 32767u) / 65535u);
}

} // namespace

bool GfxGammaPass::IsNeutral(const GfxGammaRamp& ramp)
{
    for (int i = 0; i < 256; ++i)
        if (Level(ramp.red[i]) != i || Level(ramp.green[i]) != i || Level(ramp.blue[i]) != i)
            return false;
    return true;
}

GfxGammaPass::GfxGammaPass()
{
    program_ = GfxBuildProgram(kVertexShader, kFragmentShader, nullptr);
    if (program_) {
        glUseProgram(program_);
        glUniform1i(glGetUniformLocation(program_, "uPicture"), 0);
        glUniform1i(glGetUniformLocation(program_, "uRamp"), 1);
    }
    glGenVertexArrays(1, &vertexArray_);
    glGenTextures(1, &rampTexture_);
    glBindTexture(GL_TEXTURE_2D, rampTexture_);
    glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA8, 256, 1, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAX_LEVEL, 0);
}

GfxGammaPass::~GfxGammaPass()
{
    if (program_)
        glDeleteProgram(program_);
    glDeleteVertexArrays(1, &vertexArray_);
    glDeleteTextures(1, &rampTexture_);
}

void GfxGammaPass::Draw(GLuintName picture, const GfxGammaRamp& ramp)
{
    glUseProgram(program_);
    glBindVertexArray(vertexArray_);
    glActiveTexture(GL_TEXTURE1);
    glBindTexture(GL_TEXTURE_2D, rampTexture_);
    if (!rampSent_ || std::memcmp(&sent_, &ramp, sizeof ramp) != 0) {
        uint8_t levels[256][4];
        for (int i = 0; i < 256; ++i) {
            levels[i][0] = Level(ramp.red[i]);
            levels[i][1] = Level(ramp.green[i]);
            levels[i][2] = Level(ramp.blue[i]);
            levels[i][3] = 255;
        }
        glPixelStorei(GL_UNPACK_ALIGNMENT, 1);
        glPixelStorei(GL_UNPACK_ROW_LENGTH, 0);
        glTexSubImage2D(GL_TEXTURE_2D, 0, 0, 0, 256, 1, GL_RGBA, GL_UNSIGNED_BYTE, levels);
        sent_ = ramp;
        rampSent_ = true;
    }
    glActiveTexture(GL_TEXTURE0);
    glBindTexture(GL_TEXTURE_2D, picture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glDrawArrays(GL_TRIANGLE_STRIP, 0, 4);
}

} // namespace plat
