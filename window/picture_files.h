#pragma once

#include <QImage>
#include <QString>
#include <QStringView>

// Reads a picture file as a JPEG into `picture`, reusing its memory when the
// size matches. Anything that is not a complete JPEG of a plausible size
// (missing, unreadable, another format, truncated, a few pixels, or absurdly
// large) gives false and a null image rather than a partial one.
bool loadPicture(const QString &path, QImage &picture);

// What the image box shows when a picture cannot be loaded: `glyph` drawn
// large on a plain ground.
QImage placeholderPicture(QStringView glyph);

// The path of a picture file stored as "\name.jpg" in `folder`.
QString picturePath(const QString &folder, QStringView storedName);
