// The subset of the AVIFile API that the frame reader uses.
//
// On Windows this is the system's own library. Elsewhere the same names are
// provided by our implementation on FFmpeg (avifile_ffmpeg.cpp), so the reader
// compiles unchanged on both.
#pragma once

#ifdef _WIN32

#include <windows.h>
#include <vfw.h>

#else

#include <cstdint>

using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using LONG = std::int32_t;
using HRESULT = std::int32_t;
using LPCSTR = const char*;
using LPVOID = void*;

struct RECT {
    LONG left;
    LONG top;
    LONG right;
    LONG bottom;
};

struct AVISTREAMINFOA {
    DWORD fccType;
    DWORD fccHandler;
    DWORD dwFlags;
    DWORD dwCaps;
    WORD wPriority;
    WORD wLanguage;
    DWORD dwScale;
    DWORD dwRate;
    DWORD dwStart;
    DWORD dwLength;
    DWORD dwInitialFrames;
    DWORD dwSuggestedBufferSize;
    DWORD dwQuality;
    DWORD dwSampleSize;
    RECT rcFrame;
    DWORD dwEditCount;
    DWORD dwFormatChangeCount;
    char szName[64];
};
static_assert(sizeof(AVISTREAMINFOA) == 140);

struct BITMAPINFOHEADER {
    DWORD biSize;
    LONG biWidth;
    LONG biHeight;
    WORD biPlanes;
    WORD biBitCount;
    DWORD biCompression;
    DWORD biSizeImage;
    LONG biXPelsPerMeter;
    LONG biYPelsPerMeter;
    DWORD biClrUsed;
    DWORD biClrImportant;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40);

using LPBITMAPINFOHEADER = BITMAPINFOHEADER*;

// Opaque handles; what lies behind them is ours.
class AviStream;
class AviGetFrame;
using PAVISTREAM = AviStream*;
using PGETFRAME = AviGetFrame*;

constexpr DWORD mmioFOURCC(char a, char b, char c, char d)
{
    return DWORD(BYTE(a)) | DWORD(BYTE(b)) << 8 | DWORD(BYTE(c)) << 16 | DWORD(BYTE(d)) << 24;
}

constexpr DWORD streamtypeVIDEO = mmioFOURCC('v', 'i', 'd', 's');
constexpr DWORD BI_RGB = 0;

// AVIStreamFindSample flags.
constexpr LONG FIND_NEXT = 0x0001;
constexpr LONG FIND_PREV = 0x0004;
constexpr LONG FIND_KEY = 0x0010;
constexpr LONG FIND_ANY = 0x0020;

constexpr HRESULT AVIERR_OK = 0;
constexpr HRESULT makeAviError(int code)
{
    return HRESULT(0x80040000u | unsigned(0x4000 + code));
}
constexpr HRESULT AVIERR_UNSUPPORTED = makeAviError(101);
constexpr HRESULT AVIERR_BADFORMAT = makeAviError(102);
constexpr HRESULT AVIERR_MEMORY = makeAviError(103);
constexpr HRESULT AVIERR_BADPARAM = makeAviError(106);
constexpr HRESULT AVIERR_FILEREAD = makeAviError(109);
constexpr HRESULT AVIERR_FILEOPEN = makeAviError(111);
constexpr HRESULT AVIERR_NOCOMPRESSOR = makeAviError(113);
constexpr HRESULT AVIERR_NODATA = makeAviError(115);

void AVIFileInit();
void AVIFileExit();
// Not an AVIFile function: the file is opened once by the caller, and every
// read goes through its descriptor; the name serves messages and format guessing.
HRESULT AVIStreamOpenFromDescriptor(PAVISTREAM* stream, int descriptor, LPCSTR fileName, LONG param);
HRESULT AVIStreamInfoA(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size);
LONG AVIStreamLength(PAVISTREAM stream);
LONG AVIStreamFindSample(PAVISTREAM stream, LONG position, LONG flags);
PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted);
LPVOID AVIStreamGetFrame(PGETFRAME frames, LONG position);
HRESULT AVIStreamGetFrameClose(PGETFRAME frames);
LONG AVIStreamRelease(PAVISTREAM stream);

#endif
