#pragma once

#include <QImage>
#include <QString>
#include <QStringView>

// Reads a picture file as a JPEG. Anything that is not a complete JPEG of a
// plausible size (missing, unreadable, another format, truncated, a few
// pixels, or absurdly large) gives a null image rather than a partial one.
QImage loadPicture(const QString &path);

// What the image box shows when a picture cannot be loaded: `glyph` drawn
// large on a plain ground.
QImage placeholderPicture(QStringView glyph);

// The path of a picture file stored as "\name.jpg" in `folder`.
QString picturePath(const QString &folder, QStringView storedName);
