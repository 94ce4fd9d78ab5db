#include "chart/graphics/JpegCodec.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>

#include "platform/core/NumText.h"
#include "platform/core/Streams.h"

// libjpeg's headers need the standard I/O declarations first.
#include <jpeglib.h>
#include <jerror.h>

namespace {

// Beyond this a file is taken as hostile rather than as a photograph (the decoder keeps whole
// frames of coefficients for progressive and two-pass files).
constexpr long long kMaxJpegPixels = 1LL << 26;

// libjpeg reports fatal errors by calling error_exit, which must not return: it jumps back to
// the routine that started the work. Those routines keep their state in a heap object, so the
// jump skips no destructor.
struct TJpegError {
    jpeg_error_mgr manager{};
    std::jmp_buf jump{};
    char message[JMSG_LENGTH_MAX] = {};
    bool prematureEnd = false;
};

void JpegErrorExit(j_common_ptr info)
{
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->jump, 1);
}

// Warnings are quiet; running out of data is remembered, since libjpeg would otherwise make
// up the missing part of the picture.
void JpegEmitMessage(j_common_ptr info, int level)
{
    auto* error = reinterpret_cast<TJpegError*>(info->err);
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF) error->prematureEnd = true;
}

void InstallErrorHandler(TJpegError& error)
{
    jpeg_std_error(&error.manager);
    error.manager.error_exit = JpegErrorExit;
    error.manager.emit_message = JpegEmitMessage;
}

[[noreturn]] void RaiseJpegError(const std::string& message)
{
    throw EInvalidGraphic("JPEG error: " + message);
}

struct TJpegDecoder {
    jpeg_decompress_struct info{};
    TJpegError error;
    const std::string* bytes = nullptr;
    TJpegDecodeOptions options;
    QImage image;
    std::vector<JSAMPLE> row;  // CMYK rows before conversion
    bool tooLarge = false;
};

void SetDecodeParameters(TJpegDecoder& d)
{
    jpeg_decompress_struct& info = d.info;
    static const unsigned kDenominators[] = {1, 2, 4, 8};
    info.scale_num = 1;
    info.scale_denom = kDenominators[d.options.Scale];
    const bool cmyk = info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK;
    if (d.options.Grayscale) info.out_color_space = JCS_GRAYSCALE;
    else if (cmyk) info.out_color_space = JCS_CMYK;
    else info.out_color_space = d.options.Colors > 0 ? JCS_RGB : JCS_EXT_BGRX;
    if (d.options.Colors > 0 && !cmyk) {
        info.quantize_colors = TRUE;
        // libjpeg needs two levels of each colour channel
        info.desired_number_of_colors = std::clamp(d.options.Colors, d.options.Grayscale ? 2 : 8, 256);
    }
    if (d.options.Fast) {
        info.dct_method = JDCT_IFAST;
        info.do_fancy_upsampling = FALSE;
        info.two_pass_quantize = FALSE;
        info.dither_mode = JDITHER_ORDERED;
    }
}

QImage::Format OutputFormat(const jpeg_decompress_struct& info)
{
    if (info.quantize_colors) return QImage::Format_Indexed8;
    if (info.out_color_space == JCS_GRAYSCALE) return QImage::Format_Grayscale8;
    return QImage::Format_RGB32;
}

void SetPalette(TJpegDecoder& d)
{
    jpeg_decompress_struct& info = d.info;
    QList<QRgb> table(info.actual_number_of_colors);
    for (int i = 0; i < info.actual_number_of_colors; ++i) {
        const int r = info.colormap[0][i];
        table[i] = info.out_color_components == 1 ? qRgb(r, r, r) : qRgb(r, info.colormap[1][i], info.colormap[2][i]);
    }
    d.image.setColorTable(table);
}

// Adobe's CMYK files store the inks inverted: the colour is the product with the black ink.
void ConvertCmykRow(const JSAMPLE* cmyk, QRgb* out, int width)
{
    for (int x = 0; x < width; ++x, cmyk += 4) {
        const int k = cmyk[3];
        out[x] = qRgb(cmyk[0] * k / 255, cmyk[1] * k / 255, cmyk[2] * k / 255);
    }
}

