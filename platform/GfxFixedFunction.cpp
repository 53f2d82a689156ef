#include "platform/GfxFixedFunction.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace plat {

bool operator==(const GfxProgramKey& a, const GfxProgramKey& b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

size_t GfxProgramKeyHash::operator()(const GfxProgramKey& key) const
{
    // FNV-1a over the bytes: keys are built zeroed, so padding is stable.
    const auto* bytes = reinterpret_cast<const uint8_t*>(&key);
    uint64_t h = 1469598103934665603ull;
    for (size_t i = 0; i < sizeof key; ++i) {
        h ^= bytes[i];
        h *= 1099511628211ull;
    }
    return static_cast<size_t>(h);
}

namespace {

std::string Num(uint32_t value) { return std::to_string(value); }

bool IsRhw(uint32_t fvf) { return (fvf & GfxFvf::PositionMask) == GfxFvf::XyzRhw; }
uint32_t TexSets(uint32_t fvf) { return (fvf & GfxFvf::TexCountMask) >> GfxFvf::TexCountShift; }

// A vertex texture set widened to four components the way a texture
// transform expects: the first missing component is 1.
std::string TexSetAsVec4(uint32_t fvf, uint32_t set)
{
    if (set >= TexSets(fvf))
        return "vec4(0.0, 0.0, 0.0, 1.0)";
    const std::string a = "aTex" + Num(set);
    switch (GfxFvfTexSetSize(fvf, set)) {
    case 1: return "vec4(" + a + ".x, 1.0, 0.0, 0.0)";
    case 3: return "vec4(" + a + ".xyz, 1.0)";
    case 4: return a;
    default: return "vec4(" + a + ".xy, 1.0, 0.0)";
    }
}

std::string ColorSource(uint8_t source, const char* material)
{
    if (source == GfxColorSource::VertexDiffuse)
        return "aDiffuse";
    if (source == GfxColorSource::VertexSpecular)
        return "aSpecular";
    return material;
}

void AppendLight(std::string& s, const GfxProgramKey& key, uint32_t i)
{
    // Appended piecewise: GCC 12 warns falsely on "[" + string (-Wrestrict).
    std::string n = "[";
    n += Num(i);
    n += ']';
    const uint32_t type = key.lightTypes[i];
    s += "  {\n    vec3 L; float att = 1.0;\n";
    if (type == GfxLightType::Directional) {
        s += "    L = -uLDir" + n + ";\n";
    } else {
        s += "    vec3 d = uLPos" + n + " - P; float dist = length(d);\n";
        s += "    if (dist <= uLAtt" + n + ".w) {\n";
        s += "      L = dist > 0.0 ? d / dist : vec3(0.0);\n";
        s += "      att = Atten(uLAtt" + n + ", dist);\n";
        if (type == GfxLightType::Spot) {
            s += "      float rho = dot(-L, uLDir" + n + ");\n";
            s += "      att *= Spot(uLSpot" + n + ", rho);\n";
        }
        s += "    } else { att = 0.0; L = vec3(0.0); }\n";
    }
    s += "    float ndl = max(dot(N, L), 0.0);\n";
    s += "    ambSum += uLAmbient" + n + ".rgb * att;\n";
    s += "    difSum += uLDiffuse" + n + ".rgb * ndl * att;\n";
    if (key.specularEnable) {
        s += "    if (ndl > 0.0) {\n";
        s += "      vec3 H = normalize(L + V);\n";
        s += "      highlightSum += uLSpecular" + n + ".rgb * HighlightPow(max(dot(N, H), 0.0)) * att;\n";
        s += "    }\n";
    }
    s += "  }\n";
}

void AppendLighting(std::string& s, const GfxProgramKey& key)
{
    const bool hasNormal = (key.fvf & GfxFvf::Normal) != 0;
    s += hasNormal ? "  vec3 N = uNormalMatrix * aNormal;\n" : "  vec3 N = vec3(0.0);\n";
    if (key.normalizeNormals && hasNormal)
        s += "  if (dot(N, N) > 0.0) N = normalize(N);\n";
    s += key.localViewer ? "  vec3 V = dot(P, P) > 0.0 ? -normalize(P) : vec3(0.0, 0.0, -1.0);\n"
                         : "  vec3 V = vec3(0.0, 0.0, -1.0);\n";
    s += "  vec3 ambSum = vec3(0.0), difSum = vec3(0.0), highlightSum = vec3(0.0);\n";
    for (uint32_t i = 0; i < GfxMaxActiveLights; ++i)
        if (key.lightTypes[i])
            AppendLight(s, key, i);
    s += "  vec4 cd = " + ColorSource(key.diffuseSource, "uMatDiffuse") + ";\n";
    s += "  vec4 ca = " + ColorSource(key.ambientSource, "uMatAmbient") + ";\n";
    s += "  vec4 cs = " + ColorSource(key.specularSource, "uMatSpecular") + ";\n";
    s += "  vec4 ce = " + ColorSource(key.emissiveSource, "uMatEmissive") + ";\n";
    s += "  vDiffuse = clamp(vec4(ce.rgb + ca.rgb * (uAmbient.rgb + ambSum) + cd.rgb * difSum, cd.a),"
         " 0.0, 1.0);\n";
    if (key.specularEnable)
        s += "  vSpecular = clamp(vec4(cs.rgb * highlightSum, cs.a), 0.0, 1.0);\n";
    else
        s += "  vSpecular = vec4(0.0);\n";
}

void AppendTexCoords(std::string& s, const GfxProgramKey& key, bool rhw)
{
    for (uint32_t i = 0; i < key.stageCount; ++i) {
        const GfxStageKey& st = key.stages[i];
        const std::string out = "vTex" + Num(i);
        // Pre-transformed vertices carry final coordinates: no generation and
        // no transform (software vertex processing has applied them).
        if (rhw || st.texGen == 0) {
            s += "  " + out + " = " + TexSetAsVec4(key.fvf, st.texSource) + ";\n";
        } else if (st.texGen == GfxTci::CameraSpaceNormal >> 16) {
            s += "  " + out + " = vec4(N, 1.0);\n";
        } else if (st.texGen == GfxTci::CameraSpacePosition >> 16) {
            s += "  " + out + " = vec4(P, 1.0);\n";
        } else {
            s += "  " + out + " = vec4(reflect(dot(P, P) > 0.0 ? normalize(P) : vec3(0.0, 0.0, 1.0),"
                 " N), 1.0);\n";
        }
        if (!rhw && st.texCount) {
            s += "  " + out + " = uTexMatrix[" + Num(i) + "] * " + out + ";\n";
            // A transform that yields fewer than four coordinates and is not
            // projected leaves q at 1 (generated positions would carry
            // whatever the matrix's last column gives).
            if (!st.projected && st.texCount < 4)
                s += "  " + out + ".w = 1.0;\n";
        }
    }
}

const char* kLightingHelpers =
    "float Atten(vec4 a, float d) {\n"
    "  float den = a.x + a.y * d + a.z * d * d;\n"
    "  if (abs(den) < 1e-6) den = den < 0.0 ? -1e-6 : 1e-6;\n"
    "  return 1.0 / den;\n"
    "}\n"
    "float Spot(vec3 s, float rho) {\n"
    "  if (rho > s.x) return 1.0;\n"
    "  if (rho <= s.y) return 0.0;\n"
    "  float t = (rho - s.y) / max(s.x - s.y, 1e-6);\n"
    "  return s.z == 1.0 ? t : pow(t, s.z);\n"
    "}\n"
    "float HighlightPow(float x) { return uPower > 0.0 ? pow(x, uPower) : 1.0; }\n";

// The fog formula of the key's mode over uFog (start, end, density).
std::string FogFunction(const GfxProgramKey& key)
{
    std::string s = "float FogFactor(float d) {\n";
    switch (key.fogMode) {
    case GfxFog::Exp: s += "  return exp(-d * uFog.z);\n"; break;
    case GfxFog::Exp2: s += "  float t = d * uFog.z;\n  return exp(-t * t);\n"; break;
    default:
        s += "  float den = uFog.y - uFog.x;\n"
             "  if (abs(den) < 1e-6) return d < uFog.y ? 1.0 : 0.0;\n"
             "  return (uFog.y - d) / den;\n";
        break;
    }
    return s + "}\n";
}

// What the vertex hands on for fog: the factor itself, or for fog worked
// out per pixel the depth it is worked out from (eye distance w with a
// perspective projection, else the 0..1 depth).
void AppendVertexFog(std::string& s, const GfxProgramKey& key)
{
    switch (key.fogSource) {
    case GfxFogSource::Vertex:
        s += key.rangeFog ? "  vFog = clamp(FogFactor(length(P)), 0.0, 1.0);\n"
                          : "  vFog = clamp(FogFactor(P.z), 0.0, 1.0);\n";
        break;
    case GfxFogSource::Table:
        s += "  vFog = uFog.w > 0.5 ? zw.y : (zw.y != 0.0 ? zw.x / zw.y : 0.0);\n";
        break;
    case GfxFogSource::Specular: s += "  vFog = aSpecular.a;\n"; break;
    default: break;
    }
}

// Flat shading takes both colours from a triangle's first vertex.
std::string ColourQualifier(const GfxProgramKey& key) { return key.flatShade ? "flat " : ""; }

} // namespace

float GfxFogFactor(uint32_t mode, float d, float start, float end, float density)
{
    float f;
    if (mode == GfxFog::Exp) {
        f = std::exp(-d * density);
    } else if (mode == GfxFog::Exp2) {
        f = std::exp(-(d * density) * (d * density));
    } else {
        const float den = end - start;
        f = std::fabs(den) < 1e-6f ? (d < end ? 1.0f : 0.0f) : (end - d) / den;
    }
    return std::clamp(f, 0.0f, 1.0f);
}

std::string GfxVertexShaderSource(const GfxProgramKey& key)
{
    const uint32_t fvf = key.fvf;
    const bool rhw = IsRhw(fvf);
    std::string s = "#version 130\n";
    s += "in vec4 aPos;\n";
    if (fvf & GfxFvf::Normal)
        s += "in vec3 aNormal;\n";
    if (fvf & GfxFvf::Diffuse)
        s += "in vec4 aDiffuse;\n";
    if (fvf & GfxFvf::Specular)
        s += "in vec4 aSpecular;\n";
    for (uint32_t i = 0; i < TexSets(fvf) && i < 8; ++i)
        s += "in vec4 aTex" + Num(i) + ";\n";
    s += "uniform mat4 uWorldView;\nuniform mat4 uProj;\nuniform mat3 uNormalMatrix;\n"
         "uniform vec4 uScreen;\nuniform vec2 uDepth;\nuniform vec2 uPixel;\n"
         "uniform vec4 uMatDiffuse, uMatAmbient, uMatSpecular, uMatEmissive, uAmbient;\n"
         "uniform float uPower;\n"
         "uniform vec4 uLDiffuse[8], uLSpecular[8], uLAmbient[8], uLAtt[8];\n"
         "uniform vec3 uLPos[8], uLDir[8], uLSpot[8];\n"
         "uniform mat4 uTexMatrix[8];\nuniform vec4 uFog;\n";
    s += ColourQualifier(key) + "out vec4 vDiffuse;\n" + ColourQualifier(key) + "out vec4 vSpecular;\n";
    if (key.fogSource)
        s += "out float vFog;\n";
    for (uint32_t i = 0; i < key.stageCount; ++i)
        s += "out vec4 vTex" + Num(i) + ";\n";
    s += kLightingHelpers;
    if (key.fogSource == GfxFogSource::Vertex)
        s += FogFunction(key);
    // Passes over the same geometry (ZFUNC EQUAL decals and shadows) must
    // get bit-identical depths whichever program draws them.
    s += "invariant gl_Position;\n";
    s += "void main() {\n";
    if (rhw) {
        // Screen pixels, y down, pixel centres on whole numbers; the colour
        // buffer is stored top row first, so no flip is needed.
        s += "  float w = aPos.w > 0.0 ? 1.0 / aPos.w : 1.0;\n"
             "  vec2 ndc = (aPos.xy + 0.5 - uScreen.xy) / uScreen.zw * 2.0 - 1.0;\n"
             "  float z = (aPos.z - uDepth.x) / max(uDepth.y - uDepth.x, 1e-6) * 2.0 - 1.0;\n"
             "  gl_Position = vec4(ndc, z, 1.0) * w;\n"
             "  vec2 zw = vec2(aPos.z * w, w);\n"
             "  vec3 P = vec3(0.0); vec3 N = vec3(0.0);\n";
    } else {
        s += "  vec4 eye = uWorldView * vec4(aPos.xyz, 1.0);\n"
             "  vec3 P = eye.xyz;\n"
             "  vec4 clip = uProj * eye;\n"
             "  vec2 zw = clip.zw;\n"
             // Depth 0..w to -w..w; y flipped for top-row-first storage; half a
             // pixel so that pixel centres fall on whole screen coordinates.
             "  clip.z = 2.0 * clip.z - clip.w;\n"
             "  clip.y = -clip.y;\n"
             "  clip.xy += clip.w * uPixel;\n"
             "  gl_Position = clip;\n";
    }
    if (!rhw && key.lighting) {
        AppendLighting(s, key);
    } else {
        if (!rhw) {
            s += (fvf & GfxFvf::Normal) ? "  vec3 N = uNormalMatrix * aNormal;\n"
                                        : "  vec3 N = vec3(0.0);\n";
            if (key.normalizeNormals)
                s += "  if (dot(N, N) > 0.0) N = normalize(N);\n";
        }
        s += (fvf & GfxFvf::Diffuse) ? "  vDiffuse = aDiffuse;\n" : "  vDiffuse = vec4(1.0);\n";
        s += (fvf & GfxFvf::Specular) ? "  vSpecular = aSpecular;\n" : "  vSpecular = vec4(0.0);\n";
    }
    AppendTexCoords(s, key, rhw);
    AppendVertexFog(s, key);
    s += "}\n";
    return s;
}

namespace {

std::string Arg(uint8_t arg, uint32_t stage)
{
    std::string v;
    switch (arg & GfxTa::SelectMask) {
    case GfxTa::Diffuse: v = "vDiffuse"; break;
    case GfxTa::Current: v = "cur"; break;
    case GfxTa::Texture: v = "tex" + Num(stage); break;
    case GfxTa::TFactor: v = "uTFactor"; break;
    case GfxTa::Specular: v = "vSpecular"; break;
    case GfxTa::Temp: v = "temp"; break;
    default: v = "vec4(1.0)"; break;
    }
    if (arg & GfxTa::AlphaReplicate)
        v = "(" + v + ").aaaa";
    if (arg & GfxTa::Complement)
        v = "(vec4(1.0) - " + v + ")";
    return v;
}

// One operation over four-component arguments; the caller takes .rgb or .a.
std::string Op(uint8_t op, const std::string& a0, const std::string& a1, const std::string& a2,
               uint32_t stage)
{
    const std::string t = "tex" + Num(stage);
    switch (op) {
    case GfxTop::SelectArg2: return a2;
    case GfxTop::Modulate: return a1 + " * " + a2;
    case GfxTop::Modulate2x: return a1 + " * " + a2 + " * 2.0";
    case GfxTop::Modulate4x: return a1 + " * " + a2 + " * 4.0";
    case GfxTop::Add: return a1 + " + " + a2;
    case GfxTop::AddSigned: return a1 + " + " + a2 + " - 0.5";
    case GfxTop::AddSigned2x: return "(" + a1 + " + " + a2 + " - 0.5) * 2.0";
    case GfxTop::Subtract: return a1 + " - " + a2;
    case GfxTop::AddSmooth: return a1 + " + " + a2 + " - " + a1 + " * " + a2;
    case GfxTop::BlendDiffuseAlpha: return "mix(" + a2 + ", " + a1 + ", vDiffuse.a)";
    case GfxTop::BlendTextureAlpha: return "mix(" + a2 + ", " + a1 + ", " + t + ".a)";
    case GfxTop::BlendFactorAlpha: return "mix(" + a2 + ", " + a1 + ", uTFactor.a)";
    case GfxTop::BlendCurrentAlpha: return "mix(" + a2 + ", " + a1 + ", cur.a)";
    case GfxTop::BlendTextureAlphaPm: return a1 + " + " + a2 + " * (1.0 - " + t + ".a)";
    case GfxTop::ModulateAlphaAddColor:
        return "vec4(" + a1 + ".rgb + " + a1 + ".a * " + a2 + ".rgb, " + a1 + ".a)";
    case GfxTop::ModulateColorAddAlpha:
        return "vec4(" + a1 + ".rgb * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case GfxTop::ModulateInvAlphaAddColor:
        return "vec4((1.0 - " + a1 + ".a) * " + a2 + ".rgb + " + a1 + ".rgb, " + a1 + ".a)";
    case GfxTop::ModulateInvColorAddAlpha:
        return "vec4((vec3(1.0) - " + a1 + ".rgb) * " + a2 + ".rgb + " + a1 + ".a, " + a1 + ".a)";
    case GfxTop::DotProduct3:
        return "vec4(4.0 * dot(" + a1 + ".rgb - 0.5, " + a2 + ".rgb - 0.5))";
    case GfxTop::MultiplyAdd: return a0 + " + " + a1 + " * " + a2;
    case GfxTop::Lerp: return "mix(" + a2 + ", " + a1 + ", " + a0 + ")";
    default: return a1; // SelectArg1
    }
}

std::string AlphaTest(uint8_t func)
{
    switch (func) {
    case GfxCmp::Never: return "false";
    case GfxCmp::Less: return "a8 < uAlphaRef";
    case GfxCmp::Equal: return "a8 == uAlphaRef";
    case GfxCmp::LessEqual: return "a8 <= uAlphaRef";
    case GfxCmp::Greater: return "a8 > uAlphaRef";
    case GfxCmp::NotEqual: return "a8 != uAlphaRef";
    case GfxCmp::GreaterEqual: return "a8 >= uAlphaRef";
    default: return "true";
    }
}

} // namespace

std::string GfxFragmentShaderSource(const GfxProgramKey& key)
{
    std::string s = "#version 130\n";
    s += ColourQualifier(key) + "in vec4 vDiffuse;\n" + ColourQualifier(key) + "in vec4 vSpecular;\n";
    s += "uniform vec4 uTFactor;\nuniform float uAlphaRef;\nuniform vec4 uFog, uFogColor;\n";
    if (key.fogSource)
        s += "in float vFog;\n";
    if (key.fogSource == GfxFogSource::Table)
        s += FogFunction(key);
    for (uint32_t i = 0; i < key.stageCount; ++i)
        s += "in vec4 vTex" + Num(i) + ";\nuniform sampler2D uTex" + Num(i) + ";\n";
    s += "void main() {\n  vec4 cur = vDiffuse;\n  vec4 temp = vec4(0.0);\n";
    for (uint32_t i = 0; i < key.stageCount; ++i) {
        const GfxStageKey& st = key.stages[i];
        const std::string n = Num(i);
        std::string uv = "vTex" + n + ".xy";
        if (st.projected && st.texCount >= 2)
            uv = "(vTex" + n + ".xy / vTex" + n + "[" + Num(st.texCount - 1) + "])";
        s += "  vec4 tex" + n + " = texture2D(uTex" + n + ", " + uv + ");\n";
        s += "  {\n";
        s += "    vec3 c = " + std::string("(")
            + Op(st.colorOp, Arg(st.colorArg0, i), Arg(st.colorArg1, i), Arg(st.colorArg2, i), i)
            + ").rgb;\n";
        if (st.alphaOp == GfxTop::Disable)
            s += "    float a = cur.a;\n";
        else
            s += "    float a = (" + Op(st.alphaOp, Arg(st.alphaArg0, i), Arg(st.alphaArg1, i),
                                     Arg(st.alphaArg2, i), i)
                + ").a;\n";
        s += st.resultTemp ? "    temp = clamp(vec4(c, a), 0.0, 1.0);\n"
                           : "    cur = clamp(vec4(c, a), 0.0, 1.0);\n";
        s += "  }\n";
    }
    if (key.specularEnable)
        s += "  cur.rgb = clamp(cur.rgb + vSpecular.rgb, 0.0, 1.0);\n";
    if (key.fogSource) {
        s += key.fogSource == GfxFogSource::Table ? "  float fog = clamp(FogFactor(vFog), 0.0, 1.0);\n"
                                                  : "  float fog = clamp(vFog, 0.0, 1.0);\n";
        s += "  cur.rgb = mix(uFogColor.rgb, cur.rgb, fog);\n";
    }
    if (key.alphaFunc) {
        s += "  float a8 = floor(cur.a * 255.0 + 0.5);\n";
        s += "  if (!(" + AlphaTest(key.alphaFunc) + ")) discard;\n";
    }
    s += "  gl_FragColor = cur;\n}\n";
    return s;
}

namespace {

float Dot3(const float a[3], const float b[3]) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }

void Normalise3(float v[3])
{
    const float len2 = Dot3(v, v);
    if (len2 > 0.0f) {
        const float inv = 1.0f / std::sqrt(len2);
        v[0] *= inv;
        v[1] *= inv;
        v[2] *= inv;
    }
}

float Atten(const GfxEyeLight& l, float d)
{
    float den = l.att0 + l.att1 * d + l.att2 * d * d;
    if (std::fabs(den) < 1e-6f)
        den = den < 0.0f ? -1e-6f : 1e-6f;
    return 1.0f / den;
}

float Spot(const GfxEyeLight& l, float rho)
{
    if (rho > l.cosHalfTheta)
        return 1.0f;
    if (rho <= l.cosHalfPhi)
        return 0.0f;
    const float t = (rho - l.cosHalfPhi) / std::max(l.cosHalfTheta - l.cosHalfPhi, 1e-6f);
    return l.falloff == 1.0f ? t : std::pow(t, l.falloff);
}

const GfxColorValue& Source(uint8_t source, const GfxColorValue& material,
                            const GfxColorValue* diffuse, const GfxColorValue* specular)
{
    if (source == GfxColorSource::VertexDiffuse && diffuse)
        return *diffuse;
    if (source == GfxColorSource::VertexSpecular && specular)
        return *specular;
    return material;
}

float Clamp01(float v) { return std::clamp(v, 0.0f, 1.0f); }

} // namespace

