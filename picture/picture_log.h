#pragma once

#include <QLoggingCategory>

// Why a picture file was refused: off unless switched on, for example with
// QT_LOGGING_RULES="quindal.pictures=true".
Q_DECLARE_LOGGING_CATEGORY(pictureLog)