void ReadScanlines(TJpegDecoder& d)
{
    jpeg_decompress_struct& info = d.info;
    const bool cmyk = info.out_color_space == JCS_CMYK;
    if (cmyk) d.row.resize(static_cast<std::size_t>(info.output_width) * 4);
    while (info.output_scanline < info.output_height) {
        uchar* line = d.image.scanLine(static_cast<int>(info.output_scanline));
        JSAMPROW target = cmyk ? d.row.data() : line;
        jpeg_read_scanlines(&info, &target, 1);
        if (cmyk) ConvertCmykRow(d.row.data(), reinterpret_cast<QRgb*>(line), static_cast<int>(info.output_width));
    }
}

void SetResolution(const jpeg_decompress_struct& info, QImage& image)
{
    if (!info.saw_JFIF_marker || info.X_density == 0 || info.Y_density == 0) return;
    const double perUnit = info.density_unit == 1 ? 1 / 0.0254 : info.density_unit == 2 ? 100 : 0;
    if (perUnit == 0) return;
    image.setDotsPerMeterX(static_cast<int>(Rnd(info.X_density * perUnit)));
    image.setDotsPerMeterY(static_cast<int>(Rnd(info.Y_density * perUnit)));
}

// Returns false after a libjpeg error (the message is in the decoder's error).
bool RunDecoder(TJpegDecoder* d)
{
    if (setjmp(d->error.jump)) return false;
    jpeg_create_decompress(&d->info);
    d->info.err = &d->error.manager;
    jpeg_mem_src(&d->info, reinterpret_cast<const unsigned char*>(d->bytes->data()),
                 static_cast<unsigned long>(d->bytes->size()));
    jpeg_read_header(&d->info, TRUE);
    SetDecodeParameters(*d);
    jpeg_calc_output_dimensions(&d->info);
    if (static_cast<long long>(d->info.image_width) * d->info.image_height > kMaxJpegPixels) {
        d->tooLarge = true;
        return false;
    }
    jpeg_start_decompress(&d->info);
    d->image = QImage(static_cast<int>(d->info.output_width), static_cast<int>(d->info.output_height), OutputFormat(d->info));
    if (d->image.isNull()) {
        d->tooLarge = true;
        return false;
    }
    if (d->info.quantize_colors) SetPalette(*d);
    ReadScanlines(*d);
    jpeg_finish_decompress(&d->info);
    SetResolution(d->info, d->image);
    return true;
}

struct TJpegEncoder {
    jpeg_compress_struct info{};
    TJpegError error;
    QImage image;
    int quality = 90;
    bool progressive = false;
    bool grayscale = false;
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
};

bool RunEncoder(TJpegEncoder* e)
{
    if (setjmp(e->error.jump)) return false;
    jpeg_create_compress(&e->info);
    e->info.err = &e->error.manager;
    jpeg_mem_dest(&e->info, &e->buffer, &e->size);
    e->info.image_width = static_cast<JDIMENSION>(e->image.width());
    e->info.image_height = static_cast<JDIMENSION>(e->image.height());
    e->info.input_components = 4;
    e->info.in_color_space = JCS_EXT_BGRX;
    jpeg_set_defaults(&e->info);
    if (e->grayscale) jpeg_set_colorspace(&e->info, JCS_GRAYSCALE);
    jpeg_set_quality(&e->info, e->quality, TRUE);
    if (e->progressive) jpeg_simple_progression(&e->info);
    e->info.density_unit = 1;
    e->info.X_density = static_cast<UINT16>(std::clamp<long long>(Rnd(e->image.dotsPerMeterX() * 0.0254), 1, 65535));
    e->info.Y_density = static_cast<UINT16>(std::clamp<long long>(Rnd(e->image.dotsPerMeterY() * 0.0254), 1, 65535));
    jpeg_start_compress(&e->info, TRUE);
    while (e->info.next_scanline < e->info.image_height) {
        JSAMPROW row = const_cast<uchar*>(e->image.constScanLine(static_cast<int>(e->info.next_scanline)));
        jpeg_write_scanlines(&e->info, &row, 1);
    }
    jpeg_finish_compress(&e->info);
    return true;
}

}  // namespace

