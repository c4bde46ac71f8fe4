#pragma once

#include <QImage>

// One function per picture of the program's art. Sizes and the places where the program
// copies from them are fixed by the face's sprite table; the looks are ours.

QImage drawFace();               // 151 x 130, the clock body with its black glass
QImage drawColon();              // 6 x 19
QImage drawRunner();             // 20 x 19, a triangle pointing right
QImage drawWeekdays();           // 100 x 105, 星期日 .. 星期六, 15 rows each
QImage drawEnglishWeekdays();    // 100 x 105, SUNDAY .. SATURDAY, the same rows
QImage drawBigDigits();          // 26 x 290, 0-9, 29 rows each
QImage drawSmallDigits();        // 10 x 120, 0-9, 12 rows each
QImage drawBell();               // 42 x 138, three frames of 46 rows
QImage drawBanner();             // 106 x 28, "Ring..."
QImage drawButtons(bool lit);    // 18 x 64: bell, tools, question mark, cross
QImage drawStopButton(bool lit); // 62 x 16
QImage drawLogo();               // 218 x 192, slides up in the logo dialog
QImage drawBadge();              // 40 x 88, opens out from its middle row beside the logo
QImage drawIcon(int size);       // the window icon, 32 or 64 square
QImage drawPlayIcon();           // 32 x 32, transparent but for a black triangle
QImage drawStopIcon();           // 32 x 32, transparent but for a black 8 x 8 square
QImage drawHandCursor();         // 32 x 32, fingertip at (5, 0)
