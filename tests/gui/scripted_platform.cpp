#include "scripted_platform.h"

namespace {
QStringList filterTexts(const QList<UiPlatform::FileFilter>& filters) {
    QStringList out;
    for (const auto& f : filters) out << f.description + QLatin1Char('|') + f.pattern;
    return out;
}
UiPlatform::Answer takeFront(std::deque<UiPlatform::Answer>& queue, UiPlatform::Answer fallback) {
    if (queue.empty()) return fallback;
    const UiPlatform::Answer v = queue.front();
    queue.pop_front();
    return v;
}
std::optional<QString> takeFront(std::deque<std::optional<QString>>& queue) {
    if (queue.empty() || !queue.front().has_value()) {
        if (!queue.empty()) queue.pop_front();
        return std::nullopt;
    }
    QString v = *queue.front();
    queue.pop_front();
    return v;
}
}  // namespace

UiPlatform::Answer ScriptedPlatform::messageBox(QWidget*, const QString& text, const QString& caption,
                                                Buttons buttons, Icon icon) {
    Asked a;
    a.kind = QStringLiteral("message");
    a.text = text;
    a.caption = caption;
    a.buttons = buttons;
    a.icon = icon;
    asked << a;
    const Answer fallback = buttons != Buttons::Ok ? Answer::No : Answer::Ok;
    return takeFront(messageAnswers, fallback);
}

std::optional<QString> ScriptedPlatform::inputBox(QWidget*, const QString& prompt, const QString& caption,
                                                  const QString& initial) {
    Asked a;
    a.kind = QStringLiteral("input");
    a.text = prompt;
    a.caption = caption;
    a.initial = initial;
    asked << a;
    return takeFront(inputAnswers);
}

std::optional<QString> ScriptedPlatform::openFileDialog(QWidget*, const QString& title,
                                                        const QList<FileFilter>& filters,
                                                        const QString& defaultName, const QString& folder) {
    Asked a;
    a.kind = QStringLiteral("open");
    a.text = title;
    a.folder = folder;
    a.filters = filterTexts(filters);
    a.initial = defaultName;
    asked << a;
    return takeFront(fileAnswers);
}

std::optional<QString> ScriptedPlatform::saveFileDialog(QWidget*, const QList<FileFilter>& filters,
                                                        const QString& folder, const QString& defaultSuffix) {
    Asked a;
    a.kind = QStringLiteral("save");
    a.folder = folder;
    a.initial = defaultSuffix;
    a.filters = filterTexts(filters);
    asked << a;
    return takeFront(fileAnswers);
}

bool ScriptedPlatform::printImage(const QImage& image, QString* error) {
    Asked a;
    a.kind = QStringLiteral("print");
    asked << a;
    if (!printerAvailable) {
        if (error) *error = QStringLiteral("No printer is installed.");
        return false;
    }
    if (!printedPdf.isEmpty()) return QtUiPlatform::printImageToPdf(image, printedPdf, error, unprintableMm);
    return true;
}

QStringList ScriptedPlatform::messages() const {
    QStringList out;
    for (const auto& a : asked)
        if (a.kind == QLatin1String("message")) out << a.text;
    return out;
}
