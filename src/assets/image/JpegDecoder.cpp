// JPEG through libjpeg-turbo (baseline, progressive, arithmetic; gray, YCbCr,
// CMYK and YCCK), with the Exif ColorSpace read from the first Exif APP1
// segment the library saved. libjpeg reports errors by longjmp, so everything
// it may jump over lives in a plain struct owned by the caller, and the frame
// that calls setjmp holds no C++ object. A file that ends before its image
// data does fails instead of decoding partly gray.
#include "assets/image/ContainerDecoders.h"
#include "assets/image/ExifColorSpace.h"
#include "assets/image/ImageBudget.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
// jpeglib.h needs size_t and FILE declared first.
#include <jerror.h>
#include <jpeglib.h>

namespace {

// More scans than any encoder writes; a file with more is built to stall decoders.
constexpr int kMaxScans = 1000;

struct JpegJob {
    const uint8_t* data = nullptr;
    size_t size = 0;
    DecodedImage* image = nullptr;
    std::string* error = nullptr;
    jpeg_decompress_struct cinfo{};
    jpeg_error_mgr errors{};
    jpeg_progress_mgr progress{};
    bool created = false;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX] = {};

    ~JpegJob()
    {
        if (created)
            jpeg_destroy_decompress(&cinfo);
    }
};

JpegJob& JobOf(j_common_ptr cinfo) { return *static_cast<JpegJob*>(cinfo->client_data); }

[[noreturn]] void OnError(j_common_ptr cinfo)
{
    JpegJob& job = JobOf(cinfo);
    cinfo->err->format_message(cinfo, job.message);
    std::longjmp(job.jump, 1);
}

// Warnings are ignored, except the one that says the data ended early: the
// library would go on and fill the rest of the picture with gray.
void OnMessage(j_common_ptr cinfo, int level)
{
    if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
        JpegJob& job = JobOf(cinfo);
        std::snprintf(job.message, sizeof job.message, "image data ends early");
        std::longjmp(job.jump, 1);
    }
}

void OnProgress(j_common_ptr cinfo)
{
    auto* d = reinterpret_cast<j_decompress_ptr>(cinfo);
    if (d->input_scan_number > kMaxScans) {
        JpegJob& job = JobOf(cinfo);
        std::snprintf(job.message, sizeof job.message, "more than %d scans", kMaxScans);
        std::longjmp(job.jump, 1);
    }
}

int ExifColorSpaceOf(j_decompress_ptr cinfo)
{
    for (jpeg_saved_marker_ptr m = cinfo->marker_list; m; m = m->next)
        if (m->marker == JPEG_APP0 + 1 && m->data_length >= 6 && std::memcmp(m->data, "Exif\0\0", 6) == 0)
            return ExifColorSpace(m->data, m->data_length);
    return -1;
}

// Bytes the library keeps for a whole image of coefficients (progressive and
// multi-scan files): 64 two-byte coefficients per block of each component.
uint64_t CoefficientBytes(j_decompress_ptr cinfo)
{
    if (!cinfo->progressive_mode && cinfo->comps_in_scan >= cinfo->num_components)
        return 0;
    uint64_t bytes = 0;
    for (int c = 0; c < cinfo->num_components; ++c) {
        const jpeg_component_info& comp = cinfo->comp_info[c];
        bytes += uint64_t(comp.width_in_blocks + comp.h_samp_factor) * (comp.height_in_blocks + comp.v_samp_factor) *
                 64 * sizeof(JCOEF);
    }
    return bytes;
}

// CMYK to RGBA in place (4 bytes a pixel either way). Adobe's files store the
// ink amounts inverted.
void CmykToRgba(uint8_t* row, uint32_t width, bool inverted)
{
    for (uint32_t x = 0; x < width; ++x, row += 4) {
        const unsigned k = inverted ? row[3] : 255u - row[3];
        for (int c = 0; c < 3; ++c) {
            const unsigned v = inverted ? row[c] : 255u - row[c];
            row[c] = static_cast<uint8_t>((v * k + 127) / 255);
        }
        row[3] = 255;
    }
}

// Returns 0, or 1 after a libjpeg error (the message is in job.message), or 2
// after a failure of ours (the reason is in *job.error).
int ReadJpeg(JpegJob& job)
{
    if (setjmp(job.jump))
        return 1;
    j_decompress_ptr cinfo = &job.cinfo;
    jpeg_create_decompress(cinfo);
    job.created = true;
    cinfo->client_data = &job;
    cinfo->progress = &job.progress;
    job.progress.progress_monitor = OnProgress;
    cinfo->mem->max_memory_to_use = long(kImageMemoryBudget);
    jpeg_mem_src(cinfo, job.data, static_cast<unsigned long>(job.size));
    jpeg_save_markers(cinfo, JPEG_APP0 + 1, 0xFFFF);
    jpeg_read_header(cinfo, TRUE);

    const bool gray = cinfo->num_components == 1;
    const bool cmyk = cinfo->jpeg_color_space == JCS_CMYK || cinfo->jpeg_color_space == JCS_YCCK;
    cinfo->out_color_space = gray ? JCS_GRAYSCALE : cmyk ? JCS_CMYK : JCS_EXT_RGBA;
    const DxgiFormat format = gray ? DxgiFormat::R8_UNORM : DxgiFormat::R8G8B8A8_UNORM;
    if (!AllocateImage(*job.image, format, cinfo->image_width, cinfo->image_height, *job.error,
                       CoefficientBytes(cinfo)))
        return 2;
    job.image->srgb = ExifColorSpaceOf(cinfo) == 1;

    jpeg_start_decompress(cinfo);
    if (cinfo->output_width != job.image->width || cinfo->output_height != job.image->height ||
        uint32_t(cinfo->output_components) * cinfo->output_width != job.image->rowPitch) {
        *job.error = "unexpected JPEG output layout";
        return 2;
    }
    while (cinfo->output_scanline < cinfo->output_height) {
        JSAMPROW row = job.image->pixels.get() + size_t(cinfo->output_scanline) * job.image->rowPitch;
        if (jpeg_read_scanlines(cinfo, &row, 1) != 1) {
            *job.error = "image data ends early";
            return 2;
        }
        if (cmyk)
            CmykToRgba(row, cinfo->output_width, cinfo->saw_Adobe_marker);
    }
    jpeg_finish_decompress(cinfo);
    return 0;
}

} // namespace

bool DecodeJpeg(const uint8_t* data, size_t size, DecodedImage& image, std::string& error)
{
    image = DecodedImage{};
    JpegJob job;
    job.data = data;
    job.size = size;
    job.image = &image;
    job.error = &error;
    job.cinfo.err = jpeg_std_error(&job.errors);
    job.errors.error_exit = OnError;
    job.errors.emit_message = OnMessage;
    const int result = ReadJpeg(job);
    if (result == 0)
        return true;
    if (result == 1)
        error = std::string("damaged JPEG: ") + job.message;
    image = DecodedImage{};
    return false;
}
