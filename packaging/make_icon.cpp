// make-icon LOGO.jpg SIZE OUT.png: the application icon, a SIZE x SIZE PNG made from the
// window's picture, centred on a transparent square.
#include "app/JpegImage.h"

#include <QFile>
#include <QImage>
#include <QPainter>

#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: make-icon LOGO.jpg SIZE OUT.png\n");
        return 2;
    }
    QFile file(QString::fromLocal8Bit(argv[1]));
    const int size = std::atoi(argv[2]);
    if (size < 16 || size > 1024 || !file.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "make-icon: cannot read %s or bad size %s\n", argv[1], argv[2]);
        return 1;
    }
    const QImage logo = decodeJpeg(file.readAll());
    if (logo.isNull()) {
        std::fprintf(stderr, "make-icon: %s is not a JPEG picture\n", argv[1]);
        return 1;
    }
    QImage icon(size, size, QImage::Format_ARGB32);
    icon.fill(Qt::transparent);
    const QImage scaled = logo.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    QPainter painter(&icon);
    painter.drawImage((size - scaled.width()) / 2, (size - scaled.height()) / 2, scaled);
    painter.end();
    if (!icon.save(QString::fromLocal8Bit(argv[3]), "PNG")) {
        std::fprintf(stderr, "make-icon: cannot write %s\n", argv[3]);
        return 1;
    }
    return 0;
}
