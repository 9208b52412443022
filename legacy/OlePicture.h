#pragma once

#include <QByteArray>

namespace legacy {

// The picture file inside an OLE Object value as Access stores it (the OLE object header, then a
// "Package", "Paintbrush Picture", "Bitmap Image" or similar object around BMP, DIB, JPEG, GIF or
// PNG bytes): the bare picture file's bytes, a wrapped DIB made a whole BMP file. A value that is
// already a bare picture file, or holds no picture that can be recognised, comes back unchanged.
QByteArray unwrapOlePicture(const QByteArray& value);

}  // namespace legacy
