// Numbers and plain records of the Direct3D 8 layer.
//
// Contract:
// - The engine stores and compares Direct3D numbers (render-state ids,
//   texture-stage-state ids, formats, FVF bits, blend and compare values,
//   clear flags, result codes) in its data files and code, so the same
//   numbers are kept here, written out under this layer's own namespace.
// - Records are plain values; nothing here owns anything.
#pragma once

#include "platform/Types.h"

#include <cstdint>

namespace plat
{
class Window;
}

namespace plat::d3d
{

// The Windows types and result helpers the Direct3D calls take, reachable
// through this namespace as well.
using plat::E_FAIL;
using plat::E_INVALIDARG;
using plat::E_OUTOFMEMORY;
using plat::Failed;
using plat::HResult;
using plat::Point;
using plat::Rect;
using plat::S_OK;
using plat::Succeeded;

using Format = std::uint32_t;
using Color = std::uint32_t; // A8R8G8B8 packed

constexpr std::uint32_t MakeFourCc(char a, char b, char c, char d)
{
    return std::uint32_t(std::uint8_t(a)) | (std::uint32_t(std::uint8_t(b)) << 8) |
           (std::uint32_t(std::uint8_t(c)) << 16) | (std::uint32_t(std::uint8_t(d)) << 24);
}

// ---- result codes ----
constexpr HResult D3D_OK = 0;
constexpr HResult MakeD3dError(std::uint32_t code)
{
    return static_cast<HResult>(0x88760000u | code);
}
constexpr HResult D3DERR_WRONGTEXTUREFORMAT = MakeD3dError(2072);
constexpr HResult D3DERR_UNSUPPORTEDCOLOROPERATION = MakeD3dError(2073);
constexpr HResult D3DERR_UNSUPPORTEDCOLORARG = MakeD3dError(2074);
constexpr HResult D3DERR_UNSUPPORTEDALPHAOPERATION = MakeD3dError(2075);
constexpr HResult D3DERR_UNSUPPORTEDALPHAARG = MakeD3dError(2076);
constexpr HResult D3DERR_TOOMANYOPERATIONS = MakeD3dError(2077);
constexpr HResult D3DERR_CONFLICTINGTEXTUREFILTER = MakeD3dError(2078);
constexpr HResult D3DERR_UNSUPPORTEDFACTORVALUE = MakeD3dError(2079);
constexpr HResult D3DERR_CONFLICTINGRENDERSTATE = MakeD3dError(2081);
constexpr HResult D3DERR_UNSUPPORTEDTEXTUREFILTER = MakeD3dError(2082);
constexpr HResult D3DERR_DRIVERINTERNALERROR = MakeD3dError(2087);
constexpr HResult D3DERR_NOTFOUND = MakeD3dError(2150);
constexpr HResult D3DERR_MOREDATA = MakeD3dError(2151);
constexpr HResult D3DERR_DEVICELOST = MakeD3dError(2152);
constexpr HResult D3DERR_DEVICENOTRESET = MakeD3dError(2153);
constexpr HResult D3DERR_NOTAVAILABLE = MakeD3dError(2154);
constexpr HResult D3DERR_OUTOFVIDEOMEMORY = MakeD3dError(380);
constexpr HResult D3DERR_INVALIDDEVICE = MakeD3dError(2155);
constexpr HResult D3DERR_INVALIDCALL = MakeD3dError(2156);

constexpr std::uint32_t D3D_SDK_VERSION = 220;

// ---- formats ----
constexpr Format D3DFMT_UNKNOWN = 0;
constexpr Format D3DFMT_R8G8B8 = 20;
constexpr Format D3DFMT_A8R8G8B8 = 21;
constexpr Format D3DFMT_X8R8G8B8 = 22;
constexpr Format D3DFMT_R5G6B5 = 23;
constexpr Format D3DFMT_X1R5G5B5 = 24;
constexpr Format D3DFMT_A1R5G5B5 = 25;
constexpr Format D3DFMT_A4R4G4B4 = 26;
constexpr Format D3DFMT_A8 = 28;
constexpr Format D3DFMT_X4R4G4B4 = 30;
constexpr Format D3DFMT_P8 = 41;
constexpr Format D3DFMT_L8 = 50;
constexpr Format D3DFMT_A8L8 = 51;
constexpr Format D3DFMT_V8U8 = 60;
constexpr Format D3DFMT_L6V5U5 = 61;
constexpr Format D3DFMT_X8L8V8U8 = 62;
constexpr Format D3DFMT_Q8W8V8U8 = 63;
constexpr Format D3DFMT_DXT1 = MakeFourCc('D', 'X', 'T', '1');
constexpr Format D3DFMT_DXT3 = MakeFourCc('D', 'X', 'T', '3');
constexpr Format D3DFMT_DXT5 = MakeFourCc('D', 'X', 'T', '5');
constexpr Format D3DFMT_D16_LOCKABLE = 70;
constexpr Format D3DFMT_D32 = 71;
constexpr Format D3DFMT_D15S1 = 73;
constexpr Format D3DFMT_D24S8 = 75;
constexpr Format D3DFMT_D24X8 = 77;
constexpr Format D3DFMT_D24X4S4 = 79;
constexpr Format D3DFMT_D16 = 80;
constexpr Format D3DFMT_VERTEXDATA = 100;
constexpr Format D3DFMT_INDEX16 = 101;
constexpr Format D3DFMT_INDEX32 = 102;

// ---- device types, pools, usages, resource types ----
constexpr std::uint32_t D3DDEVTYPE_HAL = 1;
constexpr std::uint32_t D3DDEVTYPE_REF = 2;

constexpr std::uint32_t D3DPOOL_DEFAULT = 0;
constexpr std::uint32_t D3DPOOL_MANAGED = 1;
constexpr std::uint32_t D3DPOOL_SYSTEMMEM = 2;

constexpr std::uint32_t D3DUSAGE_RENDERTARGET = 0x1;
constexpr std::uint32_t D3DUSAGE_DEPTHSTENCIL = 0x2;
constexpr std::uint32_t D3DUSAGE_WRITEONLY = 0x8;
constexpr std::uint32_t D3DUSAGE_SOFTWAREPROCESSING = 0x10;
constexpr std::uint32_t D3DUSAGE_DONOTCLIP = 0x20;
constexpr std::uint32_t D3DUSAGE_POINTS = 0x40;
constexpr std::uint32_t D3DUSAGE_DYNAMIC = 0x200;

constexpr std::uint32_t D3DRTYPE_SURFACE = 1;
constexpr std::uint32_t D3DRTYPE_TEXTURE = 3;
constexpr std::uint32_t D3DRTYPE_VERTEXBUFFER = 6;
constexpr std::uint32_t D3DRTYPE_INDEXBUFFER = 7;

constexpr std::uint32_t D3DLOCK_READONLY = 0x10;
constexpr std::uint32_t D3DLOCK_NOSYSLOCK = 0x800;
constexpr std::uint32_t D3DLOCK_NOOVERWRITE = 0x1000;
constexpr std::uint32_t D3DLOCK_DISCARD = 0x2000;
constexpr std::uint32_t D3DLOCK_NO_DIRTY_UPDATE = 0x8000;

// ---- creation and presentation ----
constexpr std::uint32_t D3DCREATE_FPU_PRESERVE = 0x2;
constexpr std::uint32_t D3DCREATE_MULTITHREADED = 0x4;
constexpr std::uint32_t D3DCREATE_PUREDEVICE = 0x10;
constexpr std::uint32_t D3DCREATE_SOFTWARE_VERTEXPROCESSING = 0x20;
constexpr std::uint32_t D3DCREATE_HARDWARE_VERTEXPROCESSING = 0x40;
constexpr std::uint32_t D3DCREATE_MIXED_VERTEXPROCESSING = 0x80;

constexpr std::uint32_t D3DSWAPEFFECT_DISCARD = 1;
constexpr std::uint32_t D3DSWAPEFFECT_FLIP = 2;
constexpr std::uint32_t D3DSWAPEFFECT_COPY = 3;
constexpr std::uint32_t D3DPRESENTFLAG_LOCKABLE_BACKBUFFER = 1;
constexpr std::uint32_t D3DPRESENT_INTERVAL_DEFAULT = 0;
constexpr std::uint32_t D3DPRESENT_INTERVAL_ONE = 1;
constexpr std::uint32_t D3DPRESENT_INTERVAL_IMMEDIATE = 0x80000000u;
constexpr std::uint32_t D3DMULTISAMPLE_NONE = 0;
constexpr std::uint32_t D3DENUM_NO_WHQL_LEVEL = 2;
constexpr std::uint32_t D3DBACKBUFFER_TYPE_MONO = 0;
constexpr std::uint32_t D3DSGR_NO_CALIBRATION = 0;

constexpr std::uint32_t D3DCLEAR_TARGET = 1;
constexpr std::uint32_t D3DCLEAR_ZBUFFER = 2;
constexpr std::uint32_t D3DCLEAR_STENCIL = 4;

// ---- transforms ----
constexpr std::uint32_t D3DTS_VIEW = 2;
constexpr std::uint32_t D3DTS_PROJECTION = 3;
constexpr std::uint32_t D3DTS_TEXTURE0 = 16;
constexpr std::uint32_t D3DTS_WORLD = 256;
constexpr std::uint32_t D3DTS_WORLDMATRIX(std::uint32_t i)
{
    return 256 + i;
}
constexpr std::uint32_t D3DTS_WORLD1 = 257;
constexpr std::uint32_t D3DTS_WORLD2 = 258;
constexpr std::uint32_t D3DTS_WORLD3 = 259;

// ---- primitives ----
constexpr std::uint32_t D3DPT_POINTLIST = 1;
constexpr std::uint32_t D3DPT_LINELIST = 2;
constexpr std::uint32_t D3DPT_LINESTRIP = 3;
constexpr std::uint32_t D3DPT_TRIANGLELIST = 4;
constexpr std::uint32_t D3DPT_TRIANGLESTRIP = 5;
constexpr std::uint32_t D3DPT_TRIANGLEFAN = 6;

// ---- FVF ----
constexpr std::uint32_t D3DFVF_POSITION_MASK = 0x00E;
constexpr std::uint32_t D3DFVF_XYZ = 0x002;
constexpr std::uint32_t D3DFVF_XYZRHW = 0x004;
constexpr std::uint32_t D3DFVF_XYZB1 = 0x006;
constexpr std::uint32_t D3DFVF_XYZB2 = 0x008;
constexpr std::uint32_t D3DFVF_XYZB3 = 0x00A;
constexpr std::uint32_t D3DFVF_XYZB4 = 0x00C;
constexpr std::uint32_t D3DFVF_XYZB5 = 0x00E;
constexpr std::uint32_t D3DFVF_NORMAL = 0x010;
constexpr std::uint32_t D3DFVF_PSIZE = 0x020;
constexpr std::uint32_t D3DFVF_DIFFUSE = 0x040;
constexpr std::uint32_t D3DFVF_SPECULAR = 0x080;
constexpr std::uint32_t D3DFVF_TEXCOUNT_MASK = 0xF00;
constexpr std::uint32_t D3DFVF_TEXCOUNT_SHIFT = 8;
constexpr std::uint32_t D3DFVF_TEX0 = 0x000;
constexpr std::uint32_t D3DFVF_TEX1 = 0x100;
constexpr std::uint32_t D3DFVF_TEX2 = 0x200;
constexpr std::uint32_t D3DFVF_TEX3 = 0x300;
constexpr std::uint32_t D3DFVF_TEX4 = 0x400;
constexpr std::uint32_t D3DFVF_LASTBETA_UBYTE4 = 0x1000;
// Per-set size codes at bits 16 + 2 * set.
constexpr std::uint32_t D3DFVF_TEXTUREFORMAT2 = 0;
constexpr std::uint32_t D3DFVF_TEXTUREFORMAT3 = 1;
constexpr std::uint32_t D3DFVF_TEXTUREFORMAT4 = 2;
constexpr std::uint32_t D3DFVF_TEXTUREFORMAT1 = 3;
constexpr std::uint32_t D3DFVF_TEXCOORDSIZE1(int set)
{
    return D3DFVF_TEXTUREFORMAT1 << (set * 2 + 16);
}
constexpr std::uint32_t D3DFVF_TEXCOORDSIZE3(int set)
{
    return D3DFVF_TEXTUREFORMAT3 << (set * 2 + 16);
}
constexpr std::uint32_t D3DFVF_TEXCOORDSIZE4(int set)
{
    return D3DFVF_TEXTUREFORMAT4 << (set * 2 + 16);
}

// ---- render states ----
constexpr std::uint32_t D3DRS_ZENABLE = 7;
constexpr std::uint32_t D3DRS_FILLMODE = 8;
constexpr std::uint32_t D3DRS_SHADEMODE = 9;
constexpr std::uint32_t D3DRS_ZWRITEENABLE = 14;
constexpr std::uint32_t D3DRS_ALPHATESTENABLE = 15;
constexpr std::uint32_t D3DRS_LASTPIXEL = 16;
constexpr std::uint32_t D3DRS_SRCBLEND = 19;
constexpr std::uint32_t D3DRS_DESTBLEND = 20;
constexpr std::uint32_t D3DRS_CULLMODE = 22;
constexpr std::uint32_t D3DRS_ZFUNC = 23;
constexpr std::uint32_t D3DRS_ALPHAREF = 24;
constexpr std::uint32_t D3DRS_ALPHAFUNC = 25;
constexpr std::uint32_t D3DRS_DITHERENABLE = 26;
constexpr std::uint32_t D3DRS_ALPHABLENDENABLE = 27;
constexpr std::uint32_t D3DRS_FOGENABLE = 28;
constexpr std::uint32_t D3DRS_SPECULARENABLE = 29;
constexpr std::uint32_t D3DRS_ZVISIBLE = 30;
constexpr std::uint32_t D3DRS_FOGCOLOR = 34;
constexpr std::uint32_t D3DRS_FOGTABLEMODE = 35;
constexpr std::uint32_t D3DRS_FOGSTART = 36;
constexpr std::uint32_t D3DRS_FOGEND = 37;
constexpr std::uint32_t D3DRS_FOGDENSITY = 38;
constexpr std::uint32_t D3DRS_EDGEANTIALIAS = 40;
constexpr std::uint32_t D3DRS_ZBIAS = 47;
constexpr std::uint32_t D3DRS_RANGEFOGENABLE = 48;
constexpr std::uint32_t D3DRS_STENCILENABLE = 52;
constexpr std::uint32_t D3DRS_STENCILFAIL = 53;
constexpr std::uint32_t D3DRS_STENCILZFAIL = 54;
constexpr std::uint32_t D3DRS_STENCILPASS = 55;
constexpr std::uint32_t D3DRS_STENCILFUNC = 56;
constexpr std::uint32_t D3DRS_STENCILREF = 57;
constexpr std::uint32_t D3DRS_STENCILMASK = 58;
constexpr std::uint32_t D3DRS_STENCILWRITEMASK = 59;
constexpr std::uint32_t D3DRS_TEXTUREFACTOR = 60;
constexpr std::uint32_t D3DRS_WRAP0 = 128;
constexpr std::uint32_t D3DRS_CLIPPING = 136;
constexpr std::uint32_t D3DRS_LIGHTING = 137;
constexpr std::uint32_t D3DRS_AMBIENT = 139;
constexpr std::uint32_t D3DRS_FOGVERTEXMODE = 140;
constexpr std::uint32_t D3DRS_COLORVERTEX = 141;
constexpr std::uint32_t D3DRS_LOCALVIEWER = 142;
constexpr std::uint32_t D3DRS_NORMALIZENORMALS = 143;
constexpr std::uint32_t D3DRS_DIFFUSEMATERIALSOURCE = 145;
constexpr std::uint32_t D3DRS_SPECULARMATERIALSOURCE = 146;
constexpr std::uint32_t D3DRS_AMBIENTMATERIALSOURCE = 147;
constexpr std::uint32_t D3DRS_EMISSIVEMATERIALSOURCE = 148;
constexpr std::uint32_t D3DRS_VERTEXBLEND = 151;
constexpr std::uint32_t D3DRS_CLIPPLANEENABLE = 152;
constexpr std::uint32_t D3DRS_SOFTWAREVERTEXPROCESSING = 153;
constexpr std::uint32_t D3DRS_POINTSIZE = 154;
constexpr std::uint32_t D3DRS_POINTSIZE_MIN = 155;
constexpr std::uint32_t D3DRS_POINTSPRITEENABLE = 156;
constexpr std::uint32_t D3DRS_POINTSCALEENABLE = 157;
constexpr std::uint32_t D3DRS_POINTSCALE_A = 158;
constexpr std::uint32_t D3DRS_POINTSCALE_B = 159;
constexpr std::uint32_t D3DRS_POINTSCALE_C = 160;
constexpr std::uint32_t D3DRS_MULTISAMPLEANTIALIAS = 161;
constexpr std::uint32_t D3DRS_MULTISAMPLEMASK = 162;
constexpr std::uint32_t D3DRS_POINTSIZE_MAX = 166;
constexpr std::uint32_t D3DRS_INDEXEDVERTEXBLENDENABLE = 167;
constexpr std::uint32_t D3DRS_COLORWRITEENABLE = 168;
constexpr std::uint32_t D3DRS_TWEENFACTOR = 170;
constexpr std::uint32_t D3DRS_BLENDOP = 171;
constexpr std::uint32_t kRenderStateCount = 176; // ids are below this

// ---- texture stage states ----
constexpr std::uint32_t D3DTSS_COLOROP = 1;
constexpr std::uint32_t D3DTSS_COLORARG1 = 2;
constexpr std::uint32_t D3DTSS_COLORARG2 = 3;
constexpr std::uint32_t D3DTSS_ALPHAOP = 4;
constexpr std::uint32_t D3DTSS_ALPHAARG1 = 5;
constexpr std::uint32_t D3DTSS_ALPHAARG2 = 6;
constexpr std::uint32_t D3DTSS_BUMPENVMAT00 = 7;
constexpr std::uint32_t D3DTSS_BUMPENVMAT01 = 8;
constexpr std::uint32_t D3DTSS_BUMPENVMAT10 = 9;
constexpr std::uint32_t D3DTSS_BUMPENVMAT11 = 10;
constexpr std::uint32_t D3DTSS_TEXCOORDINDEX = 11;
constexpr std::uint32_t D3DTSS_ADDRESSU = 13;
constexpr std::uint32_t D3DTSS_ADDRESSV = 14;
constexpr std::uint32_t D3DTSS_BORDERCOLOR = 15;
constexpr std::uint32_t D3DTSS_MAGFILTER = 16;
constexpr std::uint32_t D3DTSS_MINFILTER = 17;
constexpr std::uint32_t D3DTSS_MIPFILTER = 18;
constexpr std::uint32_t D3DTSS_MIPMAPLODBIAS = 19;
constexpr std::uint32_t D3DTSS_MAXMIPLEVEL = 20;
constexpr std::uint32_t D3DTSS_MAXANISOTROPY = 21;
constexpr std::uint32_t D3DTSS_BUMPENVLSCALE = 22;
constexpr std::uint32_t D3DTSS_BUMPENVLOFFSET = 23;
constexpr std::uint32_t D3DTSS_TEXTURETRANSFORMFLAGS = 24;
constexpr std::uint32_t D3DTSS_ADDRESSW = 25;
constexpr std::uint32_t D3DTSS_COLORARG0 = 26;
constexpr std::uint32_t D3DTSS_ALPHAARG0 = 27;
constexpr std::uint32_t D3DTSS_RESULTARG = 28;
constexpr std::uint32_t kStageStateCount = 29; // ids are below this
constexpr std::uint32_t kMaxStages = 8;

constexpr std::uint32_t D3DTSS_TCI_PASSTHRU = 0x00000;
constexpr std::uint32_t D3DTSS_TCI_CAMERASPACENORMAL = 0x10000;
constexpr std::uint32_t D3DTSS_TCI_CAMERASPACEPOSITION = 0x20000;
constexpr std::uint32_t D3DTSS_TCI_CAMERASPACEREFLECTIONVECTOR = 0x30000;

constexpr std::uint32_t D3DTTFF_DISABLE = 0;
constexpr std::uint32_t D3DTTFF_COUNT1 = 1;
constexpr std::uint32_t D3DTTFF_COUNT2 = 2;
constexpr std::uint32_t D3DTTFF_COUNT3 = 3;
constexpr std::uint32_t D3DTTFF_COUNT4 = 4;
constexpr std::uint32_t D3DTTFF_PROJECTED = 256;

constexpr std::uint32_t D3DTOP_DISABLE = 1;
constexpr std::uint32_t D3DTOP_SELECTARG1 = 2;
constexpr std::uint32_t D3DTOP_SELECTARG2 = 3;
constexpr std::uint32_t D3DTOP_MODULATE = 4;
constexpr std::uint32_t D3DTOP_MODULATE2X = 5;
constexpr std::uint32_t D3DTOP_MODULATE4X = 6;
constexpr std::uint32_t D3DTOP_ADD = 7;
constexpr std::uint32_t D3DTOP_ADDSIGNED = 8;
constexpr std::uint32_t D3DTOP_ADDSIGNED2X = 9;
constexpr std::uint32_t D3DTOP_SUBTRACT = 10;
constexpr std::uint32_t D3DTOP_ADDSMOOTH = 11;
constexpr std::uint32_t D3DTOP_BLENDDIFFUSEALPHA = 12;
constexpr std::uint32_t D3DTOP_BLENDTEXTUREALPHA = 13;
constexpr std::uint32_t D3DTOP_BLENDFACTORALPHA = 14;
constexpr std::uint32_t D3DTOP_BLENDTEXTUREALPHAPM = 15;
constexpr std::uint32_t D3DTOP_BLENDCURRENTALPHA = 16;
constexpr std::uint32_t D3DTOP_PREMODULATE = 17;
constexpr std::uint32_t D3DTOP_MODULATEALPHA_ADDCOLOR = 18;
constexpr std::uint32_t D3DTOP_MODULATECOLOR_ADDALPHA = 19;
constexpr std::uint32_t D3DTOP_MODULATEINVALPHA_ADDCOLOR = 20;
constexpr std::uint32_t D3DTOP_MODULATEINVCOLOR_ADDALPHA = 21;
constexpr std::uint32_t D3DTOP_BUMPENVMAP = 22;
constexpr std::uint32_t D3DTOP_BUMPENVMAPLUMINANCE = 23;
constexpr std::uint32_t D3DTOP_DOTPRODUCT3 = 24;
constexpr std::uint32_t D3DTOP_MULTIPLYADD = 25;
constexpr std::uint32_t D3DTOP_LERP = 26;

constexpr std::uint32_t D3DTA_SELECTMASK = 0x0F;
constexpr std::uint32_t D3DTA_DIFFUSE = 0x00;
constexpr std::uint32_t D3DTA_CURRENT = 0x01;
constexpr std::uint32_t D3DTA_TEXTURE = 0x02;
constexpr std::uint32_t D3DTA_TFACTOR = 0x03;
constexpr std::uint32_t D3DTA_SPECULAR = 0x04;
constexpr std::uint32_t D3DTA_TEMP = 0x05;
constexpr std::uint32_t D3DTA_COMPLEMENT = 0x10;
constexpr std::uint32_t D3DTA_ALPHAREPLICATE = 0x20;

constexpr std::uint32_t D3DTADDRESS_WRAP = 1;
constexpr std::uint32_t D3DTADDRESS_MIRROR = 2;
constexpr std::uint32_t D3DTADDRESS_CLAMP = 3;
constexpr std::uint32_t D3DTADDRESS_BORDER = 4;
constexpr std::uint32_t D3DTADDRESS_MIRRORONCE = 5;

constexpr std::uint32_t D3DTEXF_NONE = 0;
constexpr std::uint32_t D3DTEXF_POINT = 1;
constexpr std::uint32_t D3DTEXF_LINEAR = 2;
constexpr std::uint32_t D3DTEXF_ANISOTROPIC = 3;

// ---- render-state values ----
constexpr std::uint32_t D3DZB_FALSE = 0;
constexpr std::uint32_t D3DZB_TRUE = 1;
constexpr std::uint32_t D3DZB_USEW = 2;
constexpr std::uint32_t D3DFILL_POINT = 1;
constexpr std::uint32_t D3DFILL_WIREFRAME = 2;
constexpr std::uint32_t D3DFILL_SOLID = 3;
constexpr std::uint32_t D3DSHADE_FLAT = 1;
constexpr std::uint32_t D3DSHADE_GOURAUD = 2;

constexpr std::uint32_t D3DBLEND_ZERO = 1;
constexpr std::uint32_t D3DBLEND_ONE = 2;
constexpr std::uint32_t D3DBLEND_SRCCOLOR = 3;
constexpr std::uint32_t D3DBLEND_INVSRCCOLOR = 4;
constexpr std::uint32_t D3DBLEND_SRCALPHA = 5;
constexpr std::uint32_t D3DBLEND_INVSRCALPHA = 6;
constexpr std::uint32_t D3DBLEND_DESTALPHA = 7;
constexpr std::uint32_t D3DBLEND_INVDESTALPHA = 8;
constexpr std::uint32_t D3DBLEND_DESTCOLOR = 9;
constexpr std::uint32_t D3DBLEND_INVDESTCOLOR = 10;
constexpr std::uint32_t D3DBLEND_SRCALPHASAT = 11;
constexpr std::uint32_t D3DBLEND_BOTHSRCALPHA = 12;
constexpr std::uint32_t D3DBLEND_BOTHINVSRCALPHA = 13;

constexpr std::uint32_t D3DBLENDOP_ADD = 1;
constexpr std::uint32_t D3DBLENDOP_SUBTRACT = 2;
constexpr std::uint32_t D3DBLENDOP_REVSUBTRACT = 3;
constexpr std::uint32_t D3DBLENDOP_MIN = 4;
constexpr std::uint32_t D3DBLENDOP_MAX = 5;

constexpr std::uint32_t D3DCMP_NEVER = 1;
constexpr std::uint32_t D3DCMP_LESS = 2;
constexpr std::uint32_t D3DCMP_EQUAL = 3;
constexpr std::uint32_t D3DCMP_LESSEQUAL = 4;
constexpr std::uint32_t D3DCMP_GREATER = 5;
constexpr std::uint32_t D3DCMP_NOTEQUAL = 6;
constexpr std::uint32_t D3DCMP_GREATEREQUAL = 7;
constexpr std::uint32_t D3DCMP_ALWAYS = 8;

constexpr std::uint32_t D3DSTENCILOP_KEEP = 1;

constexpr std::uint32_t D3DCULL_NONE = 1;
constexpr std::uint32_t D3DCULL_CW = 2;
constexpr std::uint32_t D3DCULL_CCW = 3;

constexpr std::uint32_t D3DFOG_NONE = 0;
constexpr std::uint32_t D3DFOG_EXP = 1;
constexpr std::uint32_t D3DFOG_EXP2 = 2;
constexpr std::uint32_t D3DFOG_LINEAR = 3;

constexpr std::uint32_t D3DMCS_MATERIAL = 0;
constexpr std::uint32_t D3DMCS_COLOR1 = 1;
constexpr std::uint32_t D3DMCS_COLOR2 = 2;

constexpr std::uint32_t D3DVBF_DISABLE = 0;
constexpr std::uint32_t D3DVBF_1WEIGHTS = 1;
constexpr std::uint32_t D3DVBF_2WEIGHTS = 2;
constexpr std::uint32_t D3DVBF_3WEIGHTS = 3;
constexpr std::uint32_t D3DVBF_TWEENING = 255;
constexpr std::uint32_t D3DVBF_0WEIGHTS = 256;

constexpr std::uint32_t D3DLIGHT_POINT = 1;
constexpr std::uint32_t D3DLIGHT_SPOT = 2;
constexpr std::uint32_t D3DLIGHT_DIRECTIONAL = 3;

constexpr std::uint32_t D3DSBT_ALL = 1;
constexpr std::uint32_t D3DSBT_PIXELSTATE = 2;
constexpr std::uint32_t D3DSBT_VERTEXSTATE = 3;

// ---- caps bits the engine or this layer reads ----
constexpr std::uint32_t D3DDEVCAPS_DRAWPRIMTLVERTEX = 0x400;
constexpr std::uint32_t D3DDEVCAPS_HWTRANSFORMANDLIGHT = 0x10000;
constexpr std::uint32_t D3DDEVCAPS_HWRASTERIZATION = 0x80000;
constexpr std::uint32_t D3DDEVCAPS_PUREDEVICE = 0x100000;
constexpr std::uint32_t D3DCAPS2_FULLSCREENGAMMA = 0x20000;
constexpr std::uint32_t D3DCAPS2_CANRENDERWINDOWED = 0x80000;
constexpr std::uint32_t D3DCAPS2_DYNAMICTEXTURES = 0x20000000;
constexpr std::uint32_t D3DPMISCCAPS_MASKZ = 0x2;
constexpr std::uint32_t D3DPMISCCAPS_CULLNONE = 0x10;
constexpr std::uint32_t D3DPMISCCAPS_CULLCW = 0x20;
constexpr std::uint32_t D3DPMISCCAPS_CULLCCW = 0x40;
constexpr std::uint32_t D3DPMISCCAPS_COLORWRITEENABLE = 0x80;
constexpr std::uint32_t D3DPMISCCAPS_CLIPPLANESCALEDPOINTS = 0x100;
constexpr std::uint32_t D3DPMISCCAPS_TSSARGTEMP = 0x400;
constexpr std::uint32_t D3DPMISCCAPS_BLENDOP = 0x800;
constexpr std::uint32_t D3DPRASTERCAPS_DITHER = 0x1;
constexpr std::uint32_t D3DPRASTERCAPS_ZTEST = 0x10;
constexpr std::uint32_t D3DPRASTERCAPS_FOGVERTEX = 0x80;
constexpr std::uint32_t D3DPRASTERCAPS_FOGTABLE = 0x100;
constexpr std::uint32_t D3DPRASTERCAPS_MIPMAPLODBIAS = 0x2000;
constexpr std::uint32_t D3DPRASTERCAPS_FOGRANGE = 0x10000;
constexpr std::uint32_t D3DPRASTERCAPS_ANISOTROPY = 0x20000;
constexpr std::uint32_t D3DPRASTERCAPS_WBUFFER = 0x40000;
constexpr std::uint32_t D3DPRASTERCAPS_WFOG = 0x100000;
constexpr std::uint32_t D3DPRASTERCAPS_ZFOG = 0x200000;
constexpr std::uint32_t D3DPTEXTURECAPS_PERSPECTIVE = 0x1;
constexpr std::uint32_t D3DPTEXTURECAPS_POW2 = 0x2;
constexpr std::uint32_t D3DPTEXTURECAPS_ALPHA = 0x4;
constexpr std::uint32_t D3DPTEXTURECAPS_PROJECTED = 0x400;
constexpr std::uint32_t D3DPTEXTURECAPS_MIPMAP = 0x4000;
constexpr std::uint32_t D3DPTFILTERCAPS_MINFPOINT = 0x100;
constexpr std::uint32_t D3DPTFILTERCAPS_MINFLINEAR = 0x200;
constexpr std::uint32_t D3DPTFILTERCAPS_MINFANISOTROPIC = 0x400;
constexpr std::uint32_t D3DPTFILTERCAPS_MIPFPOINT = 0x10000;
constexpr std::uint32_t D3DPTFILTERCAPS_MIPFLINEAR = 0x20000;
constexpr std::uint32_t D3DPTFILTERCAPS_MAGFPOINT = 0x1000000;
constexpr std::uint32_t D3DPTFILTERCAPS_MAGFLINEAR = 0x2000000;
constexpr std::uint32_t D3DPTFILTERCAPS_MAGFANISOTROPIC = 0x4000000;
constexpr std::uint32_t D3DPTADDRESSCAPS_WRAP = 0x1;
constexpr std::uint32_t D3DPTADDRESSCAPS_MIRROR = 0x2;
constexpr std::uint32_t D3DPTADDRESSCAPS_CLAMP = 0x4;
constexpr std::uint32_t D3DPTADDRESSCAPS_BORDER = 0x8;
constexpr std::uint32_t D3DPTADDRESSCAPS_INDEPENDENTUV = 0x10;
constexpr std::uint32_t D3DPTADDRESSCAPS_MIRRORONCE = 0x20;
constexpr std::uint32_t D3DTEXOPCAPS(std::uint32_t op)
{
    return 1u << (op - 1);
}
constexpr std::uint32_t D3DTEXOPCAPS_BUMPENVMAP = 0x200000;
constexpr std::uint32_t D3DTEXOPCAPS_BUMPENVMAPLUMINANCE = 0x400000;
constexpr std::uint32_t D3DTEXOPCAPS_DOTPRODUCT3 = 0x800000;
constexpr std::uint32_t D3DTEXOPCAPS_MULTIPLYADD = 0x1000000;
constexpr std::uint32_t D3DFVFCAPS_PSIZE = 0x100000;
constexpr std::uint32_t D3DVTXPCAPS_TEXGEN = 0x1;
constexpr std::uint32_t D3DVTXPCAPS_MATERIALSOURCE7 = 0x2;
constexpr std::uint32_t D3DVTXPCAPS_DIRECTIONALLIGHTS = 0x8;
constexpr std::uint32_t D3DVTXPCAPS_POSITIONALLIGHTS = 0x10;
constexpr std::uint32_t D3DVTXPCAPS_LOCALVIEWER = 0x20;
constexpr std::uint32_t D3DCURSORCAPS_COLOR = 0x1;
constexpr std::uint32_t D3DPS_VERSION(std::uint32_t major, std::uint32_t minor)
{
    return 0xFFFF0000u | (major << 8) | minor;
}
constexpr std::uint32_t D3DVS_VERSION(std::uint32_t major, std::uint32_t minor)
{
    return 0xFFFE0000u | (major << 8) | minor;
}

// ---- records ----
struct SMatrix
{
    float m[4][4]; // row vectors: m[3] holds the translation
};
SMatrix IdentityMatrix();
SMatrix Multiply(const SMatrix& a, const SMatrix& b);

struct SVector
{
    float x, y, z;
};

struct SColorValue
{
    float r, g, b, a;
};

struct SMaterial
{
    SColorValue Diffuse, Ambient, Specular, Emissive;
    float Power;
};

struct SLight
{
    std::uint32_t Type;
    SColorValue Diffuse, Specular, Ambient;
    SVector Position, Direction;
    float Range, Falloff, Attenuation0, Attenuation1, Attenuation2, Theta, Phi;
};

struct SViewport
{
    std::uint32_t X, Y, Width, Height;
    float MinZ, MaxZ;
};

struct SRect // D3DRECT: a clear rectangle
{
    std::int32_t x1, y1, x2, y2;
};

struct SLockedRect
{
    std::int32_t Pitch;
    void* pBits;
};

struct SSurfaceDesc
{
    std::uint32_t Format;
    std::uint32_t Type, Usage, Pool, Size, MultiSampleType, Width, Height;
};

struct SBufferDesc // vertex and index buffers
{
    std::uint32_t Format;
    std::uint32_t Type, Usage, Pool, Size, FVF;
};

struct SPresentParameters
{
    std::uint32_t BackBufferWidth = 0;
    std::uint32_t BackBufferHeight = 0;
    Format BackBufferFormat = D3DFMT_UNKNOWN;
    std::uint32_t BackBufferCount = 0;
    std::uint32_t MultiSampleType = 0;
    std::uint32_t SwapEffect = 0;
    plat::Window* hDeviceWindow = nullptr;
    std::uint32_t Windowed = 0;
    std::uint32_t EnableAutoDepthStencil = 0;
    Format AutoDepthStencilFormat = D3DFMT_UNKNOWN;
    std::uint32_t Flags = 0;
    std::uint32_t FullScreen_RefreshRateInHz = 0;
    std::uint32_t FullScreen_PresentationInterval = 0;
};

struct SDisplayMode
{
    std::uint32_t Width, Height, RefreshRate;
    std::uint32_t Format;
};

struct SAdapterIdentifier
{
    char Driver[512];
    char Description[512];
    std::uint32_t DriverVersionLowPart, DriverVersionHighPart;
    std::uint32_t VendorId, DeviceId, SubSysId, Revision;
    std::uint8_t DeviceIdentifier[16];
    std::uint32_t WHQLLevel;
};

struct SGammaRamp
{
    std::uint16_t red[256], green[256], blue[256];
};

struct SCaps
{
    std::uint32_t DeviceType, AdapterOrdinal;
    std::uint32_t Caps, Caps2, Caps3, PresentationIntervals, CursorCaps, DevCaps;
    std::uint32_t PrimitiveMiscCaps, RasterCaps, ZCmpCaps, SrcBlendCaps, DestBlendCaps, AlphaCmpCaps;
    std::uint32_t ShadeCaps, TextureCaps, TextureFilterCaps, CubeTextureFilterCaps, VolumeTextureFilterCaps;
    std::uint32_t TextureAddressCaps, VolumeTextureAddressCaps, LineCaps;
    std::uint32_t MaxTextureWidth, MaxTextureHeight, MaxVolumeExtent, MaxTextureRepeat, MaxTextureAspectRatio;
    std::uint32_t MaxAnisotropy;
    float MaxVertexW, GuardBandLeft, GuardBandTop, GuardBandRight, GuardBandBottom, ExtentsAdjust;
    std::uint32_t StencilCaps, FVFCaps, TextureOpCaps, MaxTextureBlendStages, MaxSimultaneousTextures;
    std::uint32_t VertexProcessingCaps, MaxActiveLights, MaxUserClipPlanes, MaxVertexBlendMatrices;
    std::uint32_t MaxVertexBlendMatrixIndex;
    float MaxPointSize;
    std::uint32_t MaxPrimitiveCount, MaxVertexIndex, MaxStreams, MaxStreamStride;
    std::uint32_t VertexShaderVersion, MaxVertexShaderConst, PixelShaderVersion;
    float MaxPixelShaderValue;
};

// The engine's own shader programs. The game carries no shader text: each
// program is described by its inputs, constants and formulas, and the layer
// builds its own equivalent.
enum class EEngineVertexShader : std::uint32_t
{
    Water = 0,        // VSWater, declaration: P, W, normal, D, UV (stride 48)
    MapHideColor = 1, // VSMapHideColor, declaration: P, normal, D (stride 28)
};
enum class EEnginePixelShader : std::uint32_t
{
    SpecMap = 0,
    SkyLayer = 1,
    SpecBump = 2,
    MapHideColor = 3,
    SpecMapMask = 4,
    SpecMapMask11 = 5,
    MapMask = 6,
};

} // namespace plat::d3d
