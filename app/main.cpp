#include "main_window.h"

#include <QApplication>

int main(int argc, char *argv[]) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quindal"));
    QApplication::setApplicationVersion(QStringLiteral(QUINDAL_VERSION));
    QApplication::setDesktopFileName(QStringLiteral("org.quindal.Quindal"));
    Form1 form;
    form.show();
    return QApplication::exec();
}
