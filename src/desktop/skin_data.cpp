#include "desktop/skin_data.h"

#include "config/app_paths.h"
#include "config/ini_file.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

const QString kSection = QStringLiteral("Skin");

std::optional<quint32> parseHex(const QString& digits) {
    if (digits.size() != 6)
        return std::nullopt;
    quint32 value = 0;
    for (const QChar c : digits) {
        const int digit = QStringLiteral("0123456789abcdef").indexOf(c.toLower());
        if (digit < 0)
            return std::nullopt;
        value = (value << 4) | static_cast<quint32>(digit);
    }
    return value;
}

std::optional<quint32> parseTriple(const QString& text) {
    const QStringList parts = text.split(QLatin1Char(','));
    if (parts.size() != 3)
        return std::nullopt;
    quint32 value = 0;
    for (const QString& part : parts) {
        const QString digits = part.trimmed();
        bool ok = !digits.isEmpty() && digits.size() <= 3;
        for (const QChar c : digits) ok = ok && c >= QLatin1Char('0') && c <= QLatin1Char('9');
        const int channel = ok ? digits.toInt() : -1;
        if (channel < 0 || channel > 255)
            return std::nullopt;
        value = (value << 8) | static_cast<quint32>(channel);
    }
    return value;
}

void readColour(const QString& path, const QString& key, quint32& target) {
    if (const auto value = parseSkinColour(IniReadKey(kSection, key, QString(), path)))
        target = *value;
}

}  // namespace

QString skinFilePath() { return QDir(appPaths::appFolder()).filePath(QStringLiteral("skin.ini")); }

std::optional<quint32> parseSkinColour(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty())
        return std::nullopt;
    if (t.contains(QLatin1Char(',')))
        return parseTriple(t);
    if (t.startsWith(QLatin1Char('#')))
        return parseHex(t.mid(1));
    return parseHex(t);
}

SkinData readSkinFile(const QString& path) {
    SkinData data;
    if (!QFileInfo(path).isFile())
        return data;
    data.fromFile = true;
    readColour(path, QStringLiteral("BackColor"), data.colours.back);
    readColour(path, QStringLiteral("TextColor"), data.colours.text);
    readColour(path, QStringLiteral("PictureColor"), data.colours.picture);
    const QString style = IniReadKey(kSection, QStringLiteral("Style"), QString(), path).trimmed();
    if (!style.isEmpty())
        data.style = style;
    return data;
}
