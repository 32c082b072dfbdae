#include "photos/decode/FQtImageDecoder.h"

#include <QBuffer>
#include <QByteArray>
#include <QImageReader>

#include <mutex>
#include <utility>

QImage ReadQtImage(const uint8_t* data, size_t size, const char* format, int64_t maxPixels, int maxSide, int& width,
                   int& height, std::string* reason)
{
    // Qt refuses images over 128 MB by default, an 8000 x 6000 photo among them.
    // Our own size check below is the real limit; this only keeps Qt's above it,
    // with room for 8 bytes a pixel.
    static std::once_flag limitSet;
    std::call_once(limitSet, [maxPixels] {
        QImageReader::setAllocationLimit(static_cast<int>(maxPixels * 8 / (1024 * 1024) + 1));
    });

    width = height = 0;
    const std::string name = QByteArray(format).toUpper().toStdString();
    QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    QImageReader reader(&buffer, format);
    reader.setDecideFormatFromContent(false);
    // Qt tells nothing of why it refused a file: its "Unknown error" reads as a bug.
    auto why = [&reader](const char* otherwise) {
        return reader.error() == QImageReader::UnknownError ? std::string(otherwise)
                                                            : reader.errorString().toStdString();
    };
    QSize declared = reader.size();
    // A BMP stored top first declares a negative height; Qt reports it as stored
    // yet reads the rows the right way up.
    if (declared.width() > 0 && declared.height() < 0)
        declared.setHeight(-declared.height());
    if (!declared.isValid()) {
        if (reason)
            *reason = "corrupt " + name + " data: " + why("its header cannot be read");
        return QImage();
    }
    width = declared.width();
    height = declared.height();
    if (width > maxSide || height > maxSide || static_cast<int64_t>(width) * height > maxPixels) {
        if (reason)
            *reason = "image too large";
        return QImage();
    }
    QImage image;
    if (!reader.read(&image) || image.isNull()) {
        if (reason)
            *reason = "corrupt " + name + " data: " + why("its pixels cannot be read");
        return QImage();
    }
    // The size read must be the size checked; a reader that disagrees is not trusted.
    if (image.width() != width || image.height() != height) {
        if (reason)
            *reason = "corrupt " + name + " data: size differs from its header";
        return QImage();
    }
    // In place where Qt can: a second full-size copy is what peaks the memory.
    return std::move(image).convertToFormat(QImage::Format_RGBA8888);
}