QImage DecodeJpeg(const std::string& bytes, const TJpegDecodeOptions& options)
{
    if (bytes.empty()) RaiseJpegError("the file is empty");
    auto decoder = std::make_unique<TJpegDecoder>();
    InstallErrorHandler(decoder->error);
    decoder->bytes = &bytes;
    decoder->options = options;
    const bool ok = RunDecoder(decoder.get());
    jpeg_destroy_decompress(&decoder->info);
    if (decoder->tooLarge) RaiseJpegError("the picture is too large");
    if (!ok) RaiseJpegError(decoder->error.message);
    if (decoder->error.prematureEnd) RaiseJpegError("Premature end of JPEG file");
    return std::move(decoder->image);
}

std::string EncodeJpeg(const QImage& image, int quality, bool progressive, bool grayscale)
{
    if (image.isNull()) RaiseJpegError("the picture is empty");
    auto encoder = std::make_unique<TJpegEncoder>();
    InstallErrorHandler(encoder->error);
    encoder->image = image.convertToFormat(QImage::Format_RGB32);
    encoder->quality = std::clamp(quality, 1, 100);
    encoder->progressive = progressive;
    encoder->grayscale = grayscale;
    const bool ok = RunEncoder(encoder.get());
    jpeg_destroy_compress(&encoder->info);
    std::string data;
    if (ok) data.assign(reinterpret_cast<const char*>(encoder->buffer), encoder->size);
    std::free(encoder->buffer);
    if (!ok) RaiseJpegError(encoder->error.message);
    return data;
}

// ---------------------------------------------------------------- the graphic

TJpegDecodeOptions TJPEGImage::DecodeOptions() const
{
    TJpegDecodeOptions options = options_;
    options.Colors = pixelFormat_ == jf8Bit ? paletteColors_ : 0;
    return options;
}

const QImage& TJPEGImage::Image() const
{
    if (data_.empty()) return source_;
    if (decoded_.isNull()) decoded_ = DecodeJpeg(data_, DecodeOptions());
    return decoded_;
}

void TJPEGImage::SetImage(const QImage& image)
{
    source_ = image;
    data_.clear();
    DropDecoded();
}

void TJPEGImage::LoadFromStream(TStream& stream)
{
    std::string bytes(static_cast<std::size_t>(std::max<std::int64_t>(0, stream.Remaining())), '\0');
    stream.ReadBuffer(bytes.data(), static_cast<std::int64_t>(bytes.size()));
    QImage decoded = DecodeJpeg(bytes, DecodeOptions());
    data_ = std::move(bytes);
    source_ = QImage();
    decoded_ = std::move(decoded);
}

void TJPEGImage::SaveToStream(TStream& stream) const
{
    if (data_.empty() && !source_.isNull()) {
        stream.WriteString(EncodeJpeg(source_, quality_, progressive_, options_.Grayscale));
        return;
    }
    stream.WriteString(data_);
}

void TJPEGImage::Compress()
{
    const QImage picture = Image();
    if (picture.isNull()) return;
    data_ = EncodeJpeg(picture, quality_, progressive_, options_.Grayscale);
    source_ = QImage();
    DropDecoded();
}

void TJPEGImage::DropDecoded()
{
    decoded_ = QImage();
}

void TJPEGImage::SetScale(TJPEGScale value)
{
    if (options_.Scale == value) return;
    options_.Scale = value;
    DropDecoded();
}

void TJPEGImage::SetPixelFormat(TJPEGPixelFormat value)
{
    if (pixelFormat_ == value) return;
    pixelFormat_ = value;
    DropDecoded();
}

void TJPEGImage::SetPaletteColors(int value)
{
    value = std::clamp(value, 2, 256);
    if (paletteColors_ == value) return;
    paletteColors_ = value;
    DropDecoded();
}

void TJPEGImage::SetGrayscale(bool value)
{
    if (options_.Grayscale == value) return;
    options_.Grayscale = value;
    DropDecoded();
}

void TJPEGImage::SetPerformance(TJPEGPerformance value)
{
    if (Performance() == value) return;
    options_.Fast = value == jpBestSpeed;
    DropDecoded();
}

void TJPEGImage::SetCompressionQuality(int value)
{
    quality_ = std::clamp(value, 1, 100);
}
