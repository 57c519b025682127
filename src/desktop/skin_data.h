#pragma once

#include <QString>
#include <QtGlobal>
#include <optional>

// The skin's colours as 0xRRGGBB values; the widgets turn them into QColor.
struct SkinColours {
    quint32 back = 0x2B3A55;     // command buttons; list, text and choice controls
    quint32 text = 0xF2F4F8;     // text of list, text and choice controls
    quint32 picture = 0x1B2538;  // picture boxes

    bool operator==(const SkinColours&) const = default;
};

// What the skin file holds. A missing file, section or key, or a value that
// does not parse, leaves that item at its default.
struct SkinData {
    SkinColours colours;
    QString style = QStringLiteral("Fusion");  // a widget style name
    bool fromFile = false;                      // the file was there and read
};

// <app>/skin.ini. Section [Skin], keys BackColor, TextColor, PictureColor, Style.
QString skinFilePath();

SkinData readSkinFile(const QString& path);

// "#RRGGBB", "RRGGBB" or "r,g,b" (0..255 each), surrounding spaces allowed.
std::optional<quint32> parseSkinColour(const QString& text);
