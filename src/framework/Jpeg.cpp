#include "Jpeg.h"

#include "Exceptions.h"

#include <QFile>

#include <csetjmp>
#include <cstdio>
#include <memory>

extern "C" {
#include <jpeglib.h>
// After jpeglib.h, which it needs.
#include <jerror.h>
}

namespace Jpeg {
namespace {

// libjpeg's own error handler ends the process. Ours jumps back into decodeInto(),
// which releases the library's memory and reports the failure as a return value;
// the exception is raised only after the jump, so it never crosses C frames.
// 64 megapixels: far beyond any picture of the program, far below memory trouble.
constexpr qint64 MaxPixels = 64 * 1024 * 1024;

struct ErrorManager
{
    jpeg_error_mgr pub;
    std::jmp_buf jump;
    char message[JMSG_LENGTH_MAX];
};

// Kept on the heap and reached only through a pointer, so that nothing the decoder
// changes after setjmp() lives in a register that longjmp() would restore.
struct Job
{
    jpeg_decompress_struct cinfo;
    ErrorManager error;
    jpeg_source_mgr source;
    const QByteArray* data = nullptr;
    QImage image;
};

[[noreturn]] void errorExit(j_common_ptr cinfo)
{
    auto* error = reinterpret_cast<ErrorManager*>(cinfo->err);
    (*cinfo->err->format_message)(cinfo, error->message);
    std::longjmp(error->jump, 1);
}

void emitMessage(j_common_ptr cinfo, int level)
{
    if (level >= 0)
        return; // trace output
    // These warnings mean that part of the picture is missing; libjpeg would fill it
    // with grey and call the result a success.
    switch (cinfo->err->msg_code) {
    case JWRN_JPEG_EOF:
    case JWRN_HIT_MARKER:
    case JWRN_MUST_RESYNC:
    case JWRN_HUFF_BAD_CODE:
    case JWRN_ARITH_BAD_CODE:
        errorExit(cinfo);
    default:
        break; // harmless oddities (unknown JFIF revision, stray bytes before a marker)
    }
}

void outputMessage(j_common_ptr) { }

void initSource(j_decompress_ptr) { }

// The whole file is in the buffer from the start: a request for more means the data
// ends too early.
boolean fillInputBuffer(j_decompress_ptr cinfo)
{
    cinfo->err->msg_code = JERR_INPUT_EOF;
    errorExit(reinterpret_cast<j_common_ptr>(cinfo));
}

void skipInputData(j_decompress_ptr cinfo, long count)
{
    if (count <= 0)
        return;
    jpeg_source_mgr* source = cinfo->src;
    if (static_cast<unsigned long>(count) > source->bytes_in_buffer)
        fillInputBuffer(cinfo);
    source->next_input_byte += count;
    source->bytes_in_buffer -= static_cast<size_t>(count);
}

void termSource(j_decompress_ptr) { }

QRgb cmykToRgb(int c, int m, int y, int k, bool inverted)
{
    // Adobe writes CMYK inverted (0 = full ink); plain CMYK files do not.
    if (!inverted) {
        c = 255 - c;
        m = 255 - m;
        y = 255 - y;
        k = 255 - k;
    }
    return qRgb(c * k / 255, m * k / 255, y * k / 255);
}

void convertRow(const JSAMPLE* in, QRgb* out, int width, J_COLOR_SPACE space, bool adobe)
{
    for (int x = 0; x < width; ++x) {
        switch (space) {
        case JCS_GRAYSCALE:
            out[x] = qRgb(in[x], in[x], in[x]);
            break;
        case JCS_CMYK:
            out[x] = cmykToRgb(in[4 * x], in[4 * x + 1], in[4 * x + 2], in[4 * x + 3], adobe);
            break;
        default:
            out[x] = qRgb(in[3 * x], in[3 * x + 1], in[3 * x + 2]);
            break;
        }
    }
}

// The only function that calls setjmp(); it holds no objects with destructors.
bool decodeInto(Job* job)
{
    jpeg_decompress_struct* cinfo = &job->cinfo;
    cinfo->err = jpeg_std_error(&job->error.pub);
    job->error.pub.error_exit = errorExit;
    job->error.pub.emit_message = emitMessage;
    job->error.pub.output_message = outputMessage;
    job->error.message[0] = '\0';

    if (setjmp(job->error.jump)) {
        jpeg_destroy_decompress(cinfo);
        return false;
    }

    jpeg_create_decompress(cinfo);
    job->source.init_source = initSource;
    job->source.fill_input_buffer = fillInputBuffer;
    job->source.skip_input_data = skipInputData;
    job->source.resync_to_restart = jpeg_resync_to_restart;
    job->source.term_source = termSource;
    job->source.next_input_byte = reinterpret_cast<const JOCTET*>(job->data->constData());
    job->source.bytes_in_buffer = static_cast<size_t>(job->data->size());
    cinfo->src = &job->source;

    jpeg_read_header(cinfo, TRUE);
    switch (cinfo->jpeg_color_space) {
    case JCS_GRAYSCALE:
        cinfo->out_color_space = JCS_GRAYSCALE;
        break;
    case JCS_CMYK:
    case JCS_YCCK:
        cinfo->out_color_space = JCS_CMYK;
        break;
    default:
        cinfo->out_color_space = JCS_RGB;
        break;
    }
    jpeg_start_decompress(cinfo);

    const int width = static_cast<int>(cinfo->output_width);
    const int height = static_cast<int>(cinfo->output_height);
    // A damaged or hostile header can ask for gigabytes; refuse before allocating.
    if (qint64(width) * height <= MaxPixels)
        job->image = QImage(width, height, QImage::Format_RGB32);
    if (job->image.isNull()) {
        qsnprintf(job->error.message, sizeof job->error.message,
            "the picture is too large (%d x %d pixels)", width, height);
        jpeg_destroy_decompress(cinfo);
        return false;
    }

    // Freed together with the decompressor, also after a jump.
    JSAMPARRAY row = (*cinfo->mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(cinfo), JPOOL_IMAGE,
        cinfo->output_width * static_cast<JDIMENSION>(cinfo->output_components), 1);
    const bool adobe = cinfo->saw_Adobe_marker;
    while (cinfo->output_scanline < cinfo->output_height) {
        const int y = static_cast<int>(cinfo->output_scanline);
        jpeg_read_scanlines(cinfo, row, 1);
        convertRow(row[0], reinterpret_cast<QRgb*>(job->image.scanLine(y)), width,
            cinfo->out_color_space, adobe);
    }
    jpeg_finish_decompress(cinfo);
    jpeg_destroy_decompress(cinfo);
    return true;
}

} // namespace

QImage decode(const QByteArray& data)
{
    if (data.isEmpty())
        throw Exception(QStringLiteral("Cannot decode the JPEG picture: there is no data"));
    auto job = std::make_unique<Job>();
    job->data = &data;
    if (!decodeInto(job.get()))
        throw Exception(QStringLiteral("Cannot decode the JPEG picture: %1")
                            .arg(QString::fromLocal8Bit(job->error.message)));
    return std::move(job->image);
}

QImage decodeFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw Exception(QStringLiteral("Cannot open the JPEG picture \"%1\": %2")
                            .arg(path, file.errorString()));
    const QByteArray data = file.readAll();
    try {
        return decode(data);
    } catch (const Exception& error) {
        throw Exception(QStringLiteral("%1 (\"%2\")").arg(error.Message(), path));
    }
}

} // namespace Jpeg
