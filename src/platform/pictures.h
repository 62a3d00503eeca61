#pragma once

#include <QCursor>
#include <QIcon>
#include <QPixmap>

// Every picture of the program, drawn in code. Faces with an index follow the
// picture lists of their windows (1-based).
namespace pictures {

// Main window.
QIcon appIcon();                 // 16 ... 128 pixels
QPixmap appIconPixmap(int size); // the same picture, size x size (the installed theme icons)

// Connection strip.
QPixmap connectBackground();    // 950 x 40, light-blue vertical gradient
QPixmap connectFace(int index); // 100 x 30 word CONNECT: 1 grey, 2 blue, 3 magenta, 4 green
QPixmap computer();             // 40 x 41
QPixmap multimeter();           // 40 x 41 handheld meter
QPixmap prohibitionSign();      // 40 x 41 red prohibition sign (link down)
QPixmap linkArrow();            // 40 x 41 yellow disc with a red arrow to the right (link up)
QCursor connectPointer();       // pointer over the CONNECT button

// Display window.
QPixmap showBackground();    // 500 x 600: bands, LCD panel, lower panel
QPixmap diodeSymbol();       // 32 x 20
QPixmap navFace(int index);  // 60 x 21; 1..5 normal (first, previous, dot, next, last), 6..10 hover
QPixmap magnifier();         // 40 x 40 magnifier with a plus sign
QPixmap stepFace(int index); // 40 x 40; 1 down-over-up flat, 2 up-over-down raised,
                             // 3 up-over-down flat, 4 down-over-up raised
QCursor pointingHand();      // 32 x 32, hot spot (12, 1)

// Data table window.
QPixmap dataBackground();       // 438 x 600: white panel between light-blue bands
QPixmap toolbarIcon(int index); // 16 x 16: 1 blank page, 2 diskette, 3 green spreadsheet grid, 4 printer

} // namespace pictures
