#include "ui/pictures.h"

#include "ui/paths.h"

#include <QImageReader>
#include <QLabel>

namespace px708 {

QString pictureFileName(Picture picture) {
    switch (picture) {
    case Picture::logo:
        return QStringLiteral("logo.png");
    case Picture::readerPhoto:
        return QStringLiteral("reader.jpg");
    case Picture::capsulesInHands:
        return QStringLiteral("capsules.jpg");
    case Picture::transponders:
        return QStringLiteral("transponders.jpg");
    }
    return {};
}

QString pictureDescription(Picture picture) {
    switch (picture) {
    case Picture::logo:
        return QStringLiteral("Zelmar logo");
    case Picture::readerPhoto:
        return QStringLiteral("Picture of the PX-708 handheld reader");
    case Picture::capsulesInHands:
        return QStringLiteral("Picture of two hands holding glass transponders");
    case Picture::transponders:
        return QStringLiteral("Picture of transponders beside a pencil");
    }
    return {};
}

QPixmap loadPicture(Picture picture) {
    const QString path =
        QString::fromStdString(dataFolder().string()) + QLatin1Char('/') + pictureFileName(picture);
    QImageReader reader(path);
    return QPixmap::fromImage(reader.read());
}

void showPicture(QLabel* frame, Picture picture, bool stretch) {
    frame->setPixmap(loadPicture(picture));
    frame->setScaledContents(stretch);
    if (!stretch) {
        // A picture shown at its own size is cut by its frame, as on a form: it never makes
        // the page, and with it the window, larger than the page's controls need.
        frame->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        frame->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Ignored);
    }
    frame->setAccessibleName(pictureDescription(picture));
}

void showPagePictures(QWidget* window) {
    const struct {
        const char* frame;
        Picture picture;
        bool stretch;
    } frames[] = {{"Image1", Picture::readerPhoto, true},
                  {"Image2", Picture::logo, true},
                  {"Image3", Picture::logo, true},
                  {"Image4", Picture::capsulesInHands, false},
                  {"Image5", Picture::transponders, true}};
    for (const auto& f : frames)
        if (auto* label = window->findChild<QLabel*>(QString::fromLatin1(f.frame)))
            showPicture(label, f.picture, f.stretch);
}

} // namespace px708
