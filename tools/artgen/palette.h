#pragma once

#include <QRgb>

// Every colour of the art, by role. Change one here and run regenerate.sh.

// The display glass: the face blanks its cells with pure black, so the glass must be too.
inline constexpr QRgb kGlass = qRgb(0, 0, 0);

// Amber display light: lit segments, their brighter core, the faint ghost of unlit ones.
inline constexpr QRgb kLit = qRgb(0xff, 0xa8, 0x1c);
inline constexpr QRgb kLitCore = qRgb(0xff, 0xd0, 0x70);
inline constexpr QRgb kLitEdge = qRgb(0xd8, 0x80, 0x10);
inline constexpr QRgb kGhost = qRgb(0x18, 0x0e, 0x03);
// The unlit dots of the banner's dot-matrix panel.
inline constexpr QRgb kDotGhost = qRgb(0x1c, 0x10, 0x03);

// The metal body: a dark gunmetal, lighter at the top where the light falls.
inline constexpr QRgb kBodyTop = qRgb(0x55, 0x5d, 0x68);
inline constexpr QRgb kBodyBottom = qRgb(0x2b, 0x30, 0x37);
inline constexpr QRgb kBodyHighlight = qRgb(0xa4, 0xad, 0xb8);
inline constexpr QRgb kBodyShadow = qRgb(0x12, 0x14, 0x17);
inline constexpr QRgb kEngraveDark = qRgb(0x1e, 0x22, 0x27);
inline constexpr QRgb kEngraveLight = qRgb(0x7a, 0x83, 0x8e);

// The bezel around the glass, sunk into the body.
inline constexpr QRgb kBezelOuter = qRgb(0x16, 0x18, 0x1c);
inline constexpr QRgb kBezelInner = qRgb(0x0a, 0x0b, 0x0d);
inline constexpr QRgb kBezelLip = qRgb(0x8a, 0x93, 0x9e);

// The button tray and the screws.
inline constexpr QRgb kTray = qRgb(0x1a, 0x1d, 0x22);
inline constexpr QRgb kTrayEdgeDark = qRgb(0x0d, 0x0f, 0x12);
inline constexpr QRgb kTrayEdgeLight = qRgb(0x70, 0x78, 0x83);
inline constexpr QRgb kGrilleHole = qRgb(0x0c, 0x0d, 0x10);
inline constexpr QRgb kGrilleLip = qRgb(0x26, 0x2a, 0x30);
inline constexpr QRgb kScrewFace = qRgb(0x8c, 0x95, 0xa0);
inline constexpr QRgb kScrewShade = qRgb(0x6e, 0x77, 0x82);
inline constexpr QRgb kScrewSlot = qRgb(0x2a, 0x2e, 0x34);

// Button caps: plain and lit (lit caps warm up and their symbol glows amber).
inline constexpr QRgb kCapTop = qRgb(0x5e, 0x66, 0x71);
inline constexpr QRgb kCapBottom = qRgb(0x3a, 0x40, 0x48);
inline constexpr QRgb kCapHighlight = qRgb(0xb4, 0xbc, 0xc6);
inline constexpr QRgb kCapShadow = qRgb(0x22, 0x26, 0x2b);
inline constexpr QRgb kCapOutline = qRgb(0x08, 0x09, 0x0b);
inline constexpr QRgb kCapSymbol = qRgb(0xdc, 0xe1, 0xe7);
inline constexpr QRgb kCapSymbolShadow = qRgb(0x23, 0x27, 0x2c);
inline constexpr QRgb kLitCapTop = qRgb(0x6e, 0x64, 0x55);
inline constexpr QRgb kLitCapBottom = qRgb(0x48, 0x40, 0x36);
inline constexpr QRgb kLitCapHighlight = qRgb(0xff, 0xd8, 0x90);
inline constexpr QRgb kLitCapShadow = qRgb(0x2c, 0x24, 0x1a);
inline constexpr QRgb kLitCapOutline = qRgb(0xb0, 0x68, 0x10);
inline constexpr QRgb kLitSymbolShadow = qRgb(0x3a, 0x20, 0x04);

// The stop button's label: red, to stand apart from everything else on the face.
inline constexpr QRgb kStopLabel = qRgb(0xe0, 0x4a, 0x34);
inline constexpr QRgb kStopLabelLit = qRgb(0xff, 0x7a, 0x52);
inline constexpr QRgb kStopLabelShadow = qRgb(0x24, 0x12, 0x10);

// The bell: polished brass, drawn in the display's amber family.
inline constexpr QRgb kBrassShine = qRgb(0xff, 0xf0, 0xc0);
inline constexpr QRgb kBrassLight = qRgb(0xff, 0xc8, 0x50);
inline constexpr QRgb kBrass = qRgb(0xf0, 0x9c, 0x1c);
inline constexpr QRgb kBrassShade = qRgb(0xb0, 0x66, 0x0c);
inline constexpr QRgb kBrassDark = qRgb(0x6a, 0x3a, 0x06);

// The vermilion seal of the logo badge and its paper-white carving.
inline constexpr QRgb kSeal = qRgb(0xc8, 0x2a, 0x1e);
inline constexpr QRgb kSealDark = qRgb(0x86, 0x16, 0x10);
inline constexpr QRgb kSealPale = qRgb(0xda, 0x3c, 0x30);
inline constexpr QRgb kSealCarve = qRgb(0xff, 0xf1, 0xdc);

// Small grey print on the logo.
inline constexpr QRgb kCaption = qRgb(0x8a, 0x93, 0x9e);

// Icons and the cursor.
inline constexpr QRgb kInk = qRgb(0, 0, 0);
inline constexpr QRgb kPaper = qRgb(0xff, 0xff, 0xff);
