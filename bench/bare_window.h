#pragma once

#include <QLabel>
#include <QPixmap>
#include <QWidget>
#include <memory>

// The start-up baseline: a bare window of Quindal's size with one Japanese
// label in the same face and size and one 160 x 160 picture.
inline std::unique_ptr<QWidget> makeBareWindow() {
    auto window = std::make_unique<QWidget>();
    window->setFixedSize(416, 292);
    auto *label = new QLabel(QStringLiteral("昭和"), window.get());
    QFont font(QStringLiteral("IPAPGothic"));
    font.setPixelSize(21);
    label->setFont(font);
    auto *picture = new QLabel(window.get());
    picture->setGeometry(232, 112, 160, 160);
    picture->setPixmap(QPixmap(QStringLiteral(":/quindal/start.jpg")));
    return window;
}
