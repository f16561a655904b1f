#pragma once
// The pictures that decorate the pages, kept as files in the data folder (share/px708) and
// decoded when a page is built: the logo as PNG, the photographs as JPEG (Qt's JPEG reader,
// which uses libjpeg).
//
// Thread affinity: main thread (pixmaps).

#include <QPixmap>
#include <QString>

class QLabel;
class QWidget;

namespace px708 {

enum class Picture {
    logo,            // Image2 ("Cover"), Image3 ("On-Line Settings (3)"): 365 x 100
    readerPhoto,     // Image1 ("On-Line Settings (3)"): 400 x 300
    capsulesInHands, // Image4 ("On-Line Settings(4)"): 458 x 174
    transponders,    // Image5 ("Zelmar Mode Settings (2)"): 323 x 144
};

// The picture's file name in the data folder.
QString pictureFileName(Picture picture);
// What the picture shows, as a screen reader says it.
QString pictureDescription(Picture picture);
// The picture decoded; a null pixmap when its file is missing or cannot be decoded (the
// frame then stays empty, as a page without its picture would).
QPixmap loadPicture(Picture picture);
// Puts the picture into a label that shows it, stretched to the label when stretch is true,
// and names the label after what it shows.
void showPicture(QLabel* frame, Picture picture, bool stretch);

// Puts every page's picture into its frame: the labels Image1 to Image5 found in window (a
// page not built yet simply has no frame to fill).
void showPagePictures(QWidget* window);

} // namespace px708
