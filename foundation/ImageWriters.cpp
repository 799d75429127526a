#include "foundation/ImageWriters.h"

#include "foundation/ErrorLog.h"
#include "platform/File.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>

namespace
{

void Put16(std::uint8_t* p, std::uint32_t v)
{
    p[0] = std::uint8_t(v);
    p[1] = std::uint8_t(v >> 8);
}

void Put32(std::uint8_t* p, std::uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        p[i] = std::uint8_t(v >> (8 * i));
}

// libjpeg's standard error manager ends the process on a fatal error (a
// failed write, say); this one jumps back to WriteJpegFile instead, which
// then cleans up and reports failure.
struct SJpegError
{
    jpeg_error_mgr manager;
    std::jmp_buf jump;
};

void JpegErrorExit(j_common_ptr info)
{
    char message[JMSG_LENGTH_MAX];
    (*info->err->format_message)(info, message);
    g_ErrorLog.LogError("WriteJpegFile: %s", message);
    std::longjmp(reinterpret_cast<SJpegError*>(info->err)->jump, 1);
}

void JpegOutputMessage(j_common_ptr)
{
    // Warnings are not for the console of a game.
}

// Kept apart from WriteJpegFile's other locals: nothing here has a
// destructor that the jump could skip.
bool Compress(std::FILE* file, const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
              std::int32_t quality)
{
    jpeg_compress_struct info;
    SJpegError error;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    error.manager.output_message = JpegOutputMessage;
    if (setjmp(error.jump))
    {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = width;
    info.image_height = height;
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height)
    {
        JSAMPROW row = const_cast<JSAMPROW>(rgb + std::size_t(info.next_scanline) * width * 3);
        jpeg_write_scanlines(&info, &row, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

} // namespace

bool SaveBitmapFile(const char* path, std::uint32_t width, std::uint32_t height, const void* pixels,
                    std::uint32_t bytesPerPixel)
{
    std::FILE* file = plat::FOpen(path, "wb");
    if (!file) return false;
    const std::uint32_t imageSize = width * height * bytesPerPixel;
    std::uint8_t fileHeader[14] = {'B', 'M'};
    Put32(fileHeader + 2, imageSize + kBitmapHeaderSize);
    Put32(fileHeader + 10, kBitmapHeaderSize);
    std::uint8_t infoHeader[40] = {};
    Put32(infoHeader + 0, 40);
    Put32(infoHeader + 4, width);
    Put32(infoHeader + 8, height);
    Put16(infoHeader + 12, 1);
    Put16(infoHeader + 14, bytesPerPixel * 8);
    Put32(infoHeader + 20, imageSize);

    bool ok = std::fwrite(fileHeader, sizeof(fileHeader), 1, file) == 1;
    ok = ok && std::fwrite(infoHeader, sizeof(infoHeader), 1, file) == 1;
    ok = ok && (imageSize == 0 || std::fwrite(pixels, imageSize, 1, file) == 1);
    return std::fclose(file) == 0 && ok;
}

bool WriteJpegFile(const char* path, const std::uint8_t* rgb, std::uint32_t width, std::uint32_t height,
                   std::int32_t quality)
{
    if (!rgb || width == 0 || height == 0) return false;
    std::FILE* file = plat::FOpen(path, "wb");
    if (!file) return false;
    const bool ok = Compress(file, rgb, width, height, quality);
    return std::fclose(file) == 0 && ok;
}
