// SPDX-License-Identifier: GPL-3.0-or-later
#include "picturefile.h"

#include <QBuffer>
#include <QByteArray>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>

#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <jpeglib.h>

namespace {

QString suffixOf(const QString& path)
{
    return QFileInfo(path).suffix().toLower();
}

struct JpegError {
    jpeg_error_mgr manager;
    std::jmp_buf back;
    char message[JMSG_LENGTH_MAX];
};

void onJpegError(j_common_ptr info)
{
    auto* error = reinterpret_cast<JpegError*>(info->err);
    (*info->err->format_message)(info, error->message);
    std::longjmp(error->back, 1);
}

// Encodes the image into a buffer that libjpeg allocates (*out, *size; free
// it with std::free). Only plain data lives in this frame, since a libjpeg
// error returns here by longjmp. row holds one line of RGB bytes.
bool encodeJpeg(const QImage& image, unsigned char* row, unsigned char** out, unsigned long* size, JpegError& error)
{
    jpeg_compress_struct info;
    info.err = jpeg_std_error(&error.manager);
    error.manager.error_exit = onJpegError;
    if (setjmp(error.back)) {
        jpeg_destroy_compress(&info);
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_mem_dest(&info, out, size);
    info.image_width = JDIMENSION(image.width());
    info.image_height = JDIMENSION(image.height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, 100, TRUE);
    // Full resolution in all three components: with the usual halved chroma
    // a cell of one or two pixels takes on the colour of its neighbours.
    for (int c = 0; c < info.num_components; ++c) {
        info.comp_info[c].h_samp_factor = 1;
        info.comp_info[c].v_samp_factor = 1;
    }
    jpeg_start_compress(&info, TRUE);
    const int width = image.width();
    while (info.next_scanline < info.image_height) {
        const auto* pixels = reinterpret_cast<const QRgb*>(image.constScanLine(int(info.next_scanline)));
        for (int x = 0; x < width; ++x) {
            row[3 * x] = static_cast<unsigned char>(qRed(pixels[x]));
            row[3 * x + 1] = static_cast<unsigned char>(qGreen(pixels[x]));
            row[3 * x + 2] = static_cast<unsigned char>(qBlue(pixels[x]));
        }
        JSAMPROW rows[1] = {row};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    return true;
}

// The picture's bytes in the file's format, or the reason why not.
QString encode(const QImage& image, const QString& suffix, QByteArray& bytes)
{
    if (suffix == QLatin1String("png")) {
        QBuffer buffer(&bytes);
        buffer.open(QIODevice::WriteOnly);
        QImageWriter writer(&buffer, "PNG");
        return writer.write(image) ? QString() : writer.errorString();
    }
    const QImage rgb = image.format() == QImage::Format_RGB32 ? image : image.convertToFormat(QImage::Format_RGB32);
    std::vector<unsigned char> row(std::size_t(rgb.width()) * 3);
    unsigned char* out = nullptr;
    unsigned long size = 0;
    JpegError error{};
    const bool done = encodeJpeg(rgb, row.data(), &out, &size, error);
    if (done)
        bytes = QByteArray(reinterpret_cast<const char*>(out), qsizetype(size));
    std::free(out);
    return done ? QString() : QString::fromLocal8Bit(error.message);
}

}  // namespace

bool isPictureName(const QString& path)
{
    const QString suffix = suffixOf(path);
    return suffix == QLatin1String("png") || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg");
}

QString writePicture(const QImage& image, const QString& path)
{
    if (!isPictureName(path))
        return QStringLiteral("a picture is saved as .png, .jpg or .jpeg");
    QByteArray bytes;
    QString reason = encode(image, suffixOf(path), bytes);
    if (!reason.isEmpty())
        return reason;
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return file.errorString();
    if (file.write(bytes) != bytes.size() || !file.flush())
        reason = file.errorString();
    file.close();
    if (!reason.isEmpty())
        file.remove();
    return reason;
}
