#include "main_window.h"
#include "window_frame.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quindal"));
    QApplication::setApplicationVersion(QStringLiteral(QUINDAL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quindal.Quindal"));
    Form1 form;
    const auto frame = showAsWindow(form);
    return QApplication::exec();
}
