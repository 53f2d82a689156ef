// Numbers and records of the graphics device. The renderer stores these
// values in its caches and files, so every code keeps the value the game's
// renderer was written against; the names are our own.
#pragma once

#include <cstdint>

namespace plat {

// Result codes: negative means failure.
namespace GfxResult {
inline constexpr int32_t Ok = 0;
inline constexpr int32_t Fail = static_cast<int32_t>(0x80004005u);
inline constexpr int32_t OutOfMemory = static_cast<int32_t>(0x8007000Eu);
inline constexpr int32_t DeviceLost = static_cast<int32_t>(0x88760868u);
inline constexpr int32_t DeviceNotReset = static_cast<int32_t>(0x88760869u);
inline constexpr int32_t NotAvailable = static_cast<int32_t>(0x8876086Au);
inline constexpr int32_t InvalidCall = static_cast<int32_t>(0x8876086Cu);
inline constexpr int32_t UnsupportedColorOperation = static_cast<int32_t>(0x88760823u);
inline constexpr int32_t UnsupportedAlphaOperation = static_cast<int32_t>(0x88760824u);
inline constexpr int32_t InvalidData = static_cast<int32_t>(0x88760B59u);
} // namespace GfxResult

inline bool GfxFailed(int32_t result) { return result < 0; }

namespace GfxFormat {
inline constexpr uint32_t Unknown = 0;
inline constexpr uint32_t R8G8B8 = 20;
inline constexpr uint32_t A8R8G8B8 = 21;
inline constexpr uint32_t X8R8G8B8 = 22;
inline constexpr uint32_t R5G6B5 = 23;
inline constexpr uint32_t X1R5G5B5 = 24;
inline constexpr uint32_t A1R5G5B5 = 25;
inline constexpr uint32_t A4R4G4B4 = 26;
inline constexpr uint32_t R3G3B2 = 27;
inline constexpr uint32_t A8 = 28;
inline constexpr uint32_t A8R3G3B2 = 29;
inline constexpr uint32_t X4R4G4B4 = 30;
inline constexpr uint32_t A2B10G10R10 = 31;
inline constexpr uint32_t G16R16 = 34;
inline constexpr uint32_t L8 = 50;   // luminance: image files only, no device surface
inline constexpr uint32_t A8L8 = 51;
inline constexpr uint32_t D16Lockable = 70;
inline constexpr uint32_t D32 = 71;
inline constexpr uint32_t D15S1 = 73;
inline constexpr uint32_t D24S8 = 75;
inline constexpr uint32_t D16 = 80;
inline constexpr uint32_t D24X8 = 77;
inline constexpr uint32_t D24X4S4 = 79;
inline constexpr uint32_t VertexData = 100;
inline constexpr uint32_t Index16 = 101;
inline constexpr uint32_t Index32 = 102;
} // namespace GfxFormat

// Bytes per pixel of a colour format, 0 for one the device cannot hold
// (which includes the luminance formats).
uint32_t GfxFormatBytes(uint32_t format);
bool GfxIsDepthFormat(uint32_t format);
// The colour formats a texture can be made in.
bool GfxIsTextureFormat(uint32_t format);
// The colour formats a back buffer or render target can have.
inline bool GfxIsTargetFormat(uint32_t format)
{
    return format == GfxFormat::R5G6B5 || format == GfxFormat::X8R8G8B8 || format == GfxFormat::A8R8G8B8
        || format == GfxFormat::X1R5G5B5;
}

namespace GfxPool {
inline constexpr uint32_t Default = 0;
inline constexpr uint32_t Managed = 1;
inline constexpr uint32_t SystemMem = 2;
} // namespace GfxPool

namespace GfxUsage {
inline constexpr uint32_t RenderTarget = 0x1;
inline constexpr uint32_t DepthStencil = 0x2;
inline constexpr uint32_t WriteOnly = 0x8;
inline constexpr uint32_t SoftwareProcessing = 0x10;
inline constexpr uint32_t DoNotClip = 0x20;
inline constexpr uint32_t Points = 0x40;
inline constexpr uint32_t RtPatches = 0x80;
inline constexpr uint32_t NPatches = 0x100;
inline constexpr uint32_t Dynamic = 0x200;
} // namespace GfxUsage

namespace GfxLock {
inline constexpr uint32_t ReadOnly = 0x10;
inline constexpr uint32_t NoOverwrite = 0x1000;
inline constexpr uint32_t Discard = 0x2000;
inline constexpr uint32_t NoSysLock = 0x800;
} // namespace GfxLock

namespace GfxResourceType {
inline constexpr uint32_t Surface = 1;
inline constexpr uint32_t Volume = 2;
inline constexpr uint32_t Texture = 3;
inline constexpr uint32_t VolumeTexture = 4;
inline constexpr uint32_t CubeTexture = 5;
inline constexpr uint32_t VertexBuffer = 6;
inline constexpr uint32_t IndexBuffer = 7;
} // namespace GfxResourceType

// Flexible vertex format bits.
namespace GfxFvf {
inline constexpr uint32_t PositionMask = 0x00E;
inline constexpr uint32_t Xyz = 0x002;
inline constexpr uint32_t XyzRhw = 0x004;
inline constexpr uint32_t XyzB1 = 0x006;
inline constexpr uint32_t XyzB2 = 0x008;
inline constexpr uint32_t XyzB3 = 0x00A;
inline constexpr uint32_t XyzB4 = 0x00C;
inline constexpr uint32_t XyzB5 = 0x00E;
inline constexpr uint32_t Normal = 0x010;
inline constexpr uint32_t PSize = 0x020;
inline constexpr uint32_t Diffuse = 0x040;
inline constexpr uint32_t Specular = 0x080;
inline constexpr uint32_t TexCountMask = 0xF00;
inline constexpr uint32_t TexCountShift = 8;
inline constexpr uint32_t Tex1 = 0x100;
inline constexpr uint32_t Tex2 = 0x200;
inline constexpr uint32_t LastBetaUByte4 = 0x1000;
// Texture-coordinate size codes, two bits per set starting at bit 16.
inline constexpr uint32_t TexSize2 = 0;
inline constexpr uint32_t TexSize3 = 1;
inline constexpr uint32_t TexSize4 = 2;
inline constexpr uint32_t TexSize1 = 3;
constexpr uint32_t TexSizeBits(uint32_t code, uint32_t set) { return code << (16 + set * 2); }
constexpr uint32_t TexCount(uint32_t sets) { return sets << TexCountShift; }
// The fixed formats the renderer uses.
inline constexpr uint32_t PosDiffuse = 0x042;
inline constexpr uint32_t RhwDiffuse = 0x044;
inline constexpr uint32_t PosNormalTex1 = 0x112;
inline constexpr uint32_t PosDiffuseTex1 = 0x142;
inline constexpr uint32_t RhwDiffuseTex1 = 0x144;
inline constexpr uint32_t PosNormalDiffuseTex1 = 0x152;
inline constexpr uint32_t RhwDiffuseTex2 = 0x244;
} // namespace GfxFvf

// Size in bytes of one vertex of a flexible vertex format; 0 for a word
// naming more than eight texture-coordinate sets.
uint32_t GfxFvfVertexSize(uint32_t fvf);
// Number of texture-coordinate sets a format names (a word may name more
// than the eight a vertex can hold).
inline uint32_t GfxFvfTexSetCount(uint32_t fvf) { return (fvf & GfxFvf::TexCountMask) >> GfxFvf::TexCountShift; }
// Number of floats in texture set i of a format (1 to 4).
uint32_t GfxFvfTexSetSize(uint32_t fvf, uint32_t set);

// Byte offsets of the parts of a vertex; 0 for a part the format lacks
// (no part but the position can sit at offset 0).
struct GfxFvfLayout {
    uint32_t normal, pointSize, diffuse, specular;
    uint32_t tex[8], texSize[8];
    uint32_t texSets;
    uint32_t size;
    bool rhw;
};
GfxFvfLayout GfxFvfOffsets(uint32_t fvf);

namespace GfxPrimitive {
inline constexpr uint32_t PointList = 1;
inline constexpr uint32_t LineList = 2;
inline constexpr uint32_t LineStrip = 3;
inline constexpr uint32_t TriangleList = 4;
inline constexpr uint32_t TriangleStrip = 5;
inline constexpr uint32_t TriangleFan = 6;
} // namespace GfxPrimitive

namespace GfxTransform {
inline constexpr uint32_t View = 2;
inline constexpr uint32_t Projection = 3;
inline constexpr uint32_t Texture0 = 16; // Texture0 + stage, stages 0 to 7
inline constexpr uint32_t World = 256;
} // namespace GfxTransform

namespace GfxClear {
inline constexpr uint32_t Target = 1;
inline constexpr uint32_t ZBuffer = 2;
inline constexpr uint32_t Stencil = 4;
} // namespace GfxClear

// Render-state numbers (0 to 171).
namespace GfxRs {
inline constexpr uint32_t Count = 172;
inline constexpr uint32_t ZEnable = 7;
inline constexpr uint32_t FillMode = 8;
inline constexpr uint32_t ShadeMode = 9;
inline constexpr uint32_t LinePattern = 10;
inline constexpr uint32_t ZWriteEnable = 14;
inline constexpr uint32_t AlphaTestEnable = 15;
inline constexpr uint32_t LastPixel = 16;
inline constexpr uint32_t SrcBlend = 19;
inline constexpr uint32_t DestBlend = 20;
inline constexpr uint32_t CullMode = 22;
inline constexpr uint32_t ZFunc = 23;
inline constexpr uint32_t AlphaRef = 24;
inline constexpr uint32_t AlphaFunc = 25;
inline constexpr uint32_t DitherEnable = 26;
inline constexpr uint32_t AlphaBlendEnable = 27;
inline constexpr uint32_t FogEnable = 28;
inline constexpr uint32_t SpecularEnable = 29;
inline constexpr uint32_t ZVisible = 30;
inline constexpr uint32_t FogColor = 34;
inline constexpr uint32_t FogTableMode = 35;
inline constexpr uint32_t FogStart = 36;
inline constexpr uint32_t FogEnd = 37;
inline constexpr uint32_t FogDensity = 38;
inline constexpr uint32_t EdgeAntialias = 40;
inline constexpr uint32_t ZBias = 47;
inline constexpr uint32_t RangeFogEnable = 48;
inline constexpr uint32_t StencilEnable = 52;
inline constexpr uint32_t StencilFail = 53;
inline constexpr uint32_t StencilZFail = 54;
inline constexpr uint32_t StencilPass = 55;
inline constexpr uint32_t StencilFunc = 56;
inline constexpr uint32_t StencilRef = 57;
inline constexpr uint32_t StencilMask = 58;
inline constexpr uint32_t StencilWriteMask = 59;
inline constexpr uint32_t TextureFactor = 60;
inline constexpr uint32_t Wrap0 = 128; // to Wrap7 = 135
inline constexpr uint32_t Clipping = 136;
inline constexpr uint32_t Lighting = 137;
inline constexpr uint32_t Ambient = 139;
inline constexpr uint32_t FogVertexMode = 140;
inline constexpr uint32_t ColorVertex = 141;
inline constexpr uint32_t LocalViewer = 142;
inline constexpr uint32_t NormalizeNormals = 143;
inline constexpr uint32_t DiffuseMaterialSource = 145;
inline constexpr uint32_t SpecularMaterialSource = 146;
inline constexpr uint32_t AmbientMaterialSource = 147;
inline constexpr uint32_t EmissiveMaterialSource = 148;
inline constexpr uint32_t VertexBlend = 151;
inline constexpr uint32_t ClipPlaneEnable = 152;
inline constexpr uint32_t SoftwareVertexProcessing = 153;
inline constexpr uint32_t PointSize = 154;
inline constexpr uint32_t PointSizeMin = 155;
inline constexpr uint32_t PointSpriteEnable = 156;
inline constexpr uint32_t PointScaleEnable = 157;
inline constexpr uint32_t PointScaleA = 158;
inline constexpr uint32_t PointScaleB = 159;
inline constexpr uint32_t PointScaleC = 160;
inline constexpr uint32_t MultisampleAntialias = 161;
inline constexpr uint32_t MultisampleMask = 162;
inline constexpr uint32_t PatchEdgeStyle = 163;
inline constexpr uint32_t PatchSegments = 164;
inline constexpr uint32_t DebugMonitorToken = 165;
inline constexpr uint32_t PointSizeMax = 166;
inline constexpr uint32_t IndexedVertexBlendEnable = 167;
inline constexpr uint32_t ColorWriteEnable = 168;
inline constexpr uint32_t TweenFactor = 170;
inline constexpr uint32_t BlendOp = 171;
} // namespace GfxRs

// Texture-stage-state types (1 to 28).
namespace GfxTss {
inline constexpr uint32_t Count = 29;
inline constexpr uint32_t ColorOp = 1;
inline constexpr uint32_t ColorArg1 = 2;
inline constexpr uint32_t ColorArg2 = 3;
inline constexpr uint32_t AlphaOp = 4;
inline constexpr uint32_t AlphaArg1 = 5;
inline constexpr uint32_t AlphaArg2 = 6;
inline constexpr uint32_t BumpEnvMat00 = 7;
inline constexpr uint32_t BumpEnvMat01 = 8;
inline constexpr uint32_t BumpEnvMat10 = 9;
inline constexpr uint32_t BumpEnvMat11 = 10;
inline constexpr uint32_t TexCoordIndex = 11;
inline constexpr uint32_t AddressU = 13;
inline constexpr uint32_t AddressV = 14;
inline constexpr uint32_t BorderColor = 15;
inline constexpr uint32_t MagFilter = 16;
inline constexpr uint32_t MinFilter = 17;
inline constexpr uint32_t MipFilter = 18;
inline constexpr uint32_t MipMapLodBias = 19;
inline constexpr uint32_t MaxMipLevel = 20;
inline constexpr uint32_t MaxAnisotropy = 21;
inline constexpr uint32_t BumpEnvLScale = 22;
inline constexpr uint32_t BumpEnvLOffset = 23;
inline constexpr uint32_t TextureTransformFlags = 24;
inline constexpr uint32_t AddressW = 25;
inline constexpr uint32_t ColorArg0 = 26;
inline constexpr uint32_t AlphaArg0 = 27;
inline constexpr uint32_t ResultArg = 28;
} // namespace GfxTss

inline constexpr uint32_t GfxMaxStages = 8;
inline constexpr uint32_t GfxMaxStreams = 16;
inline constexpr uint32_t GfxMaxActiveLights = 8;

// Texture-stage operations.
namespace GfxTop {
inline constexpr uint32_t Disable = 1;
inline constexpr uint32_t SelectArg1 = 2;
inline constexpr uint32_t SelectArg2 = 3;
inline constexpr uint32_t Modulate = 4;
inline constexpr uint32_t Modulate2x = 5;
inline constexpr uint32_t Modulate4x = 6;
inline constexpr uint32_t Add = 7;
inline constexpr uint32_t AddSigned = 8;
inline constexpr uint32_t AddSigned2x = 9;
inline constexpr uint32_t Subtract = 10;
inline constexpr uint32_t AddSmooth = 11;
inline constexpr uint32_t BlendDiffuseAlpha = 12;
inline constexpr uint32_t BlendTextureAlpha = 13;
inline constexpr uint32_t BlendFactorAlpha = 14;
inline constexpr uint32_t BlendTextureAlphaPm = 15;
inline constexpr uint32_t BlendCurrentAlpha = 16;
inline constexpr uint32_t PreModulate = 17;
inline constexpr uint32_t ModulateAlphaAddColor = 18;
inline constexpr uint32_t ModulateColorAddAlpha = 19;
inline constexpr uint32_t ModulateInvAlphaAddColor = 20;
inline constexpr uint32_t ModulateInvColorAddAlpha = 21;
inline constexpr uint32_t BumpEnvMap = 22;
inline constexpr uint32_t BumpEnvMapLuminance = 23;
inline constexpr uint32_t DotProduct3 = 24;
inline constexpr uint32_t MultiplyAdd = 25;
inline constexpr uint32_t Lerp = 26;
} // namespace GfxTop

// Texture-stage arguments and their modifier bits.
namespace GfxTa {
inline constexpr uint32_t SelectMask = 0x0F;
inline constexpr uint32_t Diffuse = 0;
inline constexpr uint32_t Current = 1;
inline constexpr uint32_t Texture = 2;
inline constexpr uint32_t TFactor = 3;
inline constexpr uint32_t Specular = 4;
inline constexpr uint32_t Temp = 5;
inline constexpr uint32_t Complement = 0x10;
inline constexpr uint32_t AlphaReplicate = 0x20;
} // namespace GfxTa

// Texture-coordinate generation in the high half of TexCoordIndex.
namespace GfxTci {
inline constexpr uint32_t PassThru = 0x00000;
inline constexpr uint32_t CameraSpaceNormal = 0x10000;
inline constexpr uint32_t CameraSpacePosition = 0x20000;
inline constexpr uint32_t CameraSpaceReflectionVector = 0x30000;
} // namespace GfxTci

namespace GfxTtff {
inline constexpr uint32_t Disable = 0;
inline constexpr uint32_t Count1 = 1;
inline constexpr uint32_t Count2 = 2;
inline constexpr uint32_t Count3 = 3;
inline constexpr uint32_t Count4 = 4;
inline constexpr uint32_t Projected = 256;
} // namespace GfxTtff

namespace GfxAddress {
inline constexpr uint32_t Wrap = 1;
inline constexpr uint32_t Mirror = 2;
inline constexpr uint32_t Clamp = 3;
inline constexpr uint32_t Border = 4;
inline constexpr uint32_t MirrorOnce = 5;
} // namespace GfxAddress

namespace GfxFilter {
inline constexpr uint32_t None = 0;
inline constexpr uint32_t Point = 1;
inline constexpr uint32_t Linear = 2;
inline constexpr uint32_t Anisotropic = 3;
} // namespace GfxFilter

namespace GfxBlend {
inline constexpr uint32_t Zero = 1;
inline constexpr uint32_t One = 2;
inline constexpr uint32_t SrcColor = 3;
inline constexpr uint32_t InvSrcColor = 4;
inline constexpr uint32_t SrcAlpha = 5;
inline constexpr uint32_t InvSrcAlpha = 6;
inline constexpr uint32_t DestAlpha = 7;
inline constexpr uint32_t InvDestAlpha = 8;
inline constexpr uint32_t DestColor = 9;
inline constexpr uint32_t InvDestColor = 10;
inline constexpr uint32_t SrcAlphaSat = 11;
inline constexpr uint32_t BothSrcAlpha = 12;
inline constexpr uint32_t BothInvSrcAlpha = 13;
} // namespace GfxBlend

namespace GfxBlendOp {
inline constexpr uint32_t Add = 1;
inline constexpr uint32_t Subtract = 2;
inline constexpr uint32_t RevSubtract = 3;
inline constexpr uint32_t Min = 4;
inline constexpr uint32_t Max = 5;
} // namespace GfxBlendOp

namespace GfxCmp {
inline constexpr uint32_t Never = 1;
inline constexpr uint32_t Less = 2;
inline constexpr uint32_t Equal = 3;
inline constexpr uint32_t LessEqual = 4;
inline constexpr uint32_t Greater = 5;
inline constexpr uint32_t NotEqual = 6;
inline constexpr uint32_t GreaterEqual = 7;
inline constexpr uint32_t Always = 8;
} // namespace GfxCmp

namespace GfxCull {
inline constexpr uint32_t None = 1;
inline constexpr uint32_t Cw = 2;
inline constexpr uint32_t Ccw = 3;
} // namespace GfxCull

namespace GfxFill {
inline constexpr uint32_t Point = 1;
inline constexpr uint32_t Wireframe = 2;
inline constexpr uint32_t Solid = 3;
} // namespace GfxFill

namespace GfxShade {
inline constexpr uint32_t Flat = 1;
inline constexpr uint32_t Gouraud = 2;
inline constexpr uint32_t Phong = 3; // drawn as Gouraud
} // namespace GfxShade

// Fog formulas of the table (per pixel) and vertex fog modes.
namespace GfxFog {
inline constexpr uint32_t None = 0;
inline constexpr uint32_t Exp = 1;
inline constexpr uint32_t Exp2 = 2;
inline constexpr uint32_t Linear = 3;
} // namespace GfxFog

namespace GfxStencilOp {
inline constexpr uint32_t Keep = 1;
inline constexpr uint32_t Zero = 2;
inline constexpr uint32_t Replace = 3;
inline constexpr uint32_t IncrSat = 4;
inline constexpr uint32_t DecrSat = 5;
inline constexpr uint32_t Invert = 6;
inline constexpr uint32_t Incr = 7; // wraps
inline constexpr uint32_t Decr = 8; // wraps
} // namespace GfxStencilOp

// The largest depth bias; larger values draw as this one.
inline constexpr uint32_t GfxMaxZBias = 16;

namespace GfxZb {
inline constexpr uint32_t False = 0;
inline constexpr uint32_t True = 1;
} // namespace GfxZb

// Where a lit colour comes from.
namespace GfxMcs {
inline constexpr uint32_t Material = 0;
inline constexpr uint32_t Color1 = 1;
inline constexpr uint32_t Color2 = 2;
} // namespace GfxMcs

namespace GfxLightType {
inline constexpr uint32_t Point = 1;
inline constexpr uint32_t Spot = 2;
inline constexpr uint32_t Directional = 3;
} // namespace GfxLightType

namespace GfxDevType {
inline constexpr uint32_t Hal = 1;
inline constexpr uint32_t Ref = 2;
inline constexpr uint32_t Sw = 3;
} // namespace GfxDevType

namespace GfxCreate {
inline constexpr uint32_t FpuPreserve = 0x02;
inline constexpr uint32_t MultiThreaded = 0x04;
inline constexpr uint32_t PureDevice = 0x10;
inline constexpr uint32_t SoftwareVertexProcessing = 0x20;
inline constexpr uint32_t HardwareVertexProcessing = 0x40;
inline constexpr uint32_t MixedVertexProcessing = 0x80;
} // namespace GfxCreate

namespace GfxSwap {
inline constexpr uint32_t Discard = 1;
inline constexpr uint32_t Flip = 2;
inline constexpr uint32_t Copy = 3;
} // namespace GfxSwap

namespace GfxPresentInterval {
inline constexpr uint32_t Default = 0;
inline constexpr uint32_t One = 1;
inline constexpr uint32_t Immediate = 0x80000000u;
} // namespace GfxPresentInterval

namespace GfxCaps2Bits {
inline constexpr uint32_t FullScreenGamma = 0x20000;
inline constexpr uint32_t CanRenderWindowed = 0x80000;
inline constexpr uint32_t CanCalibrateGamma = 0x100000;
} // namespace GfxCaps2Bits

namespace GfxDevCapsBits {
inline constexpr uint32_t HwTransformAndLight = 0x10000;
} // namespace GfxDevCapsBits

namespace GfxRasterCapsBits {
inline constexpr uint32_t FogVertex = 0x80;
inline constexpr uint32_t FogTable = 0x100;
inline constexpr uint32_t ZBias = 0x4000;
inline constexpr uint32_t FogRange = 0x10000;
inline constexpr uint32_t WFog = 0x100000;
inline constexpr uint32_t ZFog = 0x200000;
} // namespace GfxRasterCapsBits

// One bit per stencil operation, Keep (bit 0) to Decr (bit 7).
inline constexpr uint32_t GfxStencilCapsAll = 0xFF;

namespace GfxTextureCapsBits {
// Texture sides must be powers of two.
inline constexpr uint32_t Pow2 = 0x2;
// Texture transforms, projected ones included, are carried out.
inline constexpr uint32_t Projected = 0x400;
} // namespace GfxTextureCapsBits

namespace GfxGamma {
inline constexpr uint32_t NoCalibration = 0;
inline constexpr uint32_t Calibrate = 1;
} // namespace GfxGamma

inline constexpr uint32_t GfxBackBufferMono = 0;
inline constexpr uint32_t GfxEnumNoWhqlLevel = 2;

struct GfxColorValue {
    float r, g, b, a;
};

struct GfxVector3 {
    float x, y, z;
};

// Row-major; a point is a row vector multiplied on the left (p' = p * M).
struct GfxMatrix {
    float m[4][4];
};
GfxMatrix GfxIdentityMatrix();
GfxMatrix GfxMultiply(const GfxMatrix& a, const GfxMatrix& b);

struct GfxMaterial {
    GfxColorValue diffuse, ambient, specular, emissive;
    float power;
};

struct GfxLight {
    uint32_t type;
    GfxColorValue diffuse, specular, ambient;
    GfxVector3 position, direction;
    float range, falloff, attenuation0, attenuation1, attenuation2, theta, phi;
};

struct GfxViewport {
    uint32_t x, y, width, height;
    float minZ, maxZ;
};

struct GfxDisplayMode {
    uint32_t width, height, refreshRate, format;
};
static_assert(sizeof(GfxDisplayMode) == 16);

struct GfxSurfaceDesc {
    uint32_t format, type, usage, pool, size, multiSampleType, width, height;
};

struct GfxVertexBufferDesc {
    uint32_t format, type, usage, pool, size, fvf;
};

struct GfxIndexBufferDesc {
    uint32_t format, type, usage, pool, size;
};

struct GfxPresentParameters {
    uint32_t backBufferWidth, backBufferHeight, backBufferFormat, backBufferCount;
    uint32_t multiSampleType, swapEffect;
    void* deviceWindow; // an SDL_Window*, or null for a hidden window of our own
    uint32_t windowed, enableAutoDepthStencil, autoDepthStencilFormat, flags;
    uint32_t fullScreenRefreshRate, fullScreenPresentationInterval;
};

struct GfxCaps {
    uint32_t deviceType, adapterOrdinal;
    uint32_t caps, caps2, caps3, presentationIntervals, cursorCaps, devCaps;
    uint32_t primitiveMiscCaps, rasterCaps, zCmpCaps, srcBlendCaps, destBlendCaps;
    uint32_t alphaCmpCaps, shadeCaps, textureCaps, textureFilterCaps;
    uint32_t textureAddressCaps, lineCaps;
    uint32_t maxTextureWidth, maxTextureHeight, maxTextureRepeat, maxTextureAspectRatio;
    uint32_t stencilCaps, fvfCaps, textureOpCaps;
    uint32_t maxTextureBlendStages, maxSimultaneousTextures;
    uint32_t vertexProcessingCaps, maxActiveLights, maxUserClipPlanes;
    uint32_t maxVertexBlendMatrices, maxPrimitiveCount, maxVertexIndex, maxStreams;
    uint32_t maxStreamStride;
};

struct GfxAdapterIdentifier {
    char driver[512];
    char description[512];
    uint64_t driverVersion;
    uint32_t vendorId, deviceId, subSysId, revision;
    uint8_t deviceIdentifier[16];
    uint32_t whqlLevel;
};

struct GfxRect {
    int32_t left, top, right, bottom;
};
// Columns [left, right) of a band of rows.
struct GfxSpan {
    int32_t left, right;
};

struct GfxPoint {
    int32_t x, y;
};

struct GfxLockedRect {
    int32_t pitch;
    void* bits;
};

struct GfxGammaRamp {
    uint16_t red[256], green[256], blue[256];
};

} // namespace plat
