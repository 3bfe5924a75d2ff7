// The AVIFile functions the frame reader uses, on FFmpeg.

#include "avifile.h"

#include "avi_stream.h"

extern "C" {
#include <libavutil/log.h>
}

#include <memory>
#include <mutex>
#include <new>

void AVIFileInit()
{
    // The demuxer and decoders warn about many good files; the caller reports
    // failures in its own words. Readers on several threads start at once, so
    // the setting, global to FFmpeg, is made once.
    static std::once_flag quiet;
    std::call_once(quiet, [] { av_log_set_level(AV_LOG_QUIET); });
}

void AVIFileExit() {}

HRESULT AVIStreamOpenFromDescriptor(PAVISTREAM* stream, int descriptor, LPCSTR fileName, LONG param)
{
    *stream = nullptr;
    if (param < 0)
        return AVIERR_UNSUPPORTED;
    try {
        std::unique_ptr<AviStream> opened;
        HRESULT result = AviStream::open(descriptor, fileName, param, opened);
        *stream = opened.release();
        return result;
    } catch (const std::bad_alloc&) {
        return AVIERR_MEMORY;
    }
}

HRESULT AVIStreamInfoA(PAVISTREAM stream, AVISTREAMINFOA* info, LONG size)
{
    if (size < LONG(sizeof *info))
        return AVIERR_BADPARAM;
    *info = stream->info();
    return AVIERR_OK;
}

LONG AVIStreamLength(PAVISTREAM stream) { return stream->length(); }

LONG AVIStreamFindSample(PAVISTREAM stream, LONG position, LONG flags)
{
    try {
        return stream->findSample(position, flags);
    } catch (const std::bad_alloc&) {
        return -1;
    }
}

PGETFRAME AVIStreamGetFrameOpen(PAVISTREAM stream, LPBITMAPINFOHEADER wanted)
{
    // Only the default format, 24-bit bottom-up bitmaps, is offered.
    if (wanted)
        return nullptr;
    try {
        if (!stream->openDecoder())
            return nullptr;
        return std::make_unique<AviGetFrame>(*stream).release();
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

LPVOID AVIStreamGetFrame(PGETFRAME frames, LONG position)
{
    try {
        return const_cast<BITMAPINFOHEADER*>(frames->stream.frameAt(position));
    } catch (const std::bad_alloc&) {
        return nullptr;
    }
}

HRESULT AVIStreamGetFrameClose(PGETFRAME frames)
{
    std::unique_ptr<AviGetFrame> closed(frames);
    return AVIERR_OK;
}

LONG AVIStreamRelease(PAVISTREAM stream)
{
    std::unique_ptr<AviStream> released(stream);
    return 0;
}
