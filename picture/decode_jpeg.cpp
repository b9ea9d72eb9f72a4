#include <csetjmp>
#include <cstdio>
// jpeglib.h needs FILE and size_t declared before it.
#include <jpeglib.h>
#include <jerror.h>

#include <string>

#include "picture/decoders.h"

namespace Picture::Decoders {

namespace {

// A progressive JPEG can hold thousands of tiny scans, each a pass over the
// whole picture: a small hostile file would take minutes. Real encoders
// write a dozen.
constexpr int kMostScans = 500;
// What libjpeg may allocate besides the picture itself.
constexpr long kMostWorkingMemory = 512L * 1024 * 1024;

// libjpeg reports errors by calling error_exit, which must not return: it
// jumps back to Run() below. Everything that lives across the jump is in
// this object, owned by the caller, so no local of the jumping frame is
// left in doubt.
struct JpegSession {
    jpeg_decompress_struct info{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = "";
    bool created = false;
};

void OnError(j_common_ptr info)
{
    auto* session = static_cast<JpegSession*>(info->client_data);
    info->err->format_message(info, session->message);
    std::longjmp(session->jump, 1);
}

// Warnings about a stray byte here and there are let pass, as every viewer
// does; a file that ends before its picture is refused rather than shown
// with the rest made up.
void OnMessage(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) {
        auto* session = static_cast<JpegSession*>(info->client_data);
        std::snprintf(session->message, sizeof session->message, "the file ends before its picture does");
        std::longjmp(session->jump, 1);
    }
}

void OnProgress(j_common_ptr info)
{
    auto* session = static_cast<JpegSession*>(info->client_data);
    if (session->info.input_scan_number > kMostScans) {
        std::snprintf(session->message, sizeof session->message, "more than %d scans", kMostScans);
        std::longjmp(session->jump, 1);
    }
}

// Returns false with the session's message set when libjpeg gave up.
bool Run(JpegSession& session, std::span<const std::uint8_t> bytes, const DecodeLimits& limits, Image& picture,
         std::string& sizeError)
{
    if (setjmp(session.jump)) {
        return false;
    }
    jpeg_create_decompress(&session.info);
    session.created = true;
    session.info.progress = &session.progress;  // creating cleared it
    session.info.mem->max_memory_to_use = kMostWorkingMemory;
    jpeg_mem_src(&session.info, bytes.data(), static_cast<unsigned long>(bytes.size()));
    jpeg_read_header(&session.info, TRUE);
    try {
        CheckSize("JPEG", session.info.image_width, session.info.image_height, limits);
    } catch (const PictureError& error) {
        sizeError = error.what();
        return false;
    }
    session.info.out_color_space = JCS_EXT_RGBA;
    jpeg_start_decompress(&session.info);
    picture = Image(session.info.output_width, session.info.output_height);
    while (session.info.output_scanline < session.info.output_height) {
        JSAMPROW row = picture.Pixel(0, session.info.output_scanline);
        jpeg_read_scanlines(&session.info, &row, 1);
    }
    jpeg_finish_decompress(&session.info);
    return true;
}

}  // namespace

Image DecodeJpeg(std::span<const std::uint8_t> bytes, const DecodeLimits& limits)
{
    JpegSession session;
    session.info.err = jpeg_std_error(&session.errors);
    session.errors.error_exit = OnError;
    session.errors.emit_message = OnMessage;
    session.info.client_data = &session;
    session.progress.progress_monitor = OnProgress;

    Image picture;
    std::string sizeError;
    const bool decoded = Run(session, bytes, limits, picture, sizeError);
    if (session.created) {
        jpeg_destroy_decompress(&session.info);
    }
    if (!sizeError.empty()) {
        throw PictureError(sizeError);
    }
    if (!decoded) {
        throw PictureError(std::string("the JPEG picture cannot be read: ") + session.message);
    }
    return picture;
}

}  // namespace Picture::Decoders
