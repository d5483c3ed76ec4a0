#pragma once

#include <QIcon>
#include <QString>

namespace framework {

// An icon from a file or a Qt resource path. SVGs are drawn once at each size the desktop asks
// for (16, 22, 24, 32, 48, 64 and 96 pixels), so small sizes stay as sharp as the drawing allows
// rather than being shrunk from a large bitmap. Null, with a warning, when the file cannot be
// read.
QIcon LoadIcon(const QString& path);

}  // namespace framework