void GfxLightVertex(const GfxLightingSetup& setup, const float position[3], const float normal[3],
                    const GfxColorValue* vertexDiffuse, const GfxColorValue* vertexSpecular,
                    GfxColorValue* outDiffuse, GfxColorValue* outSpecular)
{
    float n[3] = {normal[0], normal[1], normal[2]};
    if (setup.normalizeNormals)
        Normalise3(n);
    float v[3] = {0.0f, 0.0f, -1.0f};
    if (setup.localViewer && Dot3(position, position) > 0.0f) {
        v[0] = -position[0];
        v[1] = -position[1];
        v[2] = -position[2];
        Normalise3(v);
    }
    float amb[3] = {}, dif[3] = {}, highlight[3] = {};
    for (uint32_t i = 0; i < setup.lightCount; ++i) {
        const GfxEyeLight& l = setup.lights[i];
        float dir[3] = {-l.direction[0], -l.direction[1], -l.direction[2]};
        float att = 1.0f;
        if (l.type != GfxLightType::Directional) {
            float d[3] = {l.position[0] - position[0], l.position[1] - position[1],
                          l.position[2] - position[2]};
            const float dist = std::sqrt(Dot3(d, d));
            if (dist > l.range)
                continue;
            for (int k = 0; k < 3; ++k)
                dir[k] = dist > 0.0f ? d[k] / dist : 0.0f;
            att = Atten(l, dist);
            if (l.type == GfxLightType::Spot)
                att *= Spot(l, -Dot3(dir, l.direction));
        }
        const float ndl = std::max(Dot3(n, dir), 0.0f);
        const float la[3] = {l.ambient.r, l.ambient.g, l.ambient.b};
        const float ld[3] = {l.diffuse.r, l.diffuse.g, l.diffuse.b};
        const float ls[3] = {l.specular.r, l.specular.g, l.specular.b};
        for (int k = 0; k < 3; ++k) {
            amb[k] += la[k] * att;
            dif[k] += ld[k] * ndl * att;
        }
        if (setup.specularEnable && ndl > 0.0f) {
            float h[3] = {dir[0] + v[0], dir[1] + v[1], dir[2] + v[2]};
            Normalise3(h);
            const float ndh = std::max(Dot3(n, h), 0.0f);
            const float p = setup.material.power > 0.0f ? std::pow(ndh, setup.material.power) : 1.0f;
            for (int k = 0; k < 3; ++k)
                highlight[k] += ls[k] * p * att;
        }
    }
    const GfxMaterial& m = setup.material;
    const GfxColorValue& cd = Source(setup.diffuseSource, m.diffuse, vertexDiffuse, vertexSpecular);
    const GfxColorValue& ca = Source(setup.ambientSource, m.ambient, vertexDiffuse, vertexSpecular);
    const GfxColorValue& cs = Source(setup.specularSource, m.specular, vertexDiffuse, vertexSpecular);
    const GfxColorValue& ce = Source(setup.emissiveSource, m.emissive, vertexDiffuse, vertexSpecular);
    const GfxColorValue& g = setup.globalAmbient;
    outDiffuse->r = Clamp01(ce.r + ca.r * (g.r + amb[0]) + cd.r * dif[0]);
    outDiffuse->g = Clamp01(ce.g + ca.g * (g.g + amb[1]) + cd.g * dif[1]);
    outDiffuse->b = Clamp01(ce.b + ca.b * (g.b + amb[2]) + cd.b * dif[2]);
    outDiffuse->a = Clamp01(cd.a);
    if (setup.specularEnable)
        *outSpecular = {Clamp01(cs.r * highlight[0]), Clamp01(cs.g * highlight[1]), Clamp01(cs.b * highlight[2]),
                        Clamp01(cs.a)};
    else
        *outSpecular = {0.0f, 0.0f, 0.0f, 0.0f};
}

GfxEyeLight GfxMakeEyeLight(const GfxLight& light, const GfxMatrix& view)
{
    GfxEyeLight e{};
    e.type = light.type;
    e.diffuse = light.diffuse;
    e.specular = light.specular;
    e.ambient = light.ambient;
    const float p[3] = {light.position.x, light.position.y, light.position.z};
    const float d[3] = {light.direction.x, light.direction.y, light.direction.z};
    for (int k = 0; k < 3; ++k) {
        e.position[k] = p[0] * view.m[0][k] + p[1] * view.m[1][k] + p[2] * view.m[2][k] + view.m[3][k];
        e.direction[k] = d[0] * view.m[0][k] + d[1] * view.m[1][k] + d[2] * view.m[2][k];
    }
    Normalise3(e.direction);
    e.range = light.range;
    e.att0 = light.attenuation0;
    e.att1 = light.attenuation1;
    e.att2 = light.attenuation2;
    e.cosHalfTheta = std::cos(std::clamp(light.theta, 0.0f, 3.14159265f) * 0.5f);
    e.cosHalfPhi = std::cos(std::clamp(light.phi, 0.0f, 3.14159265f) * 0.5f);
    e.falloff = light.falloff;
    return e;
}

} // namespace plat
